// frmSqlLogin over the scripted server: the database list, the login with its refusals, and
// Cancel.
#include "sqlserver/SqlServerLoginWindow.h"

#include "SqlServerStand.h"
#include "components/WindowOperation.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <memory>

using namespace quorvex;
using namespace quorvex::testing;

namespace {

// The login window with recording callbacks: the servers it is given, each opening of the main
// window and each hiding of the choice.
struct LoginStand : SqlServerStand {
    QStringList servers{"ZHOST", "DBHOST", "DBHOST\\SQLEXPRESS"};
    bool mainWindowStarts = true;
    int mainWindowOpenings = 0;
    int choiceHidings = 0;
    SqlServerLoginValues login;
    std::unique_ptr<SqlServerLoginWindow> window;

    LoginStand() {
        scriptDatabases({textRow({"master", "0"}), textRow({"tempdb", "0"}),
                         textRow({"model", "0"}), textRow({"msdb", "0"}), textRow({"Sales", "0"}),
                         textRow({"Publisher", "1"}), textRow({"Archive", "0"})});
        window = std::make_unique<SqlServerLoginWindow>(
            login, services, [this] { return servers; },
            [this](WindowOperation&, std::function<void(bool)> then) {
                ++mainWindowOpenings;
                then(mainWindowStarts);
            },
            [this] { ++choiceHidings; });
        waitIdle();
    }

    // Until the window's operation (listing servers or databases, the login) has ended.
    bool waitIdle() {
        for (int i = 0; i < 500 && window->operation().isBusy(); ++i)
            QTest::qWait(10);
        return !window->operation().isBusy();
    }
    void clickLogin() {
        window->loginButton()->click();
        waitIdle();
    }

    bool showActive() {
        window->show();
        window->activateWindow();
        return QTest::qWaitForWindowActive(window.get());
    }

    void chooseServer(int row) { window->serverList()->setCurrentRow(row); }

    // A click on a server: the mouse button is released over the list.
    void clickServer(int row) {
        QListWidget* list = window->serverList();
        const QPoint centre = list->visualItemRect(list->item(row)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
        waitIdle();
    }

    QStringList listedDatabases() const {
        QStringList names;
        for (int i = 0; i < window->databaseBox()->count(); ++i)
            names << window->databaseBox()->itemText(i);
        return names;
    }
};

} // namespace

class SqlServerLoginWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:

    void okIsRefusedWithAClearMessageAndTheWindowStays_data() {
        QTest::addColumn<int>("server");
        QTest::addColumn<QString>("database");
        QTest::addColumn<bool>("serverRefuses");
        QTest::addColumn<QString>("message");
        const QString unknown = "The server DBHOST has no database named \"%1\". Choose one "
                                "from the Database list; a typed name must match exactly, letter "
                                "case included.";
        QTest::newRow("no server chosen")
            << -1 << "Sales" << false
            << "Choose the server to log in to from the Server Name list, or type its name "
               "below the list.";
        QTest::newRow("the server refuses the login")
            << 1 << "Sales" << true
            << "Quorvex could not connect to the server DBHOST with this user name and password, "
               "so you cannot log in yet.\r\n\r\nLogin failed for user 'sa'.";
        QTest::newRow("letter case differs") << 1 << "sales" << false << unknown.arg("sales");
    }
    void okIsRefusedWithAClearMessageAndTheWindowStays() {
        QFETCH(int, server);
        QFETCH(QString, database);
        QFETCH(bool, serverRefuses);
        QFETCH(QString, message);
        LoginStand stand;
        QVERIFY(stand.showActive());
        stand.window->passwordBox()->setText("pw");
        if (server >= 0)
            stand.chooseServer(server);
        if (serverRefuses)
            stand.database.failOpen(FakeDatabase::error("Login failed for user 'sa'.", 18456));
        stand.window->databaseBox()->setEditText(database);
        stand.clickLogin();
        QCOMPARE(stand.messages.texts(), QStringList{message});
        QCOMPARE(stand.mainWindowOpenings, 0);
        QVERIFY(stand.window->isVisible());
    }

