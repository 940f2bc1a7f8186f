#pragma once

#include "mainwindow/AuditDrift.h"
#include "mainwindow/AuditState.h"

#include <QString>

namespace quorvex {
class IConnection;
}

namespace quorvex::sqlite {

// How a SQLite audit table copies its columns: the declared type, as written at install.
const AuditTableRules& sqliteAuditTableRules();

// What became of one SQLite audit (see auditStateOf), from the audited table the catalog names,
// the two tables' columns and the trigger's text (SQLite keeps it readable). A disabled audit
// has no trigger on purpose (its text waits in the catalog), so it is looked at through that
// kept text instead. Throws DbException.
AuditCheck readSqliteAuditCheck(IConnection& connection, const QString& auditName,
                                const QString& auditedTable, bool enabled);

// The audited table's columns a trigger's text reads: every NEW."x" and OLD."x".
QStringList sqliteTriggerColumns(const QString& triggerText);

} // namespace quorvex::sqlite
