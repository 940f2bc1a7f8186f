// The export and purge window and the viewer with a scripted database, for what the engine cannot
// be made to show at will: refusals before anything is sent, a failing purge, the spreadsheet that
// is never written over, the age limit, SQLBase's reload, and reads that wait on the server.
#include "auditdata/AuditExportWindow.h"
#include "auditdata/AuditDataWindows.h"
#include "auditdata/AuditViewerWindow.h"
#include "auditdata/SqlBaseAuditData.h"
#include "auditdata/SqlServerAuditData.h"
#include "components/Grid.h"
#include "components/PlatformServices.h"

#include "support/FakeDatabase.h"
#include "support/FakeWorkingDirectory.h"
#include "support/RecordingDesktopServices.h"
#include "support/RecordingProcessControl.h"
#include "support/ScriptedMessageService.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

using namespace quorvex;
using namespace quorvex::testing;

namespace {

const QString selectOrders = QStringLiteral("Select * from tblZOTA_Orders");
const QString deleteOrders = QStringLiteral("Delete from tblZOTA_Orders");
const QString deleteReturningOrders = QStringLiteral("Delete from tblZOTA_Orders Output deleted.*");

// SQL Server sends every purge with a bounded wait for the table.
QStringList boundedWait(const QStringList& statements) {
    return QStringList{"SET LOCK_TIMEOUT 10000"} + statements + QStringList{"SET LOCK_TIMEOUT -1"};
}

// One export window: the platform's seams, a scripted database behind a back end, and the main
// window's installed-audits grid with two audits.
struct Stand {
    enum class Backend { SqlServer, SqlBase };

    explicit Stand(Backend backend)
        : workingDirectory(folder.path()), services{messages, process, desktop, workingDirectory,
                                                    db} {
        installed.setColCount(4);
        installed.insertRows(0, 2);
        if (backend == Backend::SqlServer) {
            data = std::make_shared<SqlServerAuditData>(
                services.connections, SqlServerLoginValues{"db1", "sa", "pw", "Sales"});
            installed.setCellText(0, 0, "Orders");
            installed.setCellText(1, 0, "Items");
        } else {
            data = std::make_shared<SqlBaseAuditData>(
                [this](MessageService&) -> std::unique_ptr<IConnection> {
                    auto c = services.connections.createConnection();
                    return c->open(QStringLiteral("Provider=SQLBASEOLEDB.1;Data Source=ISLAND"))
                               ? std::move(c)
                               : nullptr;
                });
            installed.setCellText(0, 0, "3 RECORDS");
            installed.setCellText(0, 1, "ZOTA_ORDERS");
            installed.setCellText(1, 0, "1 RECORDS");
            installed.setCellText(1, 1, "ZOTA_ITEMS");
        }
        for (const QString& statement : {selectOrders, deleteReturningOrders})
            db.onQuery(statement, QStringList{"ORDER_NO", "UserName"},
                       {textRow({"1", "sa"}), textRow({"2", nullptr})});
        db.onQuery("Select * from ZOTA_ORDERS", QStringList{"ORDER_NO"}, {textRow({"1"})});
        db.onExecute("Delete from ZOTA_ORDERS", 1);
        installed.setCurrentCell(0, 0);
        installed.setRowSelected(0, true);
        window = std::make_unique<AuditExportWindow>(data, installed, services);
        window->setSpreadsheetFolder(sheets.path());
        // What the SQLBase main window does when told: reload the list with its counts.
        if (backend == Backend::SqlBase)
            QObject::connect(window.get(), &AuditExportWindow::auditRowsChanged,
                             [this] { installed.setCellText(0, 0, QStringLiteral("NO RECORDS")); });
    }

