#pragma once

#include "mainwindow/ColumnInfo.h"

#include <QString>

namespace quorvex::sqlbase {

class SqlBaseSession;

// "SELECT NAME, COLTYPE, LENGTH, SCALE FROM SYSCOLUMNS WHERE TBNAME = '<table>'".
QString sqlBaseColumnsQuery(const QString& table);

// The table's SYSCOLUMNS rows in the catalogue's own order, the order in which the main window
// lists the columns. A read of the catalogue: it gives up after the query time-out and a cancel
// ends it. Throws DbException with the provider's messages.
ColumnInfoList readSqlBaseColumns(SqlBaseSession& session, const QString& table);

} // namespace quorvex::sqlbase
