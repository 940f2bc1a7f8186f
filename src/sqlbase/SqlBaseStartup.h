#pragma once

#include "mainwindow/AuditBackend.h"
#include "sqlbase/SqlBaseLoginValues.h"

#include <QString>
#include <optional>

namespace quorvex {
class IConnectionFactory;
class MessageService;
} // namespace quorvex

namespace quorvex::sqlbase {

class SqlBaseSession;

// "You pressed the panic button.  Do you want to erase all your audits?" CR LF "You will have
// to recreate all of them".
const QString& sqlBasePanicQuestion();
// The panic's last word when everything was removed, and when something could not be.
const QString& sqlBasePanicDoneMessage();
const QString& sqlBasePanicIncompleteMessage();

// The start of the SQLBase main window on the operation's connection: creates the audit
// catalog when the database has none, else lists the installed audits, then reads the tables
// of SYSADM that can be audited (no SYS and no ZOTA tables), in the database's order. Empty when
// the start-up failed (told: "Loading " and the provider's message, or the creation's message)
// or was cancelled (nothing told). A listing that stops at a broken audit has told its message
// and does not stop the start.
std::optional<AuditBackend::Loaded> startSqlBaseMainWindow(SqlBaseSession& session);

// The close of the SQLBase main window: reaches the database once more, so a database gone
// away is reported before the window goes.
void shutDownSqlBaseMainWindow(IConnectionFactory& connections, const SqlBaseLoginValues& login,
                               MessageService& messages);

} // namespace quorvex::sqlbase
