#include "shell/ProductionLaunchers.h"

#include "auditdata/AuditDataWindows.h"
#include "auditdata/SqlBaseAuditData.h"
#include "auditdata/SqlServerAuditData.h"
#include "components/MessageLog.h"
#include "components/PlatformServices.h"
#include "components/WindowOperation.h"
#include "mainwindow/AuditMainWindow.h"
#include "mainwindow/AuditViews.h"
#include "shell/MainFrame.h"
#include "sqlbase/SqlBaseBackend.h"
#include "sqlbase/SqlBaseConnection.h"
#include "sqlbase/SqlBaseLoginWindow.h"
#include "sqlite/QtSqliteFileDialogs.h"
#include "sqlite/SqliteAuditData.h"
#include "sqlite/SqliteBackend.h"
#include "sqlite/SqliteLoginWindow.h"
#include "sqlite/SqliteSample.h"
#include "sqlserver/SqlServerBackend.h"
#include "sqlserver/SqlServerSession.h"

#include <QCoreApplication>
#include <QLineEdit>

namespace quorvex {

BackendState::BackendState()
    : sqliteFileDialogs(std::make_unique<sqlite::QtSqliteFileDialogs>()),
      sqliteSampleFile(sqlite::SqliteSample::defaultFile()) {}
BackendState::~BackendState() = default;

namespace {

// Runs the back end's start-up as an operation of the login window; once it has the tables and
// the installed audits, the main window opens over them in the frame, with the viewer and the
// export window reading from the data source `makeSource` gives (as children of the frame).
MainWindowOpener mainWindowOpener(MainFrame& frame, BackendState& state,
                                  std::function<std::shared_ptr<AuditBackend>()> makeBackend,
                                  std::function<std::shared_ptr<AuditDataSource>()> makeSource) {
    return [&frame, &state, makeBackend, makeSource](WindowOperation& operation,
                                                     std::function<void(bool)> then) {
        std::shared_ptr<AuditBackend> backend = makeBackend();
        auto log = std::make_shared<MessageLog>();
        auto loaded = std::make_shared<std::optional<AuditBackend::Loaded>>();
        MessageService* messages = &frame.services().messages;
        const bool started = operation.run(
            QCoreApplication::translate("ProductionLaunchers", "Opening the database"),
            [backend, log, loaded](TaskContext& task) { *loaded = backend->load(*log, task); },
            [&frame, &state, backend, log, loaded, messages, makeSource, then] {
                log->replay(*messages);
                if (!*loaded) {
                    then(false);
                    return;
                }
                state.backend = backend;
                state.views = std::make_unique<AuditDataWindows>(
                    makeSource(), frame.services(),
                    [&frame](QWidget& window) { frame.addChild(&window); });
                auto* window = new AuditMainWindow(backend, frame.services(), state.views.get());
                window->present(**loaded);
                frame.addChild(window);
                frame.hideSelectionWindow();
                then(true);
            });
        if (!started)
            then(false);
    };
}

} // namespace

BackendLaunchers makeBackendLaunchers(BackendState& state,
                                      SqlServerLoginWindow::ServerLister listServers) {
    BackendLaunchers launchers;
    launchers.sqlServerLogin = [&state, listServers](MainFrame& frame) -> QWidget* {
        PlatformServices& services = frame.services();
        return new SqlServerLoginWindow(
            state.sqlServerLogin, services, listServers,
            mainWindowOpener(
                frame, state,
                [&state, &services] {
                    return std::make_shared<SqlServerBackend>(services.connections,
                                                              state.sqlServerLogin);
                },
                [&state, &services]() -> std::shared_ptr<AuditDataSource> {
                    // The viewer and the export window read with connections of their own,
                    // from the login values as they are now.
                    return std::make_shared<SqlServerAuditData>(services.connections,
                                                                state.sqlServerLogin);
                }),
            [&frame] { frame.hideSelectionWindow(); });
    };
    launchers.sqlBaseLogin = [&state](MainFrame& frame) -> QWidget* {
        PlatformServices& services = frame.services();
        return new sqlbase::SqlBaseLoginWindow(
            services, state.sqlBaseLogin,
            mainWindowOpener(
                frame, state,
                [&state, &services] {
                    return std::make_shared<sqlbase::SqlBaseBackend>(services.connections,
                                                                     state.sqlBaseLogin);
                },
                [&state, &services]() -> std::shared_ptr<AuditDataSource> {
                    // Called on workers: the opener keeps its own copy of the login values.
                    const sqlbase::SqlBaseLoginValues login = state.sqlBaseLogin;
                    IConnectionFactory* connections = &services.connections;
                    return std::make_shared<SqlBaseAuditData>(
                        [connections, login](MessageService& messages) {
                            return sqlbase::connectToSqlBase(*connections, login, messages);
                        });
                }));
    };
    launchers.sqliteLogin = [&state](MainFrame& frame) -> QWidget* {
        PlatformServices& services = frame.services();
        return new sqlite::SqliteLoginWindow(
            services, state.sqliteFile, *state.sqliteFileDialogs, state.sqliteSampleFile,
            mainWindowOpener(
                frame, state,
                [&state, &services] {
                    return std::make_shared<sqlite::SqliteBackend>(services.connections,
                                                                   state.sqliteFile);
                },
                [&state, &services]() -> std::shared_ptr<AuditDataSource> {
                    return std::make_shared<sqlite::SqliteAuditData>(services.connections,
                                                                     state.sqliteFile);
                }));
    };
    return launchers;
}

void startWithSqlite(MainFrame& frame, SqliteStart start, const QString& file) {
    frame.chooseBackend(BackendChoice::Sqlite);
    auto* login = frame.findChild<sqlite::SqliteLoginWindow*>();
    if (login == nullptr)
        return;
    if (start == SqliteStart::Sample) {
        login->openSample();
        return;
    }
    login->fileBox()->setText(file);
    login->openDatabase();
}

} // namespace quorvex
