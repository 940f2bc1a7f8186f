#pragma once

#include "shell/BackendLaunchers.h"
#include "sqlbase/SqlBaseLoginValues.h"
#include "sqlserver/SqlServerLoginWindow.h"

#include <memory>

namespace quorvex {

class AuditBackend;
class SqlServerSession;

// What the chosen back end keeps for the rest of the run: its session or login values and the
// back end behind the main window. Owned by main(), so it outlives every window.
struct BackendState {
    BackendState();
    ~BackendState();

    std::unique_ptr<SqlServerSession> sqlServerSession;
    sqlbase::SqlBaseLoginValues sqlBaseLogin;
    std::unique_ptr<AuditBackend> backend;
};

// The launchers of the real login windows: each login opens the one main window over its
// back end. The SQL Server login lists servers with listServers (the network's in the
// program; a test's own list in tests).
BackendLaunchers makeBackendLaunchers(BackendState& state,
                                      SqlServerLoginWindow::ServerLister listServers);

} // namespace quorvex
