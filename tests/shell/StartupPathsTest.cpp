// The whole road from the choice window through a real login window to the main window of
// each back end, over the scripted database.
#include "mainwindow/AuditMainWindow.h"
#include "shell/MainFrame.h"
#include "shell/ProductionLaunchers.h"
#include "sqlserver/SqlServerStand.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace quorvex;
using namespace quorvex::testing;

namespace {

// The windows shown in the frame, by object name.
QStringList visibleChildren(MainFrame& frame) {
    QStringList names;
    for (QMdiSubWindow* sub : frame.findChild<QMdiArea*>()->subWindowList())
        if (sub->isVisible() && sub->widget())
            names << sub->widget()->objectName();
    names.sort();
    return names;
}

template <typename T> T* child(QWidget& parent, const char* name) {
    T* found = parent.findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qWarning("no child %s", name);
    return found;
}

void choose(MainFrame& frame, const char* option) {
    child<QRadioButton>(frame, option)->click();
    child<QPushButton>(frame, "cmdOk")->click();
}

QStringList items(QListWidget* list) {
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names << list->item(i)->text();
    return names;
}

} // namespace

class StartupPathsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sqlServerGoesFromChoiceThroughLoginToItsMainWindow() {
        SqlServerStand stand;
        stand.scriptDatabases({textRow({"master", "0"}), textRow({"Sales", "0"})});
        stand.scriptCatalogPresent();
        stand.scriptAudits({textRow({"BigOrders", "Large orders", "Y", "ORDERS"})});
        stand.scriptTables({textRow({"dbo", "ORDERS", "0"}),
                            textRow({"dbo", "tblZOTA_BigOrders", "0"}),
                            textRow({"dbo", "spt_values", "1"})});
        BackendState state;
        MainFrame frame(stand.services,
                        makeBackendLaunchers(state, [] { return QStringList{"DBHOST"}; }));
        frame.show();

        choose(frame, "optSqlServer");
        QCOMPARE(visibleChildren(frame), QStringList{"frmSqlLogin"});

        QWidget* login = frame.findChild<QWidget*>("frmSqlLogin");
        QListWidget* servers = child<QListWidget>(*login, "lstServers");
        QTRY_COMPARE(items(servers), QStringList{"DBHOST"});
        child<QLineEdit>(*login, "txtPassword")->setText("secret");
        QTest::mouseClick(servers->viewport(), Qt::LeftButton, {},
                          servers->visualItemRect(servers->item(0)).center());
        QComboBox* databases = child<QComboBox>(*login, "cboDatabases");
        QTRY_COMPARE(databases->count(), 1);
        QCOMPARE(databases->itemText(0), QString("Sales"));
        databases->setCurrentIndex(0);
        QTRY_VERIFY(child<QPushButton>(*login, "cmdLogin")->isEnabled());
        child<QPushButton>(*login, "cmdLogin")->click();

        QTRY_COMPARE(visibleChildren(frame), QStringList{"frmSqlMain"});
        QCOMPARE(stand.messages.texts(), QStringList());
        auto* main = frame.findChild<AuditMainWindow*>("frmSqlMain");
        QVERIFY(main);
        QCOMPARE(items(child<QListWidget>(*main, "lstAuditableTables")), QStringList{"ORDERS"});
        // The shared connection was opened from the login values, the password included.
        QVERIFY(stand.database.connectionStrings().contains(
            "Provider=SQLOLEDB.1;Password=secret;Persist Security Info=True;User ID=sa;Initial "
            "Catalog=Sales;Data Source=DBHOST"));
    }

    void sqlBaseGoesFromChoiceThroughLoginToItsMainWindow() {
        SqlServerStand stand; // only its seams and its scripted database are used
        stand.database.setUnscriptedQueriesEmpty(true);
        BackendState state;
        MainFrame frame(stand.services, makeBackendLaunchers(state, [] { return QStringList(); }));
        frame.show();

        choose(frame, "optSqlBase");
        QCOMPARE(visibleChildren(frame), QStringList{"frmLogin"});
        QWidget* login = frame.findChild<QWidget*>("frmLogin");
        child<QLineEdit>(*login, "txtServerName")->setText("server1");
        child<QLineEdit>(*login, "txtDatabase")->setText("ISLAND");
        child<QLineEdit>(*login, "txtPassword")->setText("pw;1");
        child<QPushButton>(*login, "cmdOk")->click();

        QTRY_COMPARE(visibleChildren(frame), QStringList{"FRMCENMAIN"});
        QCOMPARE(stand.messages.texts(), QStringList());
        QCOMPARE(state.sqlBaseLogin.database, QString("ISLAND"));
        // The password with its semicolon travels quoted, as one value.
        QVERIFY(stand.database.connectionStrings().contains(
            "Provider=SQLBASEOLEDB.1;Password=\"pw;1\";Persist Security Info=True;User "
            "ID=SYSADM;Data Source=ISLAND"));
    }
};

QTEST_MAIN(StartupPathsTest)
#include "StartupPathsTest.moc"
