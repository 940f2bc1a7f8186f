#pragma once

#include "sqlbase/SqlBaseLoginValues.h"

#include <QStringList>
#include <optional>

namespace quorvex {
class Grid;
struct PlatformServices;
} // namespace quorvex

namespace quorvex::sqlbase {

// "You pressed the panic button.  Do you want to erase all your audits?" CR LF "You will have
// to recreate all of them".
const QString& sqlBasePanicQuestion();
// The panic's last word when everything was removed, and when something could not be.
const QString& sqlBasePanicDoneMessage();
const QString& sqlBasePanicIncompleteMessage();

// The start of the SQLBase main window: creates the audit catalog when the database has none,
// else lists the installed audits, and returns the tables of SYSADM that can be audited (no
// SYS and no ZOTA tables), in the database's order. Empty when the start-up failed: the
// failure has been shown ("Loading " and the provider's message, or the connection report).
// A listing that stops at a broken audit has shown its message and does not stop the start.
std::optional<QStringList> startSqlBaseMainWindow(Grid& installedAudits, PlatformServices& services,
                                                  const SqlBaseLoginValues& login);

// The close of the SQLBase main window: reaches the database once more, so a database gone
// away is reported before the window goes.
void shutDownSqlBaseMainWindow(PlatformServices& services, const SqlBaseLoginValues& login);

// The hidden Panic button: after Yes, removes every ZOTA object from the database, says so (or
// that something could not be removed, after showing what failed) and ends the program without
// any window's closing work. No changes nothing.
void panicSqlBase(PlatformServices& services, const SqlBaseLoginValues& login);

} // namespace quorvex::sqlbase
