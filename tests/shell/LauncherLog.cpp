#include "LauncherLog.h"

#include <QLabel>

namespace quorvex::testing {

BackendLaunchers LauncherLog::launchers() {
    BackendLaunchers result;
    result.sqlServerLogin = [this](MainFrame&) {
        return launch(QStringLiteral("sqlServer"), QStringLiteral("frmSqlLogin"));
    };
    result.sqlBaseLogin = [this](MainFrame&) {
        return launch(QStringLiteral("sqlBase"), QStringLiteral("frmLogin"));
    };
    return result;
}

QWidget* LauncherLog::launch(const QString& backend, const QString& windowName) {
    m_calls << backend;
    if (m_outcome == Outcome::MakeNothing) {
        return nullptr;
    }
    auto* window = new QLabel(windowName);
    window->setObjectName(windowName);
    window->setWindowTitle(windowName);
    return window;
}

} // namespace quorvex::testing
