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
};

QTEST_MAIN(AuditViewerWindowTest)
#include "AuditViewerWindowTest.moc"
