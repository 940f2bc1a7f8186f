#pragma once

#include "mainwindow/AuditDrift.h"

#include <QString>
#include <QStringList>

namespace quorvex::sqlserver {

// How SQL Server audit tables are built: a copy per chosen column (named as the column),
// "old" + name for a kept old value, then the audit's own columns AuditDate and UserName (and
// LoginName, HostName and AppName when the audit records who made the change).
const AuditTableRules& sqlServerAuditTableRules();

// The audited table's columns a trigger's text reads: every "inserted.", "deleted.", "ins."
// and "del." column and every UPDATE() test, once each, in the order first met. Quoted texts
// and comments are skipped. SQL Server hides the text of the triggers it encrypts, so this is
// known only where the text can be read (Babelfish).
QStringList sqlServerTriggerColumns(const QString& triggerText);

} // namespace quorvex::sqlserver
