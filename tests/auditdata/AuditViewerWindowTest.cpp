// The viewer on both back ends with a scripted database: which name and statement a View
// uses, what the grid shows, and what a failure leaves.
#include "auditdata/AuditViewerWindow.h"
#include "auditdata/SqlBaseAuditData.h"
#include "auditdata/SqlServerAuditData.h"
#include "components/Grid.h"
#include "sqlserver/AuditNameRules.h"
#include "sqlserver/SqlServerSession.h"

#include "FailingRead.h"
#include "support/FakeDatabase.h"
#include "support/ScriptedMessageService.h"

#include <QtTest>

using namespace quorvex;
using namespace quorvex::testing;

namespace {

// The installed-audits grid of a main window: names in nameColumn, the given row current.
void fillInstalledAudits(Grid& grid, int nameColumn, const QStringList& names) {
    grid.setColCount(4);
    grid.insertRows(0, int(names.size()));
    for (int i = 0; i < names.size(); ++i)
        grid.setCellText(i, nameColumn, names[i]);
}

// The SQL Server back end's pieces around one viewer.
struct SqlServerViewer {
    explicit SqlServerViewer(IConnectionFactory& connections)
        : session(connections), data(session, messages), viewer(data, messages) {
        session.login() = SqlServerLoginValues{"db1", "sa", "pw", "Sales"};
        fillInstalledAudits(installed, 0, {"Orders", "Items"});
    }
    ScriptedMessageService messages;
    SqlServerSession session;
    SqlServerAuditData data;
    AuditViewerWindow viewer;
    Grid installed;
};

} // namespace

class AuditViewerWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void noCurrentRowDoesNothingSilently() {
        FakeDatabase db;
        SqlServerViewer v(db);
        QCOMPARE(v.viewer.objectName(), QStringLiteral("frmSqlViewer"));
        QCOMPARE(v.installed.currentRow(), Grid::NoCurrentRow);
        v.viewer.showAudit(v.installed);
        QCOMPARE(db.statements(), QStringList());
        QCOMPARE(db.connectionStrings(), QStringList());
        QCOMPARE(v.messages.texts(), QStringList());
        QVERIFY(!v.viewer.isVisible());
    }

    void sqlServerViewsTheAuditNamedInColumnZero() {
        FakeDatabase db;
        db.onQuery(
            "Select * from tblZOTA_Items", QStringList{"ITEM", "AuditDate", "UserName"},
            {textRow({"Bolt", "2026-12-06 11:38:56", "sa"}), textRow({"Nut", nullptr, "dbo"})});
        SqlServerViewer v(db);
        v.installed.setCurrentCell(1, 2);
        v.viewer.showAudit(v.installed);

        QCOMPARE(db.statements(), QStringList{"Select * from tblZOTA_Items"});
        QVERIFY(v.viewer.isVisible());
        Grid& g = *v.viewer.grid();
        QCOMPARE(g.colCount(), 3);
        QCOMPARE(g.rowCount(), 2);
        QCOMPARE((QStringList{g.cellText(-1, 0), g.cellText(-1, 1), g.cellText(-1, 2)}),
                 (QStringList{"ITEM", "AuditDate", "UserName"}));
        QCOMPARE((QStringList{g.cellText(0, 0), g.cellText(0, 1), g.cellText(0, 2)}),
                 (QStringList{"Bolt", "2026-12-06 11:38:56", "sa"}));
        QCOMPARE((QStringList{g.cellText(1, 0), g.cellText(1, 1), g.cellText(1, 2)}),
                 (QStringList{"Nut", "", "dbo"}));
        QCOMPARE(v.messages.texts(), QStringList());
    }

    void sqlBaseViewsTheTableNamedInColumnOneOnAConnectionOfItsOwn() {
        FakeDatabase db;
        db.onQuery("Select * from ZOTA_ITEMS", QStringList{"ITEM"}, {textRow({"Bolt"})});
        ScriptedMessageService messages;
        int opens = 0;
        SqlBaseAuditData data(
            [&]() -> std::unique_ptr<IConnection> {
                ++opens;
                auto c = db.createConnection();
                return c->open(QStringLiteral("Provider=SQLBASEOLEDB.1;Data Source=ISLAND"))
                           ? std::move(c)
                           : nullptr;
            },
            {});
        AuditViewerWindow viewer(data, messages);
        QCOMPARE(viewer.objectName(), QStringLiteral("frmViewer"));
        Grid installed;
        fillInstalledAudits(installed, 1, {"ZOTA_ORDERS", "ZOTA_ITEMS"});
        installed.setCellText(1, 0, QStringLiteral("12 RECORDS"));
        viewer.showAudit(installed); // no current row: no connection
        QCOMPARE(opens, 0);
        installed.setCurrentCell(1, 0);

        viewer.showAudit(installed);
        QCOMPARE(db.statements(), QStringList{"Select * from ZOTA_ITEMS"});
        QCOMPARE(opens, 1);
        QCOMPARE(db.openNow(), 0);
        QCOMPARE(viewer.grid()->cellText(0, 0), QStringLiteral("Bolt"));
    }

    void failingStatementShowsTheDatabaseMessageAndNoWindow() {
        FakeDatabase db;
        db.failOn(
            "Select * from tblZOTA_Orders",
            FakeDatabase::error(QStringLiteral("Invalid object name 'tblZOTA_Orders'."), 208));
        SqlServerViewer v(db);
        v.installed.setCurrentCell(0, 0);
        v.viewer.showAudit(v.installed);
        QCOMPARE(v.messages.texts(), QStringList{"Invalid object name 'tblZOTA_Orders'."});
        QCOMPARE(v.messages.shown().value(0).icon, MessageIcon::Critical);
        QVERIFY(!v.viewer.isVisible());
    }

    void nameThatIsNoAuditNameIsRefusedWithoutAStatement() {
        FakeDatabase db;
        SqlServerViewer v(db);
        v.installed.setCellText(0, 0, QStringLiteral("x; drop table t"));
        v.installed.setCurrentCell(0, 0);
        v.viewer.showAudit(v.installed);
        QCOMPARE(v.messages.texts(), QStringList{invalidAuditNameMessage()});
        QCOMPARE(db.statements(), QStringList());
    }

    void readBreakingOffKeepsTheRowsSoFarAndShowsTheError() {
        FakeDatabase db;
        db.onQuery("Select * from tblZOTA_Orders", QStringList{"ORDER_NO", "UserName"},
                   numberedRows(5000));
        FailingReadFactory failing(db, "Select * from tblZOTA_Orders", 1500, linkFailure());
        SqlServerViewer v(failing);
        v.installed.setCurrentCell(0, 0);
        v.viewer.showAudit(v.installed);
        QCOMPARE(v.messages.texts(), QStringList{"Communication link failure"});
        QCOMPARE(v.viewer.grid()->rowCount(), 1500);
        QVERIFY(!v.viewer.isFilling());
    }
};

QTEST_MAIN(AuditViewerWindowTest)
#include "AuditViewerWindowTest.moc"
