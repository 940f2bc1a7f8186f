#pragma once

#include "mainwindow/AuditBackend.h"
#include "mainwindow/AuditDefinition.h"

namespace quorvex {
class CancelToken;
class IConnection;
class MessageService;
} // namespace quorvex

namespace quorvex::sqlite {

// GO on either tab of the SQLite main window: checks the entries, makes sure the name is free,
// reads the table's columns as they are now, and installs the audit table, the trigger and the
// catalog row in one transaction. Every outcome is told through messages; a failure or a
// cancel (through the token, which the caller has watching the connection) leaves nothing
// behind.
SaveResult saveSqliteAudit(const AuditDefinition& definition, IConnection& connection,
                           MessageService& messages, CancelToken* cancel = nullptr);

} // namespace quorvex::sqlite