    void okStoresTheValuesOpensTheMainWindowAndHidesBothWindows_data() {
        QTest::addColumn<QString>("database");
        QTest::addColumn<bool>("mainWindowStarts");
        // Every database of the server counts when typed, the system's own too.
        QTest::newRow("a system database typed") << "master" << true;
        QTest::newRow("a main window that cannot start keeps the login open") << "Sales" << false;
    }
    void okStoresTheValuesOpensTheMainWindowAndHidesBothWindows() {
        QFETCH(QString, database);
        QFETCH(bool, mainWindowStarts);
        LoginStand stand;
        stand.mainWindowStarts = mainWindowStarts;
        QVERIFY(stand.showActive());
        stand.window->passwordBox()->setText("pw");
        stand.clickServer(1);
        // Neither the system's databases nor a distribution database are listed.
        QCOMPARE(stand.listedDatabases(), (QStringList{"Sales", "Archive"}));
        stand.window->databaseBox()->setEditText(database);
        stand.clickLogin();
        QCOMPARE(stand.messages.texts(), QStringList());
        QCOMPARE(stand.mainWindowOpenings, 1);
        QCOMPARE(stand.choiceHidings, mainWindowStarts ? 1 : 0);
        QCOMPARE(stand.window->isVisible(), !mainWindowStarts);
        const SqlServerLoginValues& login = stand.login;
        QCOMPARE((QStringList{login.server, login.user, login.password, login.database}),
                 (QStringList{"DBHOST", "sa", "pw", database}));
    }

    // Enter in the password box goes the way OK goes; a typed server ("host,port") wins over
    // the list's.
    void enterInThePasswordBoxLogsInToTheTypedServer() {
        LoginStand stand;
        QVERIFY(stand.showActive());
        stand.chooseServer(0);
        stand.window->typedServerBox()->setText(" OTHER,1533 ");
        stand.window->databaseBox()->setEditText("Sales");
        QTest::keyClicks(stand.window->passwordBox(), "pw");
        QTest::keyClick(stand.window->passwordBox(), Qt::Key_Return);
        QVERIFY(stand.waitIdle());
        QCOMPARE(stand.messages.texts(), QStringList());
        QCOMPARE(stand.mainWindowOpenings, 1);
        QCOMPARE(stand.database.connectionStrings(),
                 QStringList{SqlServerManager::connectionString("OTHER,1533", "sa", "pw")});
    }

    // A server that does not answer: the window stays alive, OK waits, and Cancel on the panel
    // ends the wait with the list left empty.
    void aServerThatDoesNotAnswerCanBeLeft() {
        LoginStand stand;
        QVERIFY(stand.showActive());
        stand.window->passwordBox()->setText("pw");
        stand.database.holdOn(SqlServerManager::databasesStatement());
        QListWidget* list = stand.window->serverList();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(1)).center());
        WindowOperation& operation = stand.window->operation();
        QTRY_VERIFY_WITH_TIMEOUT(operation.panel()->isVisible(), 3000);
        QVERIFY(!stand.window->loginButton()->isEnabled());
        QTest::mouseClick(operation.cancelButton(), Qt::LeftButton);
        QVERIFY(stand.waitIdle());
        QCOMPARE(stand.database.cancels(), 1);
        QCOMPARE(stand.listedDatabases(), QStringList());
        QVERIFY(stand.window->loginButton()->isEnabled());
        QCOMPARE(stand.messages.texts(), QStringList());
    }

    void cancelEndsTheProgramAndStoresNothing() {
        LoginStand stand;
        QVERIFY(stand.showActive());
        stand.chooseServer(1);
        stand.window->passwordBox()->setText("pw");
        stand.window->databaseBox()->setEditText("Sales");
        stand.window->cancelButton()->click();
        QCOMPARE(stand.process.exitCodes(), QList<int>{0});
        QCOMPARE(stand.login.server, QString());
        QCOMPARE(stand.mainWindowOpenings, 0);
    }
};

QTEST_MAIN(SqlServerLoginWindowTest)
#include "SqlServerLoginWindowTest.moc"
