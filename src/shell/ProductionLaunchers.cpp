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

// The viewer and the export window as the installed-audits tab opens them.
class DataWindowViews : public AuditViews {
public:
    explicit DataWindowViews(std::unique_ptr<AuditDataWindows> windows)
        : m_windows(std::move(windows)) {}

    void view(const Grid& installedAudits) override { m_windows->view(installedAudits); }
    void openExport(Grid& installedAudits) override { m_windows->openExport(installedAudits); }
    void releaseAudit(const QString& auditName, std::function<void()> ready) override {
        m_windows->releaseAudit(auditName, std::move(ready));
    }
    void setAuditsChanged(std::function<void()> changed) override {
        m_windows->setAuditsChanged(std::move(changed));
    }

private:
    std::unique_ptr<AuditDataWindows> m_windows;
};

// The viewer and the export window open as children of the frame.
WindowPresenter presentIn(MainFrame& frame) {
    return [&frame](QWidget& window) { frame.addChild(&window); };
}

// Runs the back end's start-up as an operation of the login window; once it has the tables and
// the installed audits, the main window opens over them in the frame.
MainWindowOpener mainWindowOpener(MainFrame& frame, BackendState& state,
                                  std::function<std::shared_ptr<AuditBackend>()> makeBackend,
                                  std::function<std::unique_ptr<AuditViews>()> makeViews) {
    return [&frame, &state, makeBackend, makeViews](WindowOperation& operation,
                                                    std::function<void(bool)> then) {
        std::shared_ptr<AuditBackend> backend = makeBackend();
        auto log = std::make_shared<MessageLog>();
        auto loaded = std::make_shared<std::optional<AuditBackend::Loaded>>();
        MessageService* messages = &frame.services().messages;
        const bool started = operation.run(
            QCoreApplication::translate("ProductionLaunchers", "Opening the database"),
            [backend, log, loaded](TaskContext& task) { *loaded = backend->load(*log, task); },
            [&frame, &state, backend, log, loaded, messages, makeViews, then] {
                log->replay(*messages);
                if (!*loaded) {
                    then(false);
                    return;
                }
                state.backend = backend;
                state.views = makeViews();
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
                [&state, &frame, &services]() -> std::unique_ptr<AuditViews> {
                    // The viewer and the export window read with connections of their own,
                    // from the login values as they are now.
                    return std::make_unique<DataWindowViews>(std::make_unique<AuditDataWindows>(
                        std::make_shared<SqlServerAuditData>(services.connections,
                                                             state.sqlServerLogin),
                        services, presentIn(frame)));
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
                [&state, &frame, &services]() -> std::unique_ptr<AuditViews> {
                    // Called on workers: the opener keeps its own copy of the login values.
                    const sqlbase::SqlBaseLoginValues login = state.sqlBaseLogin;
                    IConnectionFactory* connections = &services.connections;
                    return std::make_unique<DataWindowViews>(std::make_unique<AuditDataWindows>(
                        std::make_shared<SqlBaseAuditData>(
                            [connections, login](MessageService& messages) {
                                return sqlbase::connectToSqlBase(*connections, login, messages);
                            }),
                        services, presentIn(frame)));
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
                [&state, &frame, &services]() -> std::unique_ptr<AuditViews> {
                    return std::make_unique<DataWindowViews>(std::make_unique<AuditDataWindows>(
                        std::make_shared<sqlite::SqliteAuditData>(services.connections,
                                                                  state.sqliteFile),
                        services, presentIn(frame)));
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
