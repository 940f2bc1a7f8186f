// The viewer with a scripted database, for what the engine cannot be made to show at will: a
// read that waits on the server ends at once and wholly when the window is closed, and the next
// View reads afresh.
#include "auditdata/AuditViewerWindow.h"
#include "auditdata/SqlServerAuditData.h"
#include "components/Grid.h"

#include "support/FakeDatabase.h"
#include "support/ScriptedMessageService.h"

#include <QtTest>

using namespace quorvex;
using namespace quorvex::testing;

namespace {

const QString selectOrders = QStringLiteral("Select * from tblZOTA_Orders");
// Rows of an order number and a user.
std::vector<Row> numberedRows(int count) {
    std::vector<Row> rows;
    for (int i = 0; i < count; ++i)
        rows.push_back(Row{FieldValue(QString::number(i)), FieldValue(QStringLiteral("sa"))});
    return rows;
}

// The SQL Server back end's pieces around one viewer, and the main window's installed-audits
// grid with the audit Orders.
struct SqlServerViewer {
    explicit SqlServerViewer(IConnectionFactory& connections)
        : data(std::make_shared<SqlServerAuditData>(
              connections, SqlServerLoginValues{"db1", "sa", "pw", "Sales"})),
          viewer(data, messages) {
        installed.setColCount(4);
        installed.insertRows(0, 1);
        installed.setCellText(0, 0, QStringLiteral("Orders"));
        installed.setCurrentCell(0, 0);
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
    // Rows arrive, then the server stalls: closing the window cancels the read; the grid keeps
    // the rows it shows, and a later View reads afresh.
    void closingTheWindowCancelsAReadWaitingForMoreRows() {
        FakeDatabase db;
        db.onQuery(selectOrders, QStringList{"ORDER_NO", "UserName"}, numberedRows(20000));
        db.holdOn(selectOrders, 5000);
        SqlServerViewer v(db);
        v.viewer.showAudit(v.installed);
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
        v.viewer.showAudit(v.installed);
        QTRY_VERIFY(!v.viewer.isFilling());
        QCOMPARE(v.viewer.grid()->rowCount(), 20000);
        QVERIFY(v.viewer.isVisible());
    }
};

QTEST_MAIN(AuditViewerWindowTest)
#include "AuditViewerWindowTest.moc"
