#pragma once

#include "mainwindow/AuditState.h"

#include <QString>

namespace quorvex::sqlbase {

class SqlBaseSession;

// What became of one SQLBase audit (see auditStateOf), read on an operation's session: its
// trigger in systriggers, which names the audited table, then the SYSCOLUMNS rows of that table
// and of the audit table. The audit catalog does not name the audited table, so an audit
// without its trigger is "trigger missing" even when its table went too (dropping a table
// drops its triggers). The columns the trigger reads besides the copies (changed fields) are
// not looked at: conditions may name only copied columns. Throws DbException.
AuditCheck readSqlBaseAuditCheck(SqlBaseSession& session, const QString& objectName);

// "Select TBNAME from systriggers where name = '<objectName>'"
QString sqlBaseAuditTriggerQuery(const QString& objectName);

} // namespace quorvex::sqlbase
