// frmSqlLogin over the scripted server: the login's refusals, a server that does not answer,
// and Cancel. The engine test logs in on a real server.
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
    bool mainWindowStarts = true;
    int mainWindowOpenings = 0;
    int choiceHidings = 0;
    bool active = false;
    SqlServerLoginValues login;
    std::unique_ptr<SqlServerLoginWindow> window;

    LoginStand() {
        scriptDatabases({textRow({"master", "0"}), textRow({"tempdb", "0"}),
                         textRow({"model", "0"}), textRow({"msdb", "0"}), textRow({"Sales", "0"}),
                         textRow({"Publisher", "1"}), textRow({"Archive", "0"})});
        window = std::make_unique<SqlServerLoginWindow>(
            login, services,
            [] {
                return QStringList{"ZHOST", "DBHOST", "DBHOST\\SQLEXPRESS"};
            },
            [this](WindowOperation&, std::function<void(bool)> then) {
                ++mainWindowOpenings;
                then(mainWindowStarts);
            },
            [this] { ++choiceHidings; });
        waitIdle();
        window->show();
        window->activateWindow();
        active = QTest::qWaitForWindowActive(window.get());
        window->passwordBox()->setText("pw");
    }

    // Until the window's operation (listing servers or databases, the login) has ended.
    bool waitIdle() {
        for (int i = 0; i < 500 && window->operation().isBusy(); ++i)
            QTest::qWait(10);
        return !window->operation().isBusy();
    }
    void clickServer(int row) {
        QListWidget* list = window->serverList();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(row)).center());
    }
    void logInTo(const QString& database) {
        window->databaseBox()->setEditText(database);
        window->loginButton()->click();
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
        QTest::newRow("no server chosen")
            << -1 << "Sales" << false
            << "Choose the server to log in to from the Server Name list, or type its name "
               "below the list.";
        QTest::newRow("the server refuses the login")
            << 1 << "Sales" << true
            << "Quorvex could not connect to the server DBHOST with this user name and password, "
               "so you cannot log in yet.\r\n\r\nLogin failed for user 'sa'.";
        QTest::newRow("letter case differs")
            << 1 << "sales" << false
            << "The server DBHOST has no database named \"sales\". Choose one from the Database "
               "list; a typed name must match exactly, letter case included.";
    }
    void okIsRefusedWithAClearMessageAndTheWindowStays() {
        QFETCH(int, server);
        QFETCH(QString, database);
        QFETCH(bool, serverRefuses);
        QFETCH(QString, message);
        LoginStand stand;
        QVERIFY(stand.active);
        if (server >= 0)
            stand.window->serverList()->setCurrentRow(server);
        if (serverRefuses)
            stand.database.failOpen(FakeDatabase::error("Login failed for user 'sa'.", 18456));
        stand.logInTo(database);
        QCOMPARE(stand.messages.texts(), QStringList{message});
        QCOMPARE(stand.mainWindowOpenings, 0);
        QVERIFY(stand.window->isVisible());
    }

    // A typed database counts, a system one too; a typed server ("host,port") wins over the
    // list's; a main window that cannot start keeps the login open.
    void okStoresTheValuesOpensTheMainWindowAndHidesBothWindows_data() {
        QTest::addColumn<QString>("typedServer");
        QTest::addColumn<QString>("database");
        QTest::addColumn<bool>("mainWindowStarts");
        QTest::addColumn<QString>("server");
        QTest::newRow("a system database typed") << ""
                                                 << "master" << true << "DBHOST";
        QTest::newRow("a typed server") << " OTHER,1533 "
                                        << "Sales" << true << "OTHER,1533";
        QTest::newRow("a main window that cannot start") << ""
                                                         << "Sales" << false << "DBHOST";
    }
    void okStoresTheValuesOpensTheMainWindowAndHidesBothWindows() {
        QFETCH(QString, typedServer);
        QFETCH(QString, database);
        QFETCH(bool, mainWindowStarts);
        QFETCH(QString, server);
        LoginStand stand;
        QVERIFY(stand.active);
        stand.mainWindowStarts = mainWindowStarts;
        stand.clickServer(1);
        stand.waitIdle();
        // Neither the system's databases nor a distribution database are listed.
        QCOMPARE(stand.listedDatabases(), (QStringList{"Sales", "Archive"}));
        stand.window->typedServerBox()->setText(typedServer);
        stand.logInTo(database);
        QCOMPARE(stand.messages.texts(), QStringList());
        QCOMPARE(stand.mainWindowOpenings, 1);
        QCOMPARE(stand.choiceHidings, mainWindowStarts ? 1 : 0);
        QCOMPARE(stand.window->isVisible(), !mainWindowStarts);
        const SqlServerLoginValues& login = stand.login;
        QCOMPARE((QStringList{login.server, login.user, login.password, login.database}),
                 (QStringList{server, "sa", "pw", database}));
        QCOMPARE(stand.database.connectionStrings().last(),
                 SqlServerManager::connectionString(server, "sa", "pw"));
    }

    // A server that does not answer: Cancel on the panel ends the wait with the list left empty.
    void aServerThatDoesNotAnswerCanBeLeft() {
        LoginStand stand;
        QVERIFY(stand.active);
        stand.database.holdOn(SqlServerManager::databasesStatement());
        stand.clickServer(1);
        WindowOperation& operation = stand.window->operation();
        QTRY_VERIFY_WITH_TIMEOUT(operation.panel()->isVisible(), 3000);
        QTest::mouseClick(operation.cancelButton(), Qt::LeftButton);
        QVERIFY(stand.waitIdle());
        QCOMPARE(stand.database.cancels(), 1);
        QCOMPARE(stand.listedDatabases(), QStringList());
        QCOMPARE(stand.messages.texts(), QStringList());
    }

    void cancelEndsTheProgramAndStoresNothing() {
        LoginStand stand;
        QVERIFY(stand.active);
        stand.window->serverList()->setCurrentRow(1);
        stand.window->databaseBox()->setEditText("Sales");
        stand.window->cancelButton()->click();
        QCOMPARE(stand.process.exitCodes(), QList<int>{0});
        QCOMPARE(stand.login.server, QString());
        QCOMPARE(stand.mainWindowOpenings, 0);
    }
};

QTEST_MAIN(SqlServerLoginWindowTest)
#include "SqlServerLoginWindowTest.moc"
