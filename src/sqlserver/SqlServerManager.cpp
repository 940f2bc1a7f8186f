#include "sqlserver/SqlServerManager.h"

#include "sqlserver/SqlServerConnection.h"
#include "sqlserver/SqlServerIdentifier.h"

#include "components/ConnectionString.h"
#include "components/DbException.h"
#include "components/LockTimeout.h"
#include "components/Recordset.h"
#include "components/Timeouts.h"

#include <QStringList>

namespace quorvex {

namespace {

// The database's base tables with their schema and whether the server shipped them.
QString tablesFrom(const QString& database) {
    const QString db = sqlserver::SqlServerIdentifier::bracket(database);
    return QStringLiteral("SELECT it.TABLE_SCHEMA, it.TABLE_NAME, "
                          "CAST(COALESCE(t.is_ms_shipped, 0) AS int) AS is_ms_shipped "
                          "FROM %1.INFORMATION_SCHEMA.TABLES AS it "
                          "LEFT JOIN %1.sys.schemas AS s ON s.name = it.TABLE_SCHEMA "
                          "LEFT JOIN %1.sys.tables AS t "
                          "ON t.schema_id = s.schema_id AND t.name = it.TABLE_NAME "
                          "WHERE it.TABLE_TYPE = 'BASE TABLE'")
        .arg(db);
}

QString text(const Recordset& rows, int field) {
    return rows.value(field).value_or(QString());
}

bool flag(const Recordset& rows, int field) {
    const QString value = text(rows, field).trimmed();
    return value == QLatin1String("1") ||
           value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

qint64 number(const Recordset& rows, int field) {
    return text(rows, field).trimmed().toLongLong();
}

bool isSystemDatabase(const QString& name) {
    static const QStringList systemDatabases{QStringLiteral("master"), QStringLiteral("model"),
                                             QStringLiteral("msdb"), QStringLiteral("tempdb"),
                                             QStringLiteral("distribution")};
    return systemDatabases.contains(name, Qt::CaseInsensitive);
}

DbException tableNotFound(const QString& database, const QString& name) {
    return DbException::single(QStringLiteral("The name '%1' was not found in the Tables "
                                              "collection of database '%2'.")
                                   .arg(name, database),
                               QStringLiteral("42S02"));
}

} // namespace

SqlServerManager::SqlServerManager(IConnectionFactory& connections) : m_connections(connections) {}

SqlServerManager::~SqlServerManager() {
    if (m_connection)
        m_connection->close();
}

bool SqlServerManager::connectServer(const QString& server, const QString& login,
                                     const QString& password) {
    // A new choice of server replaces the old connection, so no listing mixes two servers.
    if (m_connection)
        m_connection->close();
    m_connection.reset();
    m_server.clear();
    m_errors.clear();
    m_engine.reset();

    std::unique_ptr<IConnection> connection = m_connections.createConnection();
    connection->setConnectionTimeout(loginTimeoutSeconds);
    connection->setQueryTimeout(catalogueQueryTimeoutSeconds);
    if (!connection->open(connectionString(server, login, password))) {
        m_errors = connection->errors();
        return false;
    }
    try {
        connection->execute(sqlServerLockTimeoutStatement(m_lockTimeout));
    } catch (const DbException& e) {
        m_errors = e.errors();
        connection->close();
        return false;
    }
    m_connection = std::move(connection);
    m_server = server;
    return true;
}

bool SqlServerManager::isConnected() const {
    return m_connection && m_connection->state() == ConnectionState::Open;
}

sqlserver::SqlServerEngine SqlServerManager::engine() {
    if (!m_engine) {
        m_engine = sqlserver::SqlServerEngine::SqlServer;
        try {
            Recordset rows = connection().openRecordset(engineStatement());
            if (!rows.eof() && flag(rows, 0))
                m_engine = sqlserver::SqlServerEngine::Babelfish;
        } catch (const DbException&) {
            // A server that does not know the property is no Babelfish.
        }
    }
    return *m_engine;
}

QString SqlServerManager::lockTimeoutStatement() {
    // DDL on a busy production table would otherwise wait without end while the server queues
    // every other session behind it.
    return sqlServerLockTimeoutStatement();
}

QString SqlServerManager::engineStatement() {
    return QStringLiteral("SELECT CAST(SERVERPROPERTY('Babelfish') AS int)");
}

QString SqlServerManager::connectionString(const QString& server, const QString& login,
                                           const QString& password) {
    return buildSqlServerConnectionString({server, login, password, QStringLiteral("master")});
}

SqlServerManager::CatalogObjectList SqlServerManager::databases() {
    Recordset rows = connection().openRecordset(databasesStatement());
    CatalogObjectList result;
    for (; !rows.eof(); rows.moveNext()) {
        const QString name = text(rows, 0);
        result.append({name, isSystemDatabase(name) || flag(rows, 1)});
    }
    return result;
}

SqlServerManager::CatalogObjectList SqlServerManager::tables(const QString& database) {
    Recordset rows = connection().openRecordset(tablesStatement(database));
    CatalogObjectList result;
    for (; !rows.eof(); rows.moveNext())
        result.append({sqlserver::SqlServerIdentifier::tableName(text(rows, 0), text(rows, 1)),
                       flag(rows, 2)});
    return result;
}

ColumnInfoList SqlServerManager::columns(const QString& database, const QString& table) {
    Recordset rows = connection().openRecordset(columnsStatement(database, table));
    ColumnInfoList result;
    for (; !rows.eof(); rows.moveNext()) {
        ColumnInfo column = columnAt(rows, 0);
        column.primaryKey = flag(rows, 5);
        result.append(column);
    }
    // Every table has a column, so no rows means no such table.
    if (result.isEmpty())
        throw tableNotFound(database, table);
    return result;
}

SqlServerManager::CatalogObject SqlServerManager::lookUpUserTable(const QString& database,
                                                                  const QString& name) {
    std::optional<CatalogObject> found = findUserTable(database, name);
    if (!found)
        throw tableNotFound(database, name);
    return *found;
}

std::optional<SqlServerManager::CatalogObject>
SqlServerManager::findUserTable(const QString& database, const QString& name) {
    Recordset rows = connection().openRecordset(lookUpStatement(database, name));
    if (rows.eof())
        return std::nullopt;
    return CatalogObject{sqlserver::SqlServerIdentifier::tableName(text(rows, 0), text(rows, 1)),
                         flag(rows, 2)};
}

void SqlServerManager::runBatch(const QString& database, const QString& text) {
    IConnection& server = connection();
    // USE goes as a batch of its own: CREATE TRIGGER must open the batch it is in.
    server.execute(QStringLiteral("USE ") + sqlserver::SqlServerIdentifier::bracket(database));
    server.execute(text);
}

QString SqlServerManager::databasesStatement() {
    return QStringLiteral("SELECT name, CAST(is_distributor AS int) AS is_distributor "
                          "FROM sys.databases ORDER BY database_id");
}

// The catalogue is read from INFORMATION_SCHEMA: it keeps names in the case they were created
// with on every engine (sys.* lower-cases them on some), so audit objects and messages carry
// the user's spelling. Names are compared with the server's own collation.
// Written once for the server, so a lookup compares with the very name the listing gave.
QString SqlServerManager::tableNameSql(const QString& alias) {
    return QStringLiteral("CASE WHEN %1.TABLE_SCHEMA = N'dbo' THEN %1.TABLE_NAME "
                          "ELSE %1.TABLE_SCHEMA + N'.' + %1.TABLE_NAME END")
        .arg(alias);
}

ColumnInfo SqlServerManager::columnAt(const Recordset& rows, int first) {
    ColumnInfo column;
    column.name = text(rows, first);
    column.type = text(rows, first + 1).toLower();
    column.length = number(rows, first + 2);
    column.precision = static_cast<int>(number(rows, first + 3));
    column.scale = static_cast<int>(number(rows, first + 4));
    return column;
}

QString SqlServerManager::tablesStatement(const QString& database) {
    return tablesFrom(database) + QStringLiteral(" ORDER BY it.TABLE_SCHEMA, it.TABLE_NAME");
}

QString SqlServerManager::columnsStatement(const QString& database, const QString& table) {
    const QString db = sqlserver::SqlServerIdentifier::bracket(database);
    // The length counts characters (-1 for max); an alias type reports the system type it is
    // based on; date and time types carry their fractional digits as the scale.
    return QStringLiteral(
               "SELECT c.COLUMN_NAME, c.DATA_TYPE, COALESCE(c.CHARACTER_MAXIMUM_LENGTH, 0), "
               "COALESCE(c.NUMERIC_PRECISION, 0), COALESCE(c.NUMERIC_SCALE, "
               "c.DATETIME_PRECISION, 0), "
               "CASE WHEN EXISTS (SELECT 1 FROM %1.INFORMATION_SCHEMA.TABLE_CONSTRAINTS AS tc "
               "JOIN %1.INFORMATION_SCHEMA.KEY_COLUMN_USAGE AS k "
               "ON k.CONSTRAINT_SCHEMA = tc.CONSTRAINT_SCHEMA "
               "AND k.CONSTRAINT_NAME = tc.CONSTRAINT_NAME "
               "WHERE tc.CONSTRAINT_TYPE = 'PRIMARY KEY' AND tc.TABLE_SCHEMA = c.TABLE_SCHEMA "
               "AND tc.TABLE_NAME = c.TABLE_NAME AND k.COLUMN_NAME = c.COLUMN_NAME) "
               "THEN 1 ELSE 0 END AS primary_key "
               "FROM %1.INFORMATION_SCHEMA.COLUMNS AS c "
               "WHERE %2 = %3 "
               "ORDER BY c.ORDINAL_POSITION")
        .arg(db, tableNameSql(QStringLiteral("c")),
             sqlserver::SqlServerIdentifier::unicodeLiteral(table));
}

QString SqlServerManager::lookUpStatement(const QString& database, const QString& table) {
    return tablesFrom(database) + QStringLiteral(" AND ") + tableNameSql(QStringLiteral("it")) +
           QStringLiteral(" = ") + sqlserver::SqlServerIdentifier::unicodeLiteral(table);
}

QString SqlServerManager::triggerStateStatement(const QString& database, const QString& trigger) {
    return QStringLiteral("SELECT CAST(tr.is_disabled AS int) FROM %1.sys.triggers AS tr "
                          "WHERE tr.name = %2")
        .arg(sqlserver::SqlServerIdentifier::bracket(database),
             sqlserver::SqlServerIdentifier::unicodeLiteral(trigger));
}

SqlServerManager::TriggerState SqlServerManager::triggerState(const QString& database,
                                                              const QString& trigger) {
    Recordset rows = connection().openRecordset(triggerStateStatement(database, trigger));
    if (rows.eof())
        return TriggerState::Missing;
    return flag(rows, 0) ? TriggerState::Disabled : TriggerState::Enabled;
}

IConnection& SqlServerManager::connection() {
    if (!isConnected())
        throw DbException::single(QStringLiteral("No SQL Server is connected."),
                                  QStringLiteral("08003"));
    return *m_connection;
}

} // namespace quorvex
