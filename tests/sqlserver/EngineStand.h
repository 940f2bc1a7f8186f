#pragma once

#include "EngineDatabase.h"

#include "sqlserver/SqlServerLoginWindow.h"
#include "support/FrameDriver.h"

namespace quorvex::testing {

// The program on the engine named in QUORVEX_TEST_MSSQL, over FreeTDS: the frame driven as a
// user drives it, and a database connection of the test's own (see EngineDatabase).
class EngineStand : public FrameDriver {
public:
    explicit EngineStand(const SqlServerLoginValues& login) : db(login) {
        startFrame([server = login.server] { return QStringList{server}; });
    }
    ~EngineStand() override { frame.reset(); } // before the session the windows work on

    EngineDatabase db;

    SqlServerLoginWindow* loginWindow() const { return frame->findChild<SqlServerLoginWindow*>(); }

    // SQL Server chosen, its login window shown.
    bool openLogin() {
        return choose(&SelectionWindow::sqlServerOption) &&
               waitFor([this] { return loginWindow() != nullptr && loginWindow()->isVisible(); });
    }
    // The whole way to the main window: the user and the password typed, the server clicked,
    // the database typed, OK clicked. False unless the main window was shown with the database's
    // tables listed (every test has made one at least).
    bool logIn() {
        if (!openLogin())
            return false;
        SqlServerLoginWindow* login = loginWindow();
        // The window lists the servers, and later the databases, off its thread.
        const auto idle = [login] { return !login->operation().isBusy(); };
        waitFor([&] {
            return idle() &&
                   !login->serverList()->findItems(db.login().server, Qt::MatchExactly).isEmpty();
        });
        type(login->userBox(), db.login().user);
        type(login->passwordBox(), db.login().password);
        waitFor(idle);
        clickItem(login->serverList(), db.login().server);
        waitFor(idle);
        waitFor([&] { return login->databaseBox()->findText(db.login().database) >= 0; });
        type(login->databaseBox()->lineEdit(), db.login().database);
        waitFor(idle);
        QTest::mouseClick(login->loginButton(), Qt::LeftButton);
        const auto started = [this] {
            return mainWindow() != nullptr && mainWindow()->isVisible() &&
                   tableList(0)->count() > 0;
        };
        waitForOutcome(0, started);
        return started();
    }

protected:
    // Whatever becomes of the audit, its table and catalog row go at the end.
    void beforeGo(const QString& name) override { db.removeAtEnd(name); }
};

} // namespace quorvex::testing
