#include "shell/ProductionLaunchers.h"

#include "auditdata/AuditDataWindows.h"
#include "auditdata/SqlBaseAuditData.h"
#include "auditdata/SqlServerAuditData.h"
#include "components/PlatformServices.h"
#include "mainwindow/AuditMainWindow.h"
#include "shell/MainFrame.h"
#include "sqlbase/SqlBaseBackend.h"
#include "sqlbase/SqlBaseConnection.h"
#include "sqlbase/SqlBaseLoginWindow.h"
#include "sqlserver/SqlServerBackend.h"
#include "sqlserver/SqlServerSession.h"

namespace quorvex {

BackendState::BackendState() = default;
BackendState::~BackendState() = default;

namespace {

// Makes the main window over the back end and shows it in the frame. A window whose start-up
// failed (already reported) is thrown away without closing it: closing would run the back
// end's shutdown for a window that never opened.
bool openMainWindow(MainFrame& frame, BackendState& state, std::unique_ptr<AuditBackend> backend) {
    state.backend = std::move(backend);
    auto* window = new AuditMainWindow(*state.backend, frame.services());
    if (!window->start()) {
        delete window;
        return false;
    }
    frame.addChild(window);
    frame.hideSelectionWindow();
    return true;
}

// The viewer and the export window open as children of the frame.
WindowPresenter presentIn(MainFrame& frame) {
    return [&frame](QWidget& window) { frame.addChild(&window); };
}

} // namespace

BackendLaunchers makeBackendLaunchers(BackendState& state,
                                      SqlServerLoginWindow::ServerLister listServers) {
    BackendLaunchers launchers;
    launchers.sqlServerLogin = [&state, listServers](MainFrame& frame) -> QWidget* {
        if (!state.sqlServerSession)
            state.sqlServerSession =
                std::make_unique<SqlServerSession>(frame.services().connections);
        SqlServerSession& session = *state.sqlServerSession;
        return new SqlServerLoginWindow(
            session, frame.services(), listServers,
            [&frame, &state, &session] {
                auto backend = std::make_unique<SqlServerBackend>(session, frame.services());
                backend->setAuditDataWindows(std::make_unique<AuditDataWindows>(
                    std::make_unique<SqlServerAuditData>(session, frame.services().messages),
                    frame.services(), presentIn(frame)));
                return openMainWindow(frame, state, std::move(backend));
            },
            [&frame] { frame.hideSelectionWindow(); });
    };
    launchers.sqlBaseLogin = [&state](MainFrame& frame) -> QWidget* {
        return new sqlbase::SqlBaseLoginWindow(
            frame.services(), state.sqlBaseLogin, [&frame, &state] {
                auto backend =
                    std::make_unique<sqlbase::SqlBaseBackend>(frame.services(), state.sqlBaseLogin);
                sqlbase::SqlBaseBackend* sqlBase = backend.get();
                PlatformServices& services = frame.services();
                const sqlbase::SqlBaseLoginValues& login = state.sqlBaseLogin;
                backend->setAuditDataWindows(std::make_unique<AuditDataWindows>(
                    std::make_unique<SqlBaseAuditData>(
                        [&services, &login] {
                            return sqlbase::connectToSqlBase(services.connections, login,
                                                             services.messages);
                        },
                        [sqlBase](Grid& installedAudits) { sqlBase->listAudits(installedAudits); }),
                    services, presentIn(frame)));
                return openMainWindow(frame, state, std::move(backend));
            });
    };
    return launchers;
}

} // namespace quorvex
