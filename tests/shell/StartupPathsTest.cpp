// The whole road from the choice window through the SQLBase login window to its main window,
// over the scripted database (the SQL Server road is driven on the engine, SQLite's on files).
#include "shell/MainFrame.h"
#include "shell/ProductionLaunchers.h"
#include "sqlserver/SqlServerStand.h"

#include <QLineEdit>
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

} // namespace

class StartupPathsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
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
