#include "sqlite/SqliteSchema.h"

#include "components/IConnection.h"
#include "components/Recordset.h"
#include "sqlite/SqliteIdentifier.h"

namespace quorvex::sqlite {

namespace {

QString text(const Recordset& rows, int column) {
    return rows.value(column).value_or(QString());
}

// The row of sqlite_master that holds an object, its name compared as SQLite compares names.
QString objectQuery(const QString& column, const QString& type, const QString& name) {
    return QStringLiteral("SELECT ") + column +
           QStringLiteral(" FROM sqlite_master WHERE type = ") + SqliteIdentifier::literal(type) +
           QStringLiteral(" AND name = ") + SqliteIdentifier::literal(name) +
           QStringLiteral(" COLLATE NOCASE");
}

} // namespace

QString SqliteSchema::tablesQuery() {
    // LIKE ignores the case of A to Z, as SQLite's names do; "_" is escaped, it would match
    // any one character.
    return QStringLiteral(
        "SELECT name FROM sqlite_master WHERE type = 'table' "
        "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' AND name NOT LIKE 'tblZOTA\\_%' ESCAPE '\\' "
        "AND sql NOT LIKE 'CREATE VIRTUAL TABLE%' ORDER BY name COLLATE NOCASE");
}

QString SqliteSchema::columnsQuery(const QString& table) {
    return QStringLiteral("SELECT name, type, pk FROM pragma_table_info(") +
           SqliteIdentifier::literal(table) + QStringLiteral(") ORDER BY cid");
}

QStringList SqliteSchema::tables(IConnection& connection) {
    QStringList names;
    for (Recordset rows = connection.openRecordset(tablesQuery()); !rows.eof(); rows.moveNext())
        names << text(rows, 0);
    return names;
}

ColumnInfoList SqliteSchema::columns(IConnection& connection, const QString& table) {
    ColumnInfoList columns;
    for (Recordset rows = connection.openRecordset(columnsQuery(table)); !rows.eof();
         rows.moveNext()) {
        ColumnInfo column;
        column.name = text(rows, 0);
        column.type = text(rows, 1);
        column.primaryKey = text(rows, 2).toInt() > 0;
        columns << column;
    }
    return columns;
}

std::optional<QString> SqliteSchema::triggerText(IConnection& connection, const QString& trigger) {
    Recordset rows = connection.openRecordset(
        objectQuery(QStringLiteral("sql"), QStringLiteral("trigger"), trigger));
    if (rows.eof())
        return std::nullopt;
    return text(rows, 0);
}

bool SqliteSchema::hasTable(IConnection& connection, const QString& table) {
    return !connection
                .openRecordset(objectQuery(QStringLiteral("name"), QStringLiteral("table"), table))
                .eof();
}

} // namespace quorvex::sqlite
