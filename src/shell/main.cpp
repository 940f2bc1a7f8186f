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

    MainFrame frame(services, std::move(launchers));
    frame.show();
    const int status = QApplication::exec();
    // Closing the windows cancelled what they ran; the workers still use the connections made
    // here, so they end first (a statement the server keeps waiting is bounded by its timeout).
    BackgroundTask::waitForAll(20000);
    return status;
}
