#pragma once

#include "components/StatementChain.h"
#include "mainwindow/AuditBackend.h"
#include "mainwindow/AuditDefinition.h"

#include <QString>
#include <QStringList>

namespace quorvex::sqlbase {

class SqlBaseSession;

// "You already have an Audit with that name.  Please enter another name."
const QString& duplicateSqlBaseAuditMessage();

// The install of an audit as a chain: the eight generated statements (catalog row, table,
// COMMIT, synonym, COMMIT, procedure, trigger, COMMIT), each with what takes it back. On the
// first failure everything done is taken back, newest first, whatever cannot be; then COMMIT.
StatementChain sqlBaseInstallChain(const QStringList& statements, const QString& objectName);

// GO on either tab of the SQLBase main window, on the connection of the operation: checks the
// name and description (their characters, and whether the catalog and the object names can
// hold them), asks the catalog whether the name is taken, and when the tab holds a table, a
// column and a name, installs the audit (catalog row, table, synonym, procedure, trigger). An
// incomplete tab ends the press without a message. Every other refusal or failure is told;
// when a statement fails part-way, or the user cancels, what the save already created is
// removed again, so nothing is left half-installed.
SaveResult saveSqlBaseAudit(const AuditDefinition& definition, SqlBaseSession& session);

} // namespace quorvex::sqlbase
