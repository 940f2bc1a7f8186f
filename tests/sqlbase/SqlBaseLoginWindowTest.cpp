#include "sqlbase/SqlBaseLoginWindow.h"
#include "SqlBaseStand.h"
#include "SqlBaseWidgetTests.h"
#include "shell/MainFrame.h"
#include "shell/SelectionWindow.h"
#include "sqlbase/SqlBaseConnection.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <memory>

using namespace quorvex;
using namespace quorvex::testing;
using quorvex::sqlbase::SqlBaseLoginWindow;

class SqlBaseLoginWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        m_stand = std::make_unique<SqlBaseStand>();
        m_stand->login = {};
        m_mainWindowOpens = 0;
        m_mainWindowStarts = true;
        m_window = std::make_unique<SqlBaseLoginWindow>(m_stand->services, m_stand->login, [this] {
            ++m_mainWindowOpens;
            return m_mainWindowStarts;
        });
        m_window->show();
    }
    void cleanup() {
        m_window.reset();
        m_stand.reset();
    }

    void windowShowsItsFieldsWithTheUserPrefilled() {
        QCOMPARE(m_window->objectName(), QString("frmLogin"));
        QCOMPARE(m_window->windowTitle(), QString("Quorvex - Login"));
        QCOMPARE(m_window->serverNameBox()->text(), QString());
        QCOMPARE(m_window->databaseBox()->text(), QString());
        QCOMPARE(m_window->userBox()->text(), QString("SYSADM"));
        QCOMPARE(m_window->passwordBox()->echoMode(), QLineEdit::Password);
        QCOMPARE(m_window->okButton()->text(), QString("&Ok"));
        QCOMPARE(m_window->cancelButton()->text(), QString("&Cancel"));
        QStringList labels;
        for (int i = 0; i < 4; ++i) {
            auto* label = m_window->findChild<QLabel*>(QString("Label1_%1").arg(i));
            QVERIFY(label != nullptr);
            labels << label->text();
        }
        QCOMPARE(labels, (QStringList{"Server Name", "Database", "Password", "User"}));
        QVERIFY(m_window->findChild<QGroupBox*>("Frame1") != nullptr);
        // The server name is where typing starts.
        QCOMPARE(m_window->focusWidget(), m_window->serverNameBox());
    }

    void tabOrderRunsFromOkThroughTheFieldsToTheUser() {
        // The widgets Tab reaches, in the window's focus chain, starting at Ok.
        QStringList order;
        QWidget* widget = m_window->okButton();
        do {
            if (widget->focusPolicy() & Qt::TabFocus)
                order << widget->objectName();
            widget = widget->nextInFocusChain();
        } while (widget != m_window->okButton() && order.size() < 20);
        QCOMPARE(order, (QStringList{"cmdOk", "cmdCancel", "txtServerName", "txtDatabase",
                                     "txtPassword", "txtUser"}));
    }

    void okStoresTheValuesTestsTheConnectionAndOpensTheMainWindow() {
        fillIn("SRV1", "ORDERSDB", "pa;ss");

        QTest::mouseClick(m_window->okButton(), Qt::LeftButton);

        QCOMPARE(m_stand->login.database, QString("ORDERSDB"));
        QCOMPARE(m_stand->login.password, QString("pa;ss"));
        QCOMPARE(m_stand->database.connectionStrings(),
                 QStringList{"Provider=SQLBASEOLEDB.1;Password=\"pa;ss\";Persist Security "
                             "Info=True;User ID=SYSADM;Data Source=ORDERSDB"});
        QCOMPARE(m_stand->database.openNow(), 0);
        QCOMPARE(m_stand->database.statements(), QStringList{});
        QCOMPARE(m_mainWindowOpens, 1);
        QVERIFY(!m_window->isVisible());
        QCOMPARE(m_stand->messages.texts(), QStringList{});
    }

    void userFieldDoesNotChangeTheLogonUser_data() {
        QTest::addColumn<QString>("user");
        QTest::newRow("another user") << "SCOTT";
        QTest::newRow("user box cleared") << "";
    }
    void userFieldDoesNotChangeTheLogonUser() {
        QFETCH(QString, user);
        fillIn("SRV1", "ORDERSDB", "secret");
        m_window->userBox()->clear();
        QTest::keyClicks(m_window->userBox(), user);

        QTest::mouseClick(m_window->okButton(), Qt::LeftButton);

        QCOMPARE(m_stand->database.connectionStrings(),
                 QStringList{"Provider=SQLBASEOLEDB.1;Password=secret;Persist Security "
                             "Info=True;User ID=SYSADM;Data Source=ORDERSDB"});
        QCOMPARE(m_mainWindowOpens, 1);
    }

    void missingEntryDoesNothing_data() {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("password");
        QTest::newRow("no server name") << ""
                                        << "ORDERSDB"
                                        << "secret";
        QTest::newRow("no database") << "SRV1"
                                     << ""
                                     << "secret";
        QTest::newRow("no password") << "SRV1"
                                     << "ORDERSDB"
                                     << "";
    }
    void missingEntryDoesNothing() {
        QFETCH(QString, server);
        QFETCH(QString, database);
        QFETCH(QString, password);
        fillIn(server, database, password);

        QTest::mouseClick(m_window->okButton(), Qt::LeftButton);

        QCOMPARE(m_stand->database.connectionStrings(), QStringList{});
        QCOMPARE(m_stand->messages.texts(), QStringList{});
        QCOMPARE(m_stand->login.database, QString());
        QCOMPARE(m_mainWindowOpens, 0);
        QVERIFY(m_window->isVisible());
    }

    void failedTestShowsTheReportAndTheWindowStaysForACorrection() {
        const DbErrorList errors = FakeDatabase::error("Invalid password", 1002, "28000");
        m_stand->database.failOpen(errors);
        fillIn("SRV1", "ORDERSDB", "wrong");

        QTest::mouseClick(m_window->okButton(), Qt::LeftButton);

        QCOMPARE(m_stand->messages.texts(), QStringList{sqlbase::sqlBaseConnectionReport(errors)});
        QCOMPARE(m_mainWindowOpens, 0);
        QVERIFY(m_window->isVisible());
        QCOMPARE(m_window->passwordBox()->text(), QString("wrong"));
        QCOMPARE(m_stand->login.password, QString("wrong"));

        m_stand->database.failOpen({});
        m_window->passwordBox()->clear();
        QTest::keyClicks(m_window->passwordBox(), "secret");
        QTest::mouseClick(m_window->okButton(), Qt::LeftButton);

        QCOMPARE(m_stand->login.password, QString("secret"));
        QCOMPARE(m_mainWindowOpens, 1);
        QVERIFY(!m_window->isVisible());
    }

    void mainWindowThatFailsToStartKeepsTheLogin() {
        m_mainWindowStarts = false;
        fillIn("SRV1", "ORDERSDB", "secret");

        QTest::mouseClick(m_window->okButton(), Qt::LeftButton);

        QCOMPARE(m_mainWindowOpens, 1);
        QVERIFY(m_window->isVisible());
    }

    void cancelEndsTheProgramAndStoresNothing() {
        fillIn("SRV1", "ORDERSDB", "secret");

        QTest::mouseClick(m_window->cancelButton(), Qt::LeftButton);

        QCOMPARE(m_stand->process.exitCodes(), QList<int>{0});
        QCOMPARE(m_stand->login.database, QString());
        QCOMPARE(m_stand->database.connectionStrings(), QStringList{});
    }

    void inTheFrameASuccessfulLoginLeavesOnlyTheMainWindow() {
        SqlBaseStand stand;
        QPointer<SqlBaseLoginWindow> login;
        BackendLaunchers launchers;
        launchers.sqlBaseLogin = [&](MainFrame& frame) -> QWidget* {
            login = new SqlBaseLoginWindow(frame.services(), stand.login, [&frame] {
                auto* mainWindow = new QLabel("main window");
                mainWindow->setObjectName("FRMCENMAIN");
                frame.addChild(mainWindow);
                frame.hideSelectionWindow();
                return true;
            });
            return login;
        };
        MainFrame frame(stand.services, launchers);
        frame.show();
        QVERIFY(frame.selectionWindow() != nullptr);
        QTest::mouseClick(frame.selectionWindow()->sqlBaseOption(), Qt::LeftButton);
        QTest::mouseClick(frame.selectionWindow()->okButton(), Qt::LeftButton);
        QVERIFY(login != nullptr);
        QVERIFY(login->isVisible());

        QTest::keyClicks(login->serverNameBox(), "SRV1");
        QTest::keyClicks(login->databaseBox(), "ORDERSDB");
        QTest::keyClicks(login->passwordBox(), "secret");
        QTest::mouseClick(login->okButton(), Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        QVERIFY(login == nullptr);
        QVERIFY(frame.selectionWindow() == nullptr);
        QStringList children;
        for (QMdiSubWindow* sub : frame.mdiArea()->subWindowList()) {
            if (sub->isVisible())
                children << sub->widget()->objectName();
        }
        QCOMPARE(children, QStringList{"FRMCENMAIN"});
        QCOMPARE(stand.login.database, QString("ORDERSDB"));
    }

private:
    void fillIn(const QString& server, const QString& database, const QString& password) {
        QTest::keyClicks(m_window->serverNameBox(), server);
        QTest::keyClicks(m_window->databaseBox(), database);
        QTest::keyClicks(m_window->passwordBox(), password);
    }

    std::unique_ptr<SqlBaseStand> m_stand;
    std::unique_ptr<SqlBaseLoginWindow> m_window;
    int m_mainWindowOpens = 0;
    bool m_mainWindowStarts = true;
};

int runSqlBaseLoginWindowTests(int argc, char** argv) {
    SqlBaseLoginWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SqlBaseLoginWindowTest.moc"
