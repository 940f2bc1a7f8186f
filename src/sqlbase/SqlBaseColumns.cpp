#include "sqlbase/SqlBaseColumns.h"

#include "components/CursorType.h"
#include "sqlbase/SqlBaseLiteral.h"
#include "sqlbase/SqlBaseSession.h"

namespace quorvex::sqlbase {

namespace {

QString textOf(const Row& row, std::size_t index) {
    return cellText(row, index).trimmed();
}

} // namespace

QString sqlBaseColumnsQuery(const QString& table) {
    // Table names come from the catalogue; the literal keeps one with a quote from breaking
    // the query.
    return QStringLiteral("SELECT NAME, COLTYPE, LENGTH, SCALE FROM SYSCOLUMNS WHERE TBNAME = ") +
           sqlBaseStringLiteral(table);
}

ColumnInfoList readSqlBaseColumns(SqlBaseSession& session, const QString& table) {
    ColumnInfoList columns;
    const QueryRows rows = session.read(sqlBaseColumnsQuery(table), CursorType::Keyset);
    for (const Row& row : rows.rows) {
        ColumnInfo column;
        // CHAR columns of the catalogue come padded with blanks.
        column.name = textOf(row, 0);
        column.type = textOf(row, 1);
        column.length = textOf(row, 2).toLongLong();
        column.scale = textOf(row, 3).toInt();
        columns.append(column);
    }
    return columns;
}

} // namespace quorvex::sqlbase
