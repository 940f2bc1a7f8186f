#include "components/SqlServerManager.h"

#include "components/ConnectionString.h"
#include "components/DbException.h"
#include "components/Recordset.h"

#include <QStringList>

namespace quorvex {

namespace {

// A login waits with a wait cursor: a server that does not answer should not hold it for
// minutes.
constexpr int loginTimeoutSeconds = 15;

// The name a table goes by: dbo tables by their bare name, any other as "schema.table".
// Written once for the server, so a lookup compares with the very name the listing gave.
const QString tableNameExpression =
    QStringLiteral("CASE WHEN s.name = N'dbo' THEN t.name ELSE s.name + N'.' + t.name END");

QString tableDisplayName(const QString& schema, const QString& table) {
    return schema == QLatin1String("dbo") ? table : schema + QLatin1Char('.') + table;
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

    std::unique_ptr<IConnection> connection = m_connections.createConnection();
    connection->setConnectionTimeout(loginTimeoutSeconds);
    if (!connection->open(connectionString(server, login, password))) {
        m_errors = connection->errors();
        return false;
    }
    m_connection = std::move(connection);
    m_server = server;
    return true;
}

bool SqlServerManager::isConnected() const {
    return m_connection && m_connection->state() == ConnectionState::Open;
}

QString SqlServerManager::connectionString(const QString& server, const QString& login,
                                           const QString& password) {
    return QStringLiteral("Provider=SQLOLEDB.1;Password=") + quoteProviderValue(password) +
           QStringLiteral(";Persist Security Info=True;User ID=") + quoteProviderValue(login) +
           QStringLiteral(";Initial Catalog=master;Data Source=") + quoteProviderValue(server);
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
        result.append({tableDisplayName(text(rows, 0), text(rows, 1)), flag(rows, 2)});
    return result;
}

ColumnInfoList SqlServerManager::columns(const QString& database, const QString& table) {
    Recordset rows = connection().openRecordset(columnsStatement(database, table));
    ColumnInfoList result;
    for (; !rows.eof(); rows.moveNext()) {
        ColumnInfo column;
        column.name = text(rows, 0);
        column.type = text(rows, 1).toLower();
        column.length = number(rows, 2);
        // The catalogue counts bytes; a Unicode character takes two. -1 stands for max.
        if ((column.type == QLatin1String("nchar") || column.type == QLatin1String("nvarchar")) &&
            column.length > 0)
            column.length /= 2;
        column.precision = static_cast<int>(number(rows, 3));
        column.scale = static_cast<int>(number(rows, 4));
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
    Recordset rows = connection().openRecordset(lookUpStatement(database, name));
    if (rows.eof())
        throw tableNotFound(database, name);
    return {tableDisplayName(text(rows, 0), text(rows, 1)), flag(rows, 2)};
}

void SqlServerManager::runBatch(const QString& database, const QString& text) {
    IConnection& server = connection();
    // USE goes as a batch of its own: CREATE TRIGGER must open the batch it is in.
    server.execute(QStringLiteral("USE ") + bracketName(database));
    server.execute(text);
}

QString SqlServerManager::bracketName(const QString& name) {
    QString inner = name;
    inner.replace(QLatin1Char(']'), QLatin1String("]]"));
    return QLatin1Char('[') + inner + QLatin1Char(']');
}

QString SqlServerManager::unicodeLiteral(const QString& value) {
    QString inner = value;
    inner.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1String("N'") + inner + QLatin1Char('\'');
}

QString SqlServerManager::databasesStatement() {
    return QStringLiteral("SELECT name, CAST(is_distributor AS int) AS is_distributor "
                          "FROM sys.databases ORDER BY database_id");
}

QString SqlServerManager::tablesStatement(const QString& database) {
    const QString db = bracketName(database);
    return QStringLiteral("SELECT s.name AS schema_name, t.name AS table_name, "
                          "CAST(t.is_ms_shipped AS int) AS is_ms_shipped "
                          "FROM %1.sys.tables AS t "
                          "JOIN %1.sys.schemas AS s ON s.schema_id = t.schema_id "
                          "ORDER BY s.name, t.name")
        .arg(db);
}

QString SqlServerManager::columnsStatement(const QString& database, const QString& table) {
    const QString db = bracketName(database);
    // An alias type reports the system type it is based on; a CLR type has no such base
    // and keeps its own name.
    return QStringLiteral(
               "SELECT c.name AS column_name, COALESCE(bt.name, ut.name) AS type_name, "
               "c.max_length, c.[precision], c.scale, "
               "CAST(CASE WHEN ic.column_id IS NULL THEN 0 ELSE 1 END AS int) AS primary_key "
               "FROM %1.sys.columns AS c "
               "JOIN %1.sys.tables AS t ON t.object_id = c.object_id "
               "JOIN %1.sys.schemas AS s ON s.schema_id = t.schema_id "
               "JOIN %1.sys.types AS ut ON ut.user_type_id = c.user_type_id "
               "LEFT JOIN %1.sys.types AS bt ON bt.user_type_id = c.system_type_id "
               "LEFT JOIN %1.sys.indexes AS pk "
               "ON pk.object_id = c.object_id AND pk.is_primary_key = 1 "
               "LEFT JOIN %1.sys.index_columns AS ic ON ic.object_id = pk.object_id "
               "AND ic.index_id = pk.index_id AND ic.column_id = c.column_id "
               "WHERE %2 = %3 "
               "ORDER BY c.column_id")
        .arg(db, tableNameExpression, unicodeLiteral(table));
}

QString SqlServerManager::lookUpStatement(const QString& database, const QString& table) {
    const QString db = bracketName(database);
    return QStringLiteral("SELECT s.name AS schema_name, t.name AS table_name, "
                          "CAST(t.is_ms_shipped AS int) AS is_ms_shipped "
                          "FROM %1.sys.tables AS t "
                          "JOIN %1.sys.schemas AS s ON s.schema_id = t.schema_id "
                          "WHERE %2 = %3")
        .arg(db, tableNameExpression, unicodeLiteral(table));
}

IConnection& SqlServerManager::connection() {
    if (!isConnected())
        throw DbException::single(QStringLiteral("No SQL Server is connected."),
                                  QStringLiteral("08003"));
    return *m_connection;
}

} // namespace quorvex
