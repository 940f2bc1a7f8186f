#pragma once

#include "mainwindow/ColumnInfo.h"

#include <QString>

namespace quorvex {
class IConnection;
}

namespace quorvex::sqlbase {

// "SELECT NAME, COLTYPE, LENGTH, SCALE FROM SYSCOLUMNS WHERE TBNAME = '<table>'".
QString sqlBaseColumnsQuery(const QString& table);

// The table's SYSCOLUMNS rows in the catalogue's own order, the order in which the main window
// lists the columns. Throws DbException with the provider's messages.
ColumnInfoList readSqlBaseColumns(IConnection& connection, const QString& table);

} // namespace quorvex::sqlbase
