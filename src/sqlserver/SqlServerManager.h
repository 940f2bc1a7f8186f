#pragma once

#include "components/DbErrorRecord.h"
#include "components/IConnection.h"
#include "components/LockTimeout.h"
#include "mainwindow/ColumnInfo.h"
#include "sqlserver/SqlServerEngine.h"

#include <QList>
#include <QString>
#include <memory>
#include <optional>

namespace quorvex {

// The management side of one SQL Server: connect with a login, list its databases, a
// database's tables and a table's columns, look a user table up by name, and run T-SQL batches
// in a chosen database. It keeps one connection to the server's master database for its whole
// life; the catalogue is read with names qualified by the database, so one connection serves
// every database of the server.
//
// A table outside the schema dbo is named "schema.table", a dbo table by its bare name; the
// same name is taken back wherever a table is named.
class SqlServerManager {
public:
    // A database or a table as the catalogue lists it.
    struct CatalogObject {
        QString name;
        bool systemObject = false;

        friend bool operator==(const CatalogObject&, const CatalogObject&) = default;
    };
    using CatalogObjectList = QList<CatalogObject>;

    explicit SqlServerManager(IConnectionFactory& connections);
    ~SqlServerManager();
    SqlServerManager(const SqlServerManager&) = delete;
    SqlServerManager& operator=(const SqlServerManager&) = delete;

    // Opens the connection to the server's master database, closing one to a server chosen
    // before. Returns false when it fails; errors() then holds every record the driver gave.
    bool connectServer(const QString& server, const QString& login, const QString& password);
    // How long later statements wait for another session's locks; taken at the next connect.
    void setLockTimeout(int milliseconds) { m_lockTimeout = milliseconds; }
    bool isConnected() const;
    // The connection to the server while connected (for a cancel to reach), else null.
    IConnection* openConnection() { return isConnected() ? m_connection.get() : nullptr; }
    // The product behind the connection, asked once per connection (SERVERPROPERTY('Babelfish')
    // is 1 on Babelfish and NULL on SQL Server). A server that cannot answer is SQL Server.
    sqlserver::SqlServerEngine engine();
    // The product as known from an earlier connection to the same server: not asked again.
    void assumeEngine(sqlserver::SqlServerEngine engine) { m_engine = engine; }
    QString serverName() const { return m_server; }
    const DbErrorList& errors() const { return m_errors; }

    // The connection string a login opens: the server's master database with its credentials.
    static QString connectionString(const QString& server, const QString& login,
                                    const QString& password);

    // The server's databases in its own order; master, model, msdb, tempdb and distribution
    // databases are system objects. Throws DbException.
    CatalogObjectList databases();
    // The database's user tables; one shipped with the server is a system object.
    // Throws DbException.
    CatalogObjectList tables(const QString& database);
    // The table's columns in catalogue order. Throws DbException, the "not found" one of
    // lookUpUserTable when there is no such table.
    ColumnInfoList columns(const QString& database, const QString& table);
    // The user table of that name. Throws DbException whose description contains
    // "The name '<name>' was not found" when there is none.
    CatalogObject lookUpUserTable(const QString& database, const QString& name);
    // The same, nothing when the database has no such table.
    std::optional<CatalogObject> findUserTable(const QString& database, const QString& name);
    // Whether a trigger of the database is there and enabled, as sys.triggers says (the one
    // source that tells it on every engine). Throws DbException.
    enum class TriggerState { Missing, Enabled, Disabled };
    TriggerState triggerState(const QString& database, const QString& trigger);
    // Runs T-SQL text in the database; reads no rows. Throws DbException carrying the
    // server's messages.
    void runBatch(const QString& database, const QString& text);

    // The catalogue statements, one per operation.
    static QString engineStatement();
    // Sent once after each connect: the bounded lock wait of every later statement.
    static QString lockTimeoutStatement();
    static QString databasesStatement();
    static QString tablesStatement(const QString& database);
    static QString columnsStatement(const QString& database, const QString& table);

    // The name a table goes by, as SQL over INFORMATION_SCHEMA rows under `alias`: dbo tables
    // by their bare name, any other as "schema.table".
    static QString tableNameSql(const QString& alias);
    // A column as the columns statements read it: name, data type, length, precision and scale
    // in the fields from `first` on (no primary-key flag).
    static ColumnInfo columnAt(const Recordset& rows, int first);
    static QString lookUpStatement(const QString& database, const QString& table);
    static QString triggerStateStatement(const QString& database, const QString& trigger);

private:
    IConnection& connection();

    IConnectionFactory& m_connections;
    std::unique_ptr<IConnection> m_connection;
    QString m_server;
    DbErrorList m_errors;
    std::optional<sqlserver::SqlServerEngine> m_engine;
    int m_lockTimeout = lockTimeoutMilliseconds;
};

} // namespace quorvex
