#include "components/BackgroundTask.h"
#include "components/OdbcConnectionFactory.h"
#include "components/PlatformServices.h"
#include "components/QtDesktopServices.h"
#include "components/QtMessageService.h"
#include "components/QtWorkingDirectory.h"
#include "components/StdProcessControl.h"
#include "shell/BackendLaunchers.h"
#include "shell/MainFrame.h"
#include "shell/ProductionLaunchers.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>

int main(int argc, char* argv[]) {
    using namespace quorvex;

    QApplication app(argc, argv);
    // Only the name: a display name would be appended to every window caption.
    QApplication::setApplicationName(applicationTitle());
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/shell/quorvex.png")));

    QtMessageService messages;
    StdProcessControl process;
    QtDesktopServices desktop;
    QtWorkingDirectory workingDirectory;
    OdbcConnectionFactory connections;
    PlatformServices services{messages, process, desktop, workingDirectory, connections};

    BackendState backendState;
    BackendLaunchers launchers =
        makeBackendLaunchers(backendState, SqlServerLoginWindow::networkServerLister());

    // quorvex --sqlite FILE opens the main window on a SQLite database file at once;
    // quorvex --sqlite-sample on the sample database (made first when there is none).
    QCommandLineParser options;
    options.setApplicationDescription(
        QStringLiteral("Installs, manages and reads audit trails on database tables."));
    options.addHelpOption();
    const QCommandLineOption sqliteFile(QStringLiteral("sqlite"),
                                        QStringLiteral("Open the SQLite database file FILE."),
                                        QStringLiteral("FILE"));
    const QCommandLineOption sqliteSample(
        QStringLiteral("sqlite-sample"),
        QStringLiteral("Open the SQLite sample database (made first when there is none)."));
    options.addOptions({sqliteFile, sqliteSample});
    options.process(app);

    MainFrame frame(services, std::move(launchers));
    frame.show();
    if (options.isSet(sqliteSample))
        startWithSqlite(frame, SqliteStart::Sample);
    else if (options.isSet(sqliteFile))
        startWithSqlite(frame, SqliteStart::File, options.value(sqliteFile));
    const int status = QApplication::exec();
    // Closing the windows cancelled what they ran; the workers still use the connections made
    // here, so they end first (a statement the server keeps waiting is bounded by its timeout).
    BackgroundTask::waitForAll(20000);
    return status;
}
