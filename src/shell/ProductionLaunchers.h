#pragma once

#include "shell/BackendLaunchers.h"
#include "sqlbase/SqlBaseLoginValues.h"
#include "sqlserver/SqlServerLoginValues.h"
#include "sqlserver/SqlServerLoginWindow.h"

#include <QString>
#include <memory>

namespace quorvex {

class AuditBackend;
class AuditViews;
class MainFrame;

namespace sqlite {
class SqliteFileDialogs;
}

// What the chosen back end keeps for the rest of the run: its login values, the back end behind
// the main window and the windows of the audits' rows. Owned by main(), so it outlives every
// window.
struct BackendState {
    BackendState();
    ~BackendState();

    SqlServerLoginValues sqlServerLogin;
    sqlbase::SqlBaseLoginValues sqlBaseLogin;
    // SQLite: the database file, how the login window asks for one (the desktop's dialogs
    // unless a test puts its own), and where the sample is made (the user's data folder).
    QString sqliteFile;
    std::unique_ptr<sqlite::SqliteFileDialogs> sqliteFileDialogs;
    QString sqliteSampleFile;
    std::shared_ptr<AuditBackend> backend;
    std::unique_ptr<AuditViews> views;
};

// The launchers of the real login windows: each login opens the one main window over its
// back end. The SQL Server login lists servers with listServers (the network's in the
// program; a test's own list in tests).
BackendLaunchers makeBackendLaunchers(BackendState& state,
                                      SqlServerLoginWindow::ServerLister listServers);

// A start that names a SQLite database on the command line: the SQLite login window opens in
// place of the choice, and then the main window on the file (quorvex --sqlite FILE), or on the
// sample, made first when there is none (quorvex --sqlite-sample). Should the file not open, the
// login window stays and says why.
enum class SqliteStart { File, Sample };
void startWithSqlite(MainFrame& frame, SqliteStart start, const QString& file = {});

} // namespace quorvex
