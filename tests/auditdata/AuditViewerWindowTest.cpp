// The viewer on both back ends with a scripted database: which name and statement a View
// uses, what the grid shows, what a failure leaves, and that a read waiting on the server
// leaves the window answering, and ends at once and wholly when cancelled or closed.
#include "auditdata/AuditViewerWindow.h"
#include "auditdata/SqlBaseAuditData.h"
#include "auditdata/SqlServerAuditData.h"
#include "components/Grid.h"
#include "components/LockTimeout.h"
#include "components/WindowOperation.h"
#include "sqlserver/AuditNameRules.h"

#include "FailingRead.h"
#include "support/FakeDatabase.h"
#include "support/ScriptedMessageService.h"

#include <QPushButton>
#include <QtTest>

using namespace quorvex;
using namespace quorvex::testing;

namespace {

const QString selectOrders = QStringLiteral("Select * from tblZOTA_Orders");
const QString selectItems = QStringLiteral("Select * from tblZOTA_Items");

// A SQL Server read waits a bounded time for a table another session holds.
QStringList sqlServerRead(const QString& select) {
    return {QStringLiteral("SET LOCK_TIMEOUT 10000"), select};
}

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
        : data(std::make_shared<SqlServerAuditData>(
              connections, SqlServerLoginValues{"db1", "sa", "pw", "Sales"})),
          viewer(data, messages) {
        fillInstalledAudits(installed, 0, {"Orders", "Items"});
    }
    // View pressed on the audit in this row.
    void view(int row) {
        installed.setCurrentCell(row, 0);
        viewer.showAudit(installed);
    }
    QStringList column(int column) const {
        QStringList cells;
        for (int row = 0; row < viewer.grid()->rowCount(); ++row)
            cells << viewer.grid()->cellText(row, column);
        return cells;
    }

    ScriptedMessageService messages;
    std::shared_ptr<SqlServerAuditData> data;
    AuditViewerWindow viewer;
    Grid installed;
};

} // namespace

class AuditViewerWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sqlServerViewsTheAuditNamedInColumnZero() {
        FakeDatabase db;
        db.onQuery(
            selectItems, QStringList{"ITEM", "AuditDate", "UserName"},
            {textRow({"Bolt", "2026-12-06 11:38:56", "sa"}), textRow({"Nut", nullptr, "dbo"})});
        SqlServerViewer v(db);
        v.installed.setCurrentCell(1, 2);
        v.viewer.showAudit(v.installed);
        QTRY_VERIFY(!v.viewer.isFilling());

        QCOMPARE(db.statements(), sqlServerRead(selectItems));
        QCOMPARE(db.openNow(), 0); // the read's own connection is closed again
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
        std::atomic<int> opens = 0;
        auto data = std::make_shared<SqlBaseAuditData>(
            [&](MessageService&) -> std::unique_ptr<IConnection> {
                ++opens;
                auto c = db.createConnection();
                return c->open(QStringLiteral("Provider=SQLBASEOLEDB.1;Data Source=ISLAND"))
                           ? std::move(c)
                           : nullptr;
            });
        AuditViewerWindow viewer(data, messages);
        QCOMPARE(viewer.objectName(), QStringLiteral("frmViewer"));
        Grid installed;
        fillInstalledAudits(installed, 1, {"ZOTA_ORDERS", "ZOTA_ITEMS"});
        installed.setCellText(1, 0, QStringLiteral("12 RECORDS"));
        viewer.showAudit(installed); // no current row: no connection
        QVERIFY(!viewer.isFilling());
        QCOMPARE(opens.load(), 0);
        installed.setCurrentCell(1, 0);