    QString inFolder(const QString& name) const { return folder.filePath(name); }
    QStringList folderFiles() const {
        return QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }
    // A click, then the wait for the operation it started to end.
    void click(QAbstractButton* button) {
        QTest::mouseClick(button, Qt::LeftButton);
        if (!QTest::qWaitFor([this] { return !window->isBusy(); }, 10000))
            QFAIL("the operation did not end");
    }
    // PURGE and BOTH ask first.
    void clickAnswering(QAbstractButton* button, bool yes) {
        messages.answerNext(yes);
        click(button);
    }
    // The messages shown, without the questions asked.
    QStringList told() const {
        QStringList texts;
        for (const ShownMessage& m : messages.shown())
            if (m.kind == ShownMessage::Kind::Message)
                texts << m.text;
        return texts;
    }

    QTemporaryDir folder;
    QTemporaryDir sheets;
    FakeDatabase db;
    ScriptedMessageService messages;
    RecordingProcessControl process;
    RecordingDesktopServices desktop;
    FakeWorkingDirectory workingDirectory;
    PlatformServices services;
    std::shared_ptr<AuditDataSource> data;
    Grid installed;
    std::unique_ptr<AuditExportWindow> window;
};

} // namespace

class AuditExportWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void emptyFileNameIsRefusedBeforeAnythingIsSent() {
        Stand s(Stand::Backend::SqlServer);
        s.click(s.window->bothButton());
        QCOMPARE(s.messages.texts(), QStringList{"Please enter a file name"});
        QCOMPARE(s.db.statements(), QStringList());
        QCOMPARE(s.folderFiles(), QStringList());
        QVERIFY(!s.window->exportCompleted());
    }

    void sqlServerPurgeAsksThenSaysPurgeCompleteOrWhyNot() {
        Stand s(Stand::Backend::SqlServer);
        s.clickAnswering(s.window->purgeButton(), false);
        QCOMPARE(s.db.statements(), QStringList());
        QCOMPARE(s.messages.shown().value(0).kind, ShownMessage::Kind::Question);
        QVERIFY(s.messages.texts().value(0).contains(QStringLiteral("tblZOTA_Orders")));
        s.clickAnswering(s.window->purgeButton(), true);
        s.db.failOn(deleteOrders,
                    FakeDatabase::error(QStringLiteral("DELETE permission denied"), 229));
        s.clickAnswering(s.window->purgeButton(), true);
        QCOMPARE(s.db.statements(), boundedWait({deleteOrders}) + boundedWait({deleteOrders}));
        QCOMPARE(s.told(), (QStringList{"Purge Complete", "DELETE permission denied"}));
        QCOMPARE(s.messages.shown().value(4).icon, MessageIcon::Critical);
    }

    // EXPORT opens the workbook from the temporary folder, readable by the user alone; BOTH
    // keeps it in the chosen folder and opens it after the purge.
    void spreadsheetsAreTheUsersAloneAndNeverWrittenOver() {
        Stand s(Stand::Backend::SqlServer);
        s.click(s.window->excelOption());
        s.click(s.window->exportButton());
        const QString workbook = QDir(s.sheets.path()).filePath("Orders.xlsx");
        QCOMPARE(s.desktop.opened(), QStringList{workbook});
        QCOMPARE(QFile::permissions(workbook) & ~(QFile::ReadUser | QFile::WriteUser),
                 QFile::ReadOwner | QFile::WriteOwner);
        QVERIFY(QFile::remove(workbook));
        s.db.clearLog();
        for (int run = 0; run < 2; ++run) {
            s.clickAnswering(s.window->bothButton(), true);
            QCOMPARE(s.db.statements().value(3), FakeDatabase::commitEntry());
            s.db.clearLog();
        }
        // The workbook is the only copy of the purged rows: never written over.
        QCOMPARE(s.folderFiles(), (QStringList{"Orders (2).xlsx", "Orders.xlsx"}));
        QCOMPARE(QDir(s.sheets.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
        QCOMPARE(s.desktop.opened(),
                 (QStringList{workbook, s.inFolder("Orders.xlsx"), s.inFolder("Orders (2).xlsx")}));
    }

    // The older rows only when chosen; the question says which rows go.
    void olderThanLimitsThePurgeToTheOlderRows() {
        Stand s(Stand::Backend::SqlServer);
        s.click(s.window->olderThanOption());
        s.window->daysBox()->selectAll();
        QTest::keyClicks(s.window->daysBox(), "45");
        s.clickAnswering(s.window->purgeButton(), true);
        QCOMPARE(s.db.statements(),
                 boundedWait({deleteOrders + " Where AuditDate < DATEADD(day, -45, GETDATE())"}));
        QVERIFY(s.messages.texts().value(0).startsWith(
            "Delete the rows older than 45 days the audit Orders has recorded in tblZOTA_Orders?"));
    }

    void sqlBaseSaysNothingAndReloadsTheListAfterAPurge() {
        Stand s(Stand::Backend::SqlBase);
        QTest::keyClicks(s.window->fileNameBox(), "orders");
        s.click(s.window->exportButton());
        QCOMPARE(s.installed.cellText(0, 0), QStringLiteral("3 RECORDS"));
        s.clickAnswering(s.window->purgeButton(), true);
        QCOMPARE(s.db.statements(),
                 (QStringList{"Select * from ZOTA_ORDERS", "Delete from ZOTA_ORDERS"}));
        QCOMPARE(s.told(), QStringList());
        QCOMPARE(s.installed.cellText(0, 0), QStringLiteral("NO RECORDS"));
    }

    // BOTH on the audit the viewer is reading: the read ends first, then BOTH runs, so its
    // delete never waits on our own read.
    void bothEndsTheViewersReadOfTheSameAuditFirst() {
        Stand s(Stand::Backend::SqlServer);
        AuditDataWindows windows(s.data, s.services, WindowPresenter());
        s.db.holdOn(selectOrders);
        windows.view(s.installed);
        QTRY_COMPARE(s.db.waiting(), 1);
        windows.openExport(s.installed);
        QTest::keyClicks(windows.exportWindow()->fileNameBox(), "archive");
        s.messages.answerNext(true);
        QTest::mouseClick(windows.exportWindow()->bothButton(), Qt::LeftButton);
        QTRY_VERIFY(!windows.isBusy());
        QCOMPARE(s.db.cancels(), 1);
        const QStringList read{"SET LOCK_TIMEOUT 10000", selectOrders};
        QCOMPARE(s.db.statements(),
                 read + boundedWait({FakeDatabase::beginEntry(), deleteReturningOrders,
                                     FakeDatabase::commitEntry()}));
        QCOMPARE(s.told(), (QStringList{"Export completed", "Purge Complete"}));
        QCOMPARE(s.folderFiles(), QStringList{"archive.CSV"});
    }

    // Closing the viewer while its read waits for more rows ends the read at once; the grid
    // keeps the rows it shows, and the next View reads afresh.
    void closingTheViewerCancelsAReadWaitingForMoreRows() {
        Stand s(Stand::Backend::SqlServer);
        const QString selectItems = QStringLiteral("Select * from tblZOTA_Items");
        s.db.onQuery(selectItems, QStringList{"ITEM_NO"}, std::vector<Row>(20000, textRow({"1"})));
        s.db.holdOn(selectItems, 5000);
        s.installed.setCurrentCell(1, 0);
        AuditViewerWindow viewer(s.data, s.messages);
        viewer.showAudit(s.installed);
        QTRY_COMPARE(s.db.waiting(), 1);
        QTRY_COMPARE(viewer.grid()->rowCount(), int(AuditViewerWindow::RowsPerBatch));
        QVERIFY(viewer.isFilling());
        QVERIFY(viewer.close());
        QTRY_VERIFY(!viewer.isFilling());
        QCOMPARE(s.db.cancels(), 1);
        QCOMPARE(s.db.openNow(), 0);
        QCOMPARE(viewer.grid()->rowCount(), int(AuditViewerWindow::RowsPerBatch));
        QCOMPARE(s.messages.texts(), QStringList());

        s.db.release();
        viewer.showAudit(s.installed);
        QTRY_VERIFY(!viewer.isFilling());
        QCOMPARE(viewer.grid()->rowCount(), 20000);
        QVERIFY(viewer.isVisible());
    }
};

QTEST_MAIN(AuditExportWindowTest)
#include "AuditExportWindowTest.moc"
