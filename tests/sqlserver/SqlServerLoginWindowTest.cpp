// frmSqlLogin over the scripted server: its controls, the server and database lists, the
// login with its refusals, and Cancel.
#include "sqlserver/SqlServerLoginWindow.h"

#include "SqlServerBackendTests.h"
#include "SqlServerStand.h"
#include "shell/Twips.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>
#include <memory>

using namespace quorvex;
using namespace quorvex::testing;

namespace {

// The login window with recording callbacks: the servers it is given, whether the wait cursor
// was up while they were listed, each opening of the main window and each hiding of the choice.
struct LoginStand : SqlServerStand {
    QStringList servers{"ZHOST", "DBHOST", "DBHOST\\SQLEXPRESS"};
    int listings = 0;
    bool waitCursorWhileListing = false;
    bool mainWindowStarts = true;
    int mainWindowOpenings = 0;
    int choiceHidings = 0;
    std::unique_ptr<SqlServerLoginWindow> window;

    // Whether the server answers the list of its databases.
    enum class DatabaseList { Answered, Failing };

    explicit LoginStand(DatabaseList databases = DatabaseList::Answered) {
        if (databases == DatabaseList::Failing)
            database.failOn(SqlServerManager::databasesStatement(),
                            FakeDatabase::error("The server is shutting down."));
        scriptDatabases({textRow({"master", "0"}), textRow({"tempdb", "0"}),
                         textRow({"model", "0"}), textRow({"msdb", "0"}), textRow({"Sales", "0"}),
                         textRow({"Publisher", "1"}), textRow({"Archive", "0"})});
        window = std::make_unique<SqlServerLoginWindow>(
            session, services,
            [this] {
                ++listings;
                const QCursor* cursor = QGuiApplication::overrideCursor();
                waitCursorWhileListing = cursor != nullptr && cursor->shape() == Qt::WaitCursor;
                return servers;
            },
            [this] {
                ++mainWindowOpenings;
                return mainWindowStarts;
            },
            [this] { ++choiceHidings; });
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
    }

    // Tab out of the password box after typing it.
    void leavePassword(const QString& password) {
        QLineEdit* box = window->passwordBox();
        box->setFocus(Qt::OtherFocusReason);
        QTest::keyClicks(box, password);
        QTest::keyClick(box, Qt::Key_Tab);
    }

    QStringList listedDatabases() const {
        QStringList names;
        for (int i = 0; i < window->databaseBox()->count(); ++i)
            names << window->databaseBox()->itemText(i);
        return names;
    }

    static QString masterOf(const QString& server, const QString& password = "pw") {
        return SqlServerManager::connectionString(server, "sa", password);
    }
};

bool hasFocus(QWidget* widget) {
    QWidget* focus = QApplication::focusWidget();
    return focus != nullptr && (focus == widget || widget->isAncestorOf(focus));
}

} // namespace

class SqlServerLoginWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:

    void theWindowCarriesItsControlsWithUserSaPrefilled() {
        LoginStand stand;
        SqlServerLoginWindow& window = *stand.window;
        QCOMPARE(window.objectName(), QString("frmSqlLogin"));
        QCOMPARE(window.windowTitle(), QString("Quorvex - Login"));
        QCOMPARE(window.maximumSize(), sizeFromTwips(5160, 3705));
        QCOMPARE(window.minimumSize(), window.maximumSize());
        QCOMPARE((QStringList{window.userBox()->text(), window.passwordBox()->text(),
                              window.loginButton()->text(), window.cancelButton()->text()}),
                 (QStringList{"sa", "", "OK", "&Cancel"}));
        QVERIFY(window.databaseBox()->isEditable());
        QCOMPARE(window.databaseBox()->count(), 0);
        QStringList labels;
        for (const char* name : {"Label1(3)", "Label1(2)", "Label1(0)", "Label1(1)"})
            labels << window.findChild<QLabel*>(name)->text();
        QCOMPARE(labels, (QStringList{"User", "Password", "Server Name", "Database"}));
        // The password shows a star per character.
        QTest::keyClicks(window.passwordBox(), "s3cret");
        QCOMPARE(window.passwordBox()->text(), QString("s3cret"));
        QCOMPARE(window.passwordBox()->displayText(), QString("******"));
    }

    void theFocusStartsInThePasswordAndTabGoesUserPasswordServersDatabaseOkCancel() {
        LoginStand stand;
        QVERIFY(stand.showActive());
        SqlServerLoginWindow& window = *stand.window;
        QVERIFY(hasFocus(window.passwordBox())); // where the focus starts
        window.userBox()->setFocus(Qt::OtherFocusReason);
        QList<QWidget*> visited;
        for (int i = 0; i < 5; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget();
        }
        QCOMPARE(visited.value(0), static_cast<QWidget*>(window.passwordBox()));
        QCOMPARE(visited.value(1), static_cast<QWidget*>(window.serverList()));
        QVERIFY(visited.value(2) == window.databaseBox() ||
                window.databaseBox()->isAncestorOf(visited.value(2)));
        QCOMPARE(visited.value(3), static_cast<QWidget*>(window.loginButton()));
        QCOMPARE(visited.value(4), static_cast<QWidget*>(window.cancelButton()));
    }

    void activatingTheWindowInTheFramePutsTheFocusInThePassword() {
        // The frame goes last: the window is the stand's, however the test ends.
        QMdiArea area;
        LoginStand stand;
        area.resize(800, 600);
        QMdiSubWindow* login = area.addSubWindow(stand.window.get());
        auto* other = new QLineEdit;
        QMdiSubWindow* otherSub = area.addSubWindow(other);
        area.show();
        area.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&area));
        login->show();
        otherSub->show();
        area.setActiveSubWindow(login);
        stand.window->userBox()->setFocus(Qt::OtherFocusReason);
        area.setActiveSubWindow(otherSub);
        QVERIFY(!hasFocus(stand.window->passwordBox()));
        area.setActiveSubWindow(login);
        QVERIFY(hasFocus(stand.window->passwordBox()));
    }

    void theServersAreListedOnceAtLoadInTheirOrderUnderTheWaitCursor() {
        LoginStand stand;
        QListWidget* list = stand.window->serverList();
        QCOMPARE(stand.listings, 1);
        QVERIFY(stand.waitCursorWhileListing);
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        QStringList listed;
        for (int i = 0; i < list->count(); ++i)
            listed << list->item(i)->text();
        QCOMPARE(listed, stand.servers);
        QCOMPARE(list->selectedItems().size(), 0);
    }

    void leavingThePasswordWithoutAServerListsNothing() {
        LoginStand stand;
        QVERIFY(stand.showActive());
        stand.leavePassword("pw");
        QCOMPARE(stand.database.connectionStrings(), QStringList());
        QCOMPARE(stand.database.statements(), QStringList());
        QCOMPARE(stand.listedDatabases(), QStringList());
    }

    void leavingThePasswordOrClickingAServerListsItsUserDatabases_data() {
        QTest::addColumn<bool>("click");
        QTest::addColumn<QString>("server");
        QTest::newRow("leaving the password with a server chosen") << false << "DBHOST";
        QTest::newRow("clicking a server") << true << "DBHOST\\SQLEXPRESS";
    }
    void leavingThePasswordOrClickingAServerListsItsUserDatabases() {
        QFETCH(bool, click);
        QFETCH(QString, server);
        LoginStand stand;
        QVERIFY(stand.showActive());
        if (click) {
            stand.window->passwordBox()->setText("pw");
            stand.clickServer(2);
        } else {
            stand.chooseServer(1);
            stand.leavePassword("pw");
        }
        QCOMPARE(stand.database.connectionStrings(), QStringList{LoginStand::masterOf(server)});
        QCOMPARE(stand.database.statements(), QStringList{SqlServerManager::databasesStatement()});
        QCOMPARE(stand.listedDatabases(), (QStringList{"Sales", "Archive"}));
        QCOMPARE(stand.window->databaseBox()->currentIndex(), -1);
        QCOMPARE(stand.window->databaseBox()->currentText(), QString());
        const SqlServerLoginValues& login = stand.session.login();
        QCOMPARE((QStringList{login.server, login.user, login.password}),
                 (QStringList{server, "sa", "pw"}));
        QCOMPARE(stand.messages.texts(), QStringList());
    }

    void aServerThatRefusesOrFailsLeavesTheListEmptyWithoutAMessage_data() {
        QTest::addColumn<bool>("loginRefused");
        QTest::newRow("the login is refused") << true;
        QTest::newRow("the database list fails") << false;
    }
    void aServerThatRefusesOrFailsLeavesTheListEmptyWithoutAMessage() {
        QFETCH(bool, loginRefused);
        LoginStand stand(loginRefused ? LoginStand::DatabaseList::Answered
                                      : LoginStand::DatabaseList::Failing);
        QVERIFY(stand.showActive());
        stand.window->databaseBox()->addItem("Stale");
        if (loginRefused)
            stand.database.failOpen(FakeDatabase::error("Login failed for user 'sa'.", 18456));
        stand.clickServer(1);
        QCOMPARE(stand.database.connectionStrings(),
                 QStringList{LoginStand::masterOf("DBHOST", "")});
        QCOMPARE(stand.listedDatabases(), QStringList());
        QCOMPARE(stand.messages.texts(), QStringList());
    }

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
            << "Choose the server to log in to from the Server Name list.";
        QTest::newRow("the server refuses the login")
            << 1 << "Sales" << true
            << "Quorvex could not connect to the server DBHOST with this user name and password, "
               "so you cannot log in yet.\r\n\r\nLogin failed for user 'sa'.";
        QTest::newRow("no database")
            << 1 << "" << false << "Choose a database from the Database list or type its name.";
        QTest::newRow("no such database") << 1 << "Payroll" << false << unknown.arg("Payroll");
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
        stand.window->loginButton()->click();
        QCOMPARE(stand.messages.texts(), QStringList{message});
        QCOMPARE(stand.messages.shown().first().icon, MessageIcon::Exclamation);
        QCOMPARE(stand.mainWindowOpenings, 0);
        QCOMPARE(stand.choiceHidings, 0);
        QVERIFY(stand.window->isVisible());
    }

    void okStoresTheValuesOpensTheMainWindowAndHidesBothWindows_data() {
        QTest::addColumn<bool>("typed");
        QTest::addColumn<QString>("database");
        QTest::addColumn<bool>("mainWindowStarts");
        QTest::newRow("picked from the list") << false << "Sales" << true;
        QTest::newRow("typed") << true << "Archive" << true;
        // Every database of the server counts when typed, the system's own too.
        QTest::newRow("a system database typed") << true << "master" << true;
        QTest::newRow("a main window that cannot start keeps the login open")
            << true << "Sales" << false;
    }
    void okStoresTheValuesOpensTheMainWindowAndHidesBothWindows() {
        QFETCH(bool, typed);
        QFETCH(QString, database);
        QFETCH(bool, mainWindowStarts);
        LoginStand stand;
        stand.mainWindowStarts = mainWindowStarts;
        QVERIFY(stand.showActive());
        stand.window->passwordBox()->setText("pw");
        stand.clickServer(1);
        if (typed)
            stand.window->databaseBox()->setEditText(database);
        else
            stand.window->databaseBox()->setCurrentIndex(
                stand.window->databaseBox()->findText(database));
        stand.window->loginButton()->click();
        QCOMPARE(stand.messages.texts(), QStringList());
        QCOMPARE(stand.mainWindowOpenings, 1);
        QCOMPARE(stand.choiceHidings, mainWindowStarts ? 1 : 0);
        QCOMPARE(stand.window->isVisible(), !mainWindowStarts);
        const SqlServerLoginValues& login = stand.session.login();
        QCOMPARE((QStringList{login.server, login.user, login.password, login.database}),
                 (QStringList{"DBHOST", "sa", "pw", database}));
        QVERIFY(stand.session.manager().isConnected());
        QCOMPARE(stand.session.manager().serverName(), QString("DBHOST"));
    }

    void okConnectsAgainWhenTheEntriesChangedSinceTheListing() {
        LoginStand stand;
        QVERIFY(stand.showActive());
        stand.window->passwordBox()->setText("pw");
        stand.clickServer(1);
        stand.window->userBox()->setText("auditor");
        stand.window->databaseBox()->setEditText("Sales");
        stand.window->loginButton()->click();
        // The main window works as the user it names, on the server it names.
        QCOMPARE(stand.database.connectionStrings(),
                 (QStringList{LoginStand::masterOf("DBHOST"),
                              SqlServerManager::connectionString("DBHOST", "auditor", "pw")}));
        QCOMPARE(stand.mainWindowOpenings, 1);
    }

    void aLoginInsideTheFrameHidesItsSubWindow() {
        // The frame goes last: the window is the stand's, however the test ends.
        QMdiArea area;
        LoginStand stand;
        QMdiSubWindow* sub = area.addSubWindow(stand.window.get());
        area.show();
        sub->show();
        stand.window->passwordBox()->setText("pw");
        stand.chooseServer(1);
        stand.window->databaseBox()->setEditText("Sales");
        stand.window->loginButton()->click();
        QCOMPARE(stand.mainWindowOpenings, 1);
        QVERIFY(!sub->isVisible());
    }

    void cancelEndsTheProgramAndStoresNothing() {
        LoginStand stand;
        QVERIFY(stand.showActive());
        stand.chooseServer(1);
        stand.window->passwordBox()->setText("pw");
        stand.window->databaseBox()->setEditText("Sales");
        stand.window->cancelButton()->click();
        QCOMPARE(stand.process.exitCodes(), QList<int>{0});
        QCOMPARE(stand.session.login().server, QString());
        QCOMPARE(stand.session.login().database, QString());
        QCOMPARE(stand.mainWindowOpenings, 0);
    }
};

int runSqlServerLoginWindowTests(int argc, char** argv) {
    SqlServerLoginWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SqlServerLoginWindowTest.moc"
