#pragma once

#include "shell/BackendLaunchers.h"
#include "sqlbase/SqlBaseLoginValues.h"
#include "sqlserver/SqlServerLoginValues.h"
#include "sqlserver/SqlServerLoginWindow.h"

#include <memory>

namespace quorvex {

class AuditBackend;
class AuditViews;

// What the chosen back end keeps for the rest of the run: its login values, the back end behind
// the main window and the windows of the audits' rows. Owned by main(), so it outlives every
// window.
struct BackendState {
    BackendState();
    ~BackendState();

    SqlServerLoginValues sqlServerLogin;
    sqlbase::SqlBaseLoginValues sqlBaseLogin;
    std::shared_ptr<AuditBackend> backend;
    std::unique_ptr<AuditViews> views;
};

// The launchers of the real login windows: each login opens the one main window over its
// back end. The SQL Server login lists servers with listServers (the network's in the
// program; a test's own list in tests).
BackendLaunchers makeBackendLaunchers(BackendState& state,
                                      SqlServerLoginWindow::ServerLister listServers);

} // namespace quorvex
