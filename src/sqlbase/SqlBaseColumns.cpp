#include "sqlbase/SqlBaseColumns.h"

#include "components/IConnection.h"
#include "sqlbase/SqlBaseLiteral.h"

namespace quorvex::sqlbase {

namespace {

QString textOf(const FieldValue& value) {
    return value.value_or(QString()).trimmed();
}

} // namespace

QString sqlBaseColumnsQuery(const QString& table) {
    // Table names come from the catalogue; the literal keeps one with a quote from breaking
    // the query.
    return QStringLiteral("SELECT NAME, COLTYPE, LENGTH, SCALE FROM SYSCOLUMNS WHERE TBNAME = ") +
           sqlBaseStringLiteral(table);
}

ColumnInfoList readSqlBaseColumns(IConnection& connection, const QString& table) {
    ColumnInfoList columns;
    Recordset rows = connection.openRecordset(sqlBaseColumnsQuery(table), CursorType::Keyset);
    while (!rows.eof()) {
        ColumnInfo column;
        // CHAR columns of the catalogue come padded with blanks.
        column.name = textOf(rows.value(0));
        column.type = textOf(rows.value(1));
        column.length = textOf(rows.value(2)).toLongLong();
        column.scale = textOf(rows.value(3)).toInt();
        columns.append(column);
        rows.moveNext();
    }
    return columns;
}

} // namespace quorvex::sqlbase
