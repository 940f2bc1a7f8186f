#pragma once

#include "EngineDatabase.h"

#include "sqlserver/SqlServerLoginWindow.h"
#include "support/FrameDriver.h"

namespace quorvex::testing {

// The frame on the engine named in QUORVEX_TEST_MSSQL, driven as a user drives it.
class EngineStand : public FrameDriver {
public:
    explicit EngineStand(const SqlServerLoginValues& login) : db(login) {
        startFrame([server = login.server] { return QStringList{server}; });
    }
    ~EngineStand() override { frame.reset(); } // before the session the windows work on

    EngineDatabase db;

    SqlServerLoginWindow* loginWindow() const { return frame->findChild<SqlServerLoginWindow*>(); }

    bool openLogin() {
        return choose(&SelectionWindow::sqlServerOption) &&
               waitFor([this] { return loginWindow() != nullptr && loginWindow()->isVisible(); });
    }
    // Typed and clicked to the main window; true once it lists the database's tables.
    bool logIn() {
        if (!openLogin())
            return false;
        SqlServerLoginWindow* login = loginWindow();
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
    void beforeGo(const QString& name) override { db.removeAtEnd(name); }
};

} // namespace quorvex::testing
