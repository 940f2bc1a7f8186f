#include "shell/ProductionLaunchers.h"

#include "auditdata/AuditDataWindows.h"
#include "auditdata/SqlBaseAuditData.h"
#include "auditdata/SqlServerAuditData.h"
#include "components/Grid.h"
#include "components/PlatformServices.h"
#include "mainwindow/AuditMainWindow.h"
#include "mainwindow/InstalledAuditsTab.h"
#include "shell/MainFrame.h"
#include "sqlbase/SqlBaseBackend.h"
#include "sqlbase/SqlBaseConnection.h"
#include "sqlbase/SqlBaseLoginWindow.h"
#include "sqlserver/SqlServerBackend.h"
#include "sqlserver/SqlServerSession.h"

#include <QPointer>

namespace quorvex {

BackendState::BackendState() = default;
BackendState::~BackendState() = default;

namespace {

// Makes the main window over the back end and shows it in the frame. A window whose start-up
// failed (already reported) is thrown away without closing it: closing would run the back
// end's shutdown for a window that never opened.
AuditMainWindow* openMainWindow(MainFrame& frame, BackendState& state,
                                std::unique_ptr<AuditBackend> backend) {
    state.backend = std::move(backend);
    auto* window = new AuditMainWindow(*state.backend, frame.services());
    if (!window->start()) {
        delete window;
        return nullptr;
    }
    frame.addChild(window);
    frame.hideSelectionWindow();
    return window;
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
                    std::make_shared<SqlServerAuditData>(frame.services().connections,
                                                         session.login()),
                    frame.services(), presentIn(frame)));
                return openMainWindow(frame, state, std::move(backend)) != nullptr;
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
                // The workers read the login values as they were when the window opened.
                auto dataWindows = std::make_unique<AuditDataWindows>(
                    std::make_shared<SqlBaseAuditData>(
                        [&connections = services.connections,
                         login = state.sqlBaseLogin](MessageService& messages) {
                            return sqlbase::connectToSqlBase(connections, login, messages);
                        }),
                    services, presentIn(frame));
                AuditDataWindows* windows = dataWindows.get();
                backend->setAuditDataWindows(std::move(dataWindows));
                AuditMainWindow* window = openMainWindow(frame, state, std::move(backend));
                if (window == nullptr)
                    return false;
                // The list's record counts change with a purge.
                QPointer<Grid> installed = &window->installedAuditsTab()->installedAudits();
                windows->setAuditsChanged([sqlBase, installed] {
                    if (installed)
                        sqlBase->listAudits(*installed);
                });
                return true;
            });
    };
    return launchers;
}

} // namespace quorvex
