#pragma once

#include "mainwindow/AuditDrift.h"

namespace quorvex::sqlbase {

// How SQLBase audit tables are built: a copy per chosen column (named as the column), the
// column's name followed by "O" for a kept old value (sqlBaseOldValueName), then the audit's
// own columns DATE and USERID (and LOGINNAME, HOSTNAME and APPNAME when the audit records who
// made the change). A copy's definition is the one the install gives a column of its
// catalogue type, length and scale.
const AuditTableRules& sqlBaseAuditTableRules();

} // namespace quorvex::sqlbase
