#pragma once

#include "mainwindow/ColumnInfo.h"

#include <QString>
#include <optional>

namespace quorvex::sqlbase {

// How a SYSCOLUMNS type name (COLTYPE, compared exactly) turns into an audit-table column and
// into a parameter of the audit procedure.

// One column definition of an audit table, ending in a comma and without a blank after it, so
// definitions follow each other directly ("ORDNO INTEGER,CITY VARCHAR(30),"). `nameToUse` is
// the column's own name, or the name of the column that keeps its old value.
QString sqlBaseAuditColumnDefinition(const ColumnInfo& column, const QString& nameToUse);

// "String", "Number" or "Date/Time"; nothing for a type the procedure cannot receive (TIME,
// say): such a column gets its audit-table column, which then stays empty.
std::optional<QString> sqlBaseProcedureParameterType(const QString& type);

// Long data cannot be passed through a trigger, so such columns cannot be audited at all.
bool isRefusedSqlBaseColumnType(const QString& type);

} // namespace quorvex::sqlbase
