#pragma once

#include "mainwindow/AuditBackend.h"
#include "mainwindow/AuditDefinition.h"
#include "sqlbase/SqlBaseLoginValues.h"

#include <QString>

namespace quorvex {
struct PlatformServices;
}

namespace quorvex::sqlbase {

// "You already have an Audit with that name.  Please enter another name."
const QString& duplicateSqlBaseAuditMessage();

// GO on either tab of the SQLBase main window, on one connection of its own: checks the name
// and description (their characters, and whether the catalog and the object names can hold
// them), asks the catalog whether the name is taken, and when the tab holds a table,
// a column and a name, installs the audit (catalog row, table, synonym, procedure, trigger).
// An incomplete tab ends the press without a message. Every other refusal or failure is shown;
// when a statement fails part-way, what the save already created is removed again, so nothing
// is left half-installed.
SaveResult saveSqlBaseAudit(const AuditDefinition& definition, PlatformServices& services,
                            const SqlBaseLoginValues& login);

} // namespace quorvex::sqlbase
