// The viewer on both back ends with a scripted database: which name and statement a View
// uses, what the grid shows, how columns are sized, and that rows arrive while the window
// keeps answering.
#include "auditdata/AuditViewerWindow.h"
#include "auditdata/SqlBaseAuditData.h"
#include "auditdata/SqlServerAuditData.h"
#include "components/Grid.h"
#include "sqlserver/AuditNameRules.h"
#include "sqlserver/SqlServerSession.h"

#include "FailingRead.h"
#include "support/FakeDatabase.h"
#include "support/ScriptedMessageService.h"

#include <QTimer>
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

QList<int> columnWidths(const Grid& grid) {
    QList<int> widths;
    for (int i = 0; i < grid.colCount(); ++i)
        widths << grid.columnWidth(i);
    return widths;
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
        QCOMPARE(v.viewer.grid()->palette().color(QPalette::Text), QColor(0, 0, 255));
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

    void columnWidthsComeFromHeaderAndFirstRow() {
        FakeDatabase db;
        db.onQuery("Select * from tblZOTA_Orders",
                   QStringList{"AuditDate", "DESCRIPTION_TEXT", "QTY", "UserName"},
                   {textRow({"2026-12-06 11:38:56", "short", "123", "sa"}),
                    textRow({"x", "a much longer second value that is not measured", "1", "y"})});
        SqlServerViewer v(db);
        v.installed.setCurrentCell(0, 0);
        v.viewer.showAudit(v.installed);
        // 19 characters beat "AuditDate"; the name beats "short"; 3 against 3 ties; 8 beat 2.
        QCOMPARE(columnWidths(*v.viewer.grid()), (QList<int>{190, 160, 30, 80}));
    }

    void columnWidthRuleIsClampedAndNeverZero() {
        QCOMPARE(AuditViewerWindow::columnWidth("DESCRIPTION", QStringLiteral("ab")), 110);
        QCOMPARE(AuditViewerWindow::columnWidth("ABC", std::nullopt), 30);
        QCOMPARE(AuditViewerWindow::columnWidth("MEMO", QString(4000, u'x')), 32767);
        QCOMPARE(AuditViewerWindow::columnWidth("", QString()), AuditViewerWindow::MinColumnWidth);
    }

    void emptyTableSizesColumnsFromTheHeader() {
        FakeDatabase db;
        db.onQuery("Select * from tblZOTA_Orders", QStringList{"ORDER_NO", "AuditDate", "UserName"},
                   {});
        SqlServerViewer v(db);
        v.installed.setCurrentCell(0, 0);
        v.viewer.showAudit(v.installed);
        QVERIFY(v.viewer.isVisible());
        QCOMPARE(v.viewer.grid()->rowCount(), 0);
        QCOMPARE(columnWidths(*v.viewer.grid()), (QList<int>{80, 90, 80}));
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

    void viewAgainReplacesTheRowsInTheSameWindow() {
        FakeDatabase db;
        db.onQuery("Select * from tblZOTA_Orders", QStringList{"ORDER_NO"},
                   {textRow({"1"}), textRow({"2"}), textRow({"3"})});
        db.onQuery("Select * from tblZOTA_Items", QStringList{"ITEM", "UserName"},
                   {textRow({"Bolt", "sa"})});
        SqlServerViewer v(db);
        v.installed.setCurrentCell(0, 0);
        v.viewer.showAudit(v.installed);
        QCOMPARE(v.viewer.grid()->rowCount(), 3);
        v.installed.setCurrentCell(1, 0);
        v.viewer.showAudit(v.installed);
        QCOMPARE(v.viewer.grid()->rowCount(), 1);
        QCOMPARE(v.viewer.grid()->colCount(), 2);
        QCOMPARE(v.viewer.grid()->cellText(-1, 0), QStringLiteral("ITEM"));
        QCOMPARE(db.statements(),
                 (QStringList{"Select * from tblZOTA_Orders", "Select * from tblZOTA_Items"}));
    }

    void rowsArriveWhileTheWindowKeepsAnswering() {
        FakeDatabase db;
        db.onQuery("Select * from tblZOTA_Orders", QStringList{"ORDER_NO", "UserName"},
                   numberedRows(20000));
        SqlServerViewer v(db);
        v.installed.setCurrentCell(0, 0);
        int rowsWhileFilling = -1;
        bool fillingWhenAnswered = false;
        // Posted before the View: it runs only if the fill lets the event queue through.
        QTimer::singleShot(0, &v.viewer, [&] {
            fillingWhenAnswered = v.viewer.isFilling();
            rowsWhileFilling = v.viewer.grid()->rowCount();
        });
        v.viewer.showAudit(v.installed);
        QVERIFY(fillingWhenAnswered);
        QVERIFY2(rowsWhileFilling > 0 && rowsWhileFilling < 20000,
                 qPrintable(QString::number(rowsWhileFilling)));
        QCOMPARE(v.viewer.grid()->rowCount(), 20000);
        QCOMPARE(v.viewer.grid()->cellText(19999, 0), QStringLiteral("19999"));
        QVERIFY(!v.viewer.isFilling());
    }

    void viewPressedDuringAFillSwitchesToTheNewAudit() {
        FakeDatabase db;
        db.onQuery("Select * from tblZOTA_Orders", QStringList{"ORDER_NO", "UserName"},
                   numberedRows(20000));
        db.onQuery("Select * from tblZOTA_Items", QStringList{"ITEM"}, {textRow({"Bolt"})});
        SqlServerViewer v(db);
        v.installed.setCurrentCell(0, 0);
        QTimer::singleShot(0, &v.viewer, [&] {
            v.installed.setCurrentCell(1, 0);
            v.viewer.showAudit(v.installed);
        });
        v.viewer.showAudit(v.installed);
        QCOMPARE(db.statements(),
                 (QStringList{"Select * from tblZOTA_Orders", "Select * from tblZOTA_Items"}));
        QCOMPARE(v.viewer.grid()->rowCount(), 1);
        QCOMPARE(v.viewer.grid()->cellText(0, 0), QStringLiteral("Bolt"));
        QCOMPARE(v.messages.texts(), QStringList());
    }

    void closingTheWindowStopsTheFill() {
        FakeDatabase db;
        db.onQuery("Select * from tblZOTA_Orders", QStringList{"ORDER_NO", "UserName"},
                   numberedRows(20000));
        SqlServerViewer v(db);
        v.installed.setCurrentCell(0, 0);
        QTimer::singleShot(0, &v.viewer, [&] { v.viewer.close(); });
        v.viewer.showAudit(v.installed);
        QVERIFY(!v.viewer.isFilling());
        QVERIFY(!v.viewer.isVisible());
        QVERIFY2(v.viewer.grid()->rowCount() < 20000,
                 qPrintable(QString::number(v.viewer.grid()->rowCount())));
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