        viewer.showAudit(installed);
        QTRY_VERIFY(!viewer.isFilling());
        QCOMPARE(db.statements(), QStringList{"Select * from ZOTA_ITEMS"});
        QCOMPARE(opens.load(), 1);
        QCOMPARE(db.openNow(), 0);
        QCOMPARE(viewer.grid()->cellText(0, 0), QStringLiteral("Bolt"));
    }

    void failingStatementShowsItsMessageAndNoWindow_data() {
        QTest::addColumn<QString>("error");
        QTest::addColumn<int>("native");
        QTest::addColumn<QString>("told");
        QTest::addColumn<int>("icon");
        QTest::newRow("the table is missing")
            << "Invalid object name 'tblZOTA_Orders'." << 208
            << "Invalid object name 'tblZOTA_Orders'." << int(MessageIcon::Critical);
        QTest::newRow("another session holds the table too long")
            << "Lock request time out period exceeded." << 1222
            << tableInUseMessage("tblZOTA_Orders") << int(MessageIcon::Exclamation);
    }
    void failingStatementShowsItsMessageAndNoWindow() {
        QFETCH(QString, error);
        QFETCH(int, native);
        QFETCH(QString, told);
        QFETCH(int, icon);
        FakeDatabase db;
        db.failOn(selectOrders, FakeDatabase::error(error, native));
        SqlServerViewer v(db);
        v.view(0);
        QTRY_VERIFY(!v.viewer.isFilling());
        QCOMPARE(v.messages.texts(), QStringList{told});
        QCOMPARE(int(v.messages.shown().value(0).icon), icon);
        QVERIFY(!v.viewer.isVisible());
        QCOMPARE(db.openNow(), 0);
    }

    void nameThatIsNoAuditNameIsRefusedWithoutAStatement() {
        FakeDatabase db;
        SqlServerViewer v(db);
        v.installed.setCellText(0, 0, QStringLiteral("x; drop table t"));
        v.view(0);
        QVERIFY(!v.viewer.isFilling());
        QCOMPARE(v.messages.texts(), QStringList{invalidAuditNameMessage()});
        QCOMPARE(db.statements(), QStringList());
    }

    void readBreakingOffKeepsTheRowsSoFarAndShowsTheErrorAfterThem() {
        FakeDatabase db;
        db.onQuery(selectOrders, QStringList{"ORDER_NO", "UserName"}, numberedRows(5000));
        FailingReadFactory failing(db, selectOrders, 1500, linkFailure());
        SqlServerViewer v(failing);
        v.view(0);
        QTRY_VERIFY(!v.viewer.isFilling());
        QCOMPARE(v.messages.texts(), QStringList{"Communication link failure"});
        QCOMPARE(v.viewer.grid()->rowCount(), 1500);
        QCOMPARE(v.column(0).last(), QStringLiteral("1499"));
    }

    // Rows come in batches; every row arrives once, in the database's order.
    void largeTableArrivesWholeAndInOrder() {
        FakeDatabase db;
        db.onQuery(selectOrders, QStringList{"ORDER_NO", "UserName"}, numberedRows(30000));
        SqlServerViewer v(db);
        v.view(0);
        QTRY_VERIFY_WITH_TIMEOUT(!v.viewer.isFilling(), 20000);
        const QStringList numbers = v.column(0);
        QCOMPARE(numbers.size(), 30000);
        bool inOrder = true;
        for (int i = 0; i < numbers.size() && inOrder; ++i)
            inOrder = numbers[i] == QString::number(i);
        QVERIFY(inOrder);
        QCOMPARE(v.messages.texts(), QStringList());
    }

    // The statement waits on the server: the window answers meanwhile, shows itself with the
    // operation panel after half a second, and Cancel ends the read with its statement
    // cancelled and its connection closed; the grid shows nothing, and nothing is told.
    void cancelOfAReadWaitingForItsStatementEndsItAtOnce() {
        FakeDatabase db;
        db.onQuery(selectOrders, QStringList{"ORDER_NO", "UserName"}, numberedRows(10));
        db.holdOn(selectOrders);
        SqlServerViewer v(db);
        int ticks = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(5);
        v.view(0);
        QVERIFY(v.viewer.isFilling());
        QTRY_COMPARE(db.waiting(), 1);
        QTRY_VERIFY(v.viewer.operation().panel()->isVisible());
        QVERIFY(v.viewer.isVisible());
        QVERIFY(ticks > 10); // the window thread went on turning while the read waited
        QTest::mouseClick(v.viewer.operation().cancelButton(), Qt::LeftButton);
        QTRY_VERIFY(!v.viewer.isFilling());
        QCOMPARE(db.cancels(), 1);
        QCOMPARE(db.openNow(), 0);
        QCOMPARE(v.viewer.grid()->rowCount(), 0);
        QCOMPARE(v.messages.texts(), QStringList());
        QVERIFY(!v.viewer.operation().panel()->isVisible());
    }

    // Rows arrive, then the server stalls: closing the window cancels the read; the grid keeps
    // the rows it shows, and a later View reads afresh.
    void closingTheWindowCancelsAReadWaitingForMoreRows() {
        FakeDatabase db;
        db.onQuery(selectOrders, QStringList{"ORDER_NO", "UserName"}, numberedRows(20000));
        db.holdOn(selectOrders, 5000);
        SqlServerViewer v(db);
        v.view(0);
        QTRY_COMPARE(db.waiting(), 1);
        // The first full batch is in the grid while the read waits.
        QTRY_COMPARE(v.viewer.grid()->rowCount(), int(AuditViewerWindow::RowsPerBatch));
        QVERIFY(v.viewer.isFilling());
        QVERIFY(v.viewer.close());
        QTRY_VERIFY(!v.viewer.isFilling());
        QCOMPARE(db.cancels(), 1);
        QCOMPARE(db.openNow(), 0);
        QCOMPARE(v.viewer.grid()->rowCount(), int(AuditViewerWindow::RowsPerBatch));
        QCOMPARE(v.messages.texts(), QStringList());

        db.release();
        v.view(0);
        QTRY_VERIFY(!v.viewer.isFilling());
        QCOMPARE(v.viewer.grid()->rowCount(), 20000);
        QVERIFY(v.viewer.isVisible());
    }

    // View pressed again while a read waits: that read is cancelled, then the newly chosen
    // audit is read and shown.
    void viewPressedAgainStopsTheRunningReadAndShowsTheNewAudit() {
        FakeDatabase db;
        db.onQuery(selectOrders, QStringList{"ORDER_NO", "UserName"}, numberedRows(10));
        db.onQuery(selectItems, QStringList{"ITEM"}, {textRow({"Bolt"})});
        db.holdOn(selectOrders);
        SqlServerViewer v(db);
        v.view(0);
        QTRY_COMPARE(db.waiting(), 1);
        v.view(1);
        QTRY_VERIFY(!v.viewer.isFilling());
        QCOMPARE(db.cancels(), 1);
        QCOMPARE(db.statements(), sqlServerRead(selectOrders) + sqlServerRead(selectItems));
        QCOMPARE(v.column(0), QStringList{"Bolt"});
        QCOMPARE(db.openNow(), 0);
        QCOMPARE(v.messages.texts(), QStringList());
    }
};

QTEST_MAIN(AuditViewerWindowTest)
#include "AuditViewerWindowTest.moc"
