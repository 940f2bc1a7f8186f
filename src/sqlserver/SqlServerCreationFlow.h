#pragma once

#include "components/StatementChain.h"
#include "mainwindow/AuditBackend.h"
#include "mainwindow/AuditDefinition.h"

namespace quorvex {

class CancelToken;
class MessageService;
class SqlServerSession;

// GO on either tab of the SQL Server main window: checks the entries, makes sure the name is
// free and that the catalog can keep the table's name unchanged, installs the audit table and the
// trigger, records the audit in the catalog. Every outcome is shown through messages; nothing is
// left half-installed: a cancel (through the token, between statements or of the statement that
// runs) takes back what was done. `progress` hears of each install statement that ran.
SaveResult saveSqlServerAudit(const AuditDefinition& definition, SqlServerSession& session,
                              MessageService& messages, CancelToken* cancel = nullptr,
                              StatementChain::Progress progress = {});

} // namespace quorvex
