// The export and purge window on both back ends with a scripted database: file names,
// messages and questions, the current- and selected-row rules, that BOTH deletes in one
// transaction exactly what its file holds, that a failed or cancelled export leaves no file
// and purges nothing, and that the window answers while its operation waits on the server.
#include "auditdata/AuditExportWindow.h"
#include "auditdata/AuditDataWindows.h"
#include "auditdata/SqlBaseAuditData.h"
#include "auditdata/SqlServerAuditData.h"
#include "components/Grid.h"
#include "components/PlatformServices.h"
#include "components/WindowOperation.h"

#include "support/ExportedFiles.h"
#include "support/FakeDatabase.h"
#include "support/FakeWorkingDirectory.h"
#include "support/RecordingDesktopServices.h"
#include "support/RecordingProcessControl.h"
#include "support/ScriptedMessageService.h"

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace quorvex;
using namespace quorvex::testing;

namespace {

const QString selectOrders = QStringLiteral("Select * from tblZOTA_Orders");
const QString selectItems = QStringLiteral("Select * from tblZOTA_Items");
const QString deleteOrders = QStringLiteral("Delete from tblZOTA_Orders");
const QString deleteItems = QStringLiteral("Delete from tblZOTA_Items");
const QString deleteReturningOrders = QStringLiteral("Delete from tblZOTA_Orders Output deleted.*");

// A SQL Server read waits a bounded time for a table another session holds.
QStringList sqlServerRead(const QString& select) {
    return {QStringLiteral("SET LOCK_TIMEOUT 10000"), select};
}

// SQL Server sends every purge with a bounded wait for the table.
QStringList boundedWait(const QStringList& statements) {
    return QStringList{"SET LOCK_TIMEOUT 10000"} + statements + QStringList{"SET LOCK_TIMEOUT -1"};
}

// BOTH on SQL Server, ended by the commit or the rollback.
QStringList purgingExport(const QString& statement, const QString& end) {
    return boundedWait({FakeDatabase::beginEntry(), statement, end});
}

// Everything around one export window: the platform's seams, a scripted database behind a
// back end, and the main window's installed-audits grid with two audits.
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
        db.onQuery(selectItems, QStringList{"ITEM"}, {textRow({"Bolt, M8"})});
        db.onQuery("Select * from ZOTA_ORDERS", QStringList{"ORDER_NO"}, {textRow({"1"})});
        db.onExecute("Delete from ZOTA_ORDERS", 1);
        installed.setCurrentCell(0, 0);
        installed.setRowSelected(0, true);
        window = std::make_unique<AuditExportWindow>(data, installed, services);
        window->setSpreadsheetFolder(sheets.path());
        // What the SQLBase main window does when told: reload the list with its counts.
        QObject::connect(window.get(), &AuditExportWindow::auditRowsChanged, [this, backend] {
            reloads << &installed;
            if (backend == Backend::SqlBase)
                installed.setCellText(0, 0, QStringLiteral("NO RECORDS"));
        });
    }

    QString inFolder(const QString& name) const { return QDir(folder.path()).filePath(name); }
    QStringList folderFiles() const {
        return QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }
    void typeFileName(const QString& name) {
        window->fileNameBox()->clear();
        QTest::keyClicks(window->fileNameBox(), name);
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
    QList<Grid*> reloads;
    std::unique_ptr<AuditExportWindow> window;
};

} // namespace

class AuditExportWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void emptyFileNameIsRefusedForCsvXmlAndBoth() {
        Stand s(Stand::Backend::SqlServer);
        s.click(s.window->exportButton());
        s.click(s.window->bothButton());
        s.click(s.window->xmlOption());
        s.click(s.window->exportButton());
        QCOMPARE(s.messages.texts(), QStringList(3, "Please enter a file name"));
        QCOMPARE(s.messages.shown().value(2).icon, MessageIcon::Information);
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
                    FakeDatabase::error(QStringLiteral("DELETE permission denied"), 229), true);
        s.db.failOn(
            deleteOrders,
            FakeDatabase::error(QStringLiteral("Lock request time out period exceeded."), 1222));
        s.clickAnswering(s.window->purgeButton(), true);
        s.clickAnswering(s.window->purgeButton(), true);
        QCOMPARE(s.db.statements(), boundedWait({deleteOrders}) + boundedWait({deleteOrders}) +
                                        boundedWait({deleteOrders}));
        QCOMPARE(s.told(),
                 (QStringList{"Purge Complete", "DELETE permission denied",
                              "The table tblZOTA_Orders is in use by another session; nothing "
                              "was changed. Try again when it is quiet."}));
        QCOMPARE(s.messages.shown().value(2).icon, MessageIcon::None);
        QCOMPARE(s.messages.shown().value(4).icon, MessageIcon::Critical);
        QCOMPARE(s.messages.shown().value(6).icon, MessageIcon::Exclamation);
    }

    void sqlServerBothDeletesTheRowsItWroteInOneTransaction() {
        Stand s(Stand::Backend::SqlServer);
        s.typeFileName("archive");
        s.clickAnswering(s.window->bothButton(), true);
        QCOMPARE(s.db.statements(),
                 purgingExport(deleteReturningOrders, FakeDatabase::commitEntry()));
        QCOMPARE(fileContents(s.inFolder("archive.CSV")).toStdString(),
                 std::string("ORDER_NO,UserName\r\n1,sa\r\n2,(NULL)\r\n\r\n"));
        QCOMPARE(s.told(), (QStringList{"Export completed", "Purge Complete"}));
        QCOMPARE(s.messages.shown().value(1).icon, MessageIcon::None);
        QVERIFY(s.messages.texts().value(0).contains(QStringLiteral("1,000,000 rows")));
        QVERIFY(s.window->exportCompleted());
        // Asked again for the same file, the question says it will be replaced.
        s.messages.clear();
        s.clickAnswering(s.window->bothButton(), false);
        QVERIFY(s.messages.texts().value(0).contains(QStringLiteral("exists already")));
    }

    void bothWithTheSpreadsheetKeepsItInTheChosenFolderAndOpensItAfterThePurge() {
        Stand s(Stand::Backend::SqlServer);
        s.click(s.window->excelOption());
        for (int run = 0; run < 2; ++run) {
            s.clickAnswering(s.window->bothButton(), true);
            QCOMPARE(s.db.statements().value(3), FakeDatabase::commitEntry());
            s.db.clearLog();
        }
        // The workbook is the only copy of the purged rows: never written over.
        QCOMPARE(s.folderFiles(), (QStringList{"Orders (2).xlsx", "Orders.xlsx"}));
        QCOMPARE(QDir(s.sheets.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
        QCOMPARE(s.desktop.opened(),
                 (QStringList{s.inFolder("Orders.xlsx"), s.inFolder("Orders (2).xlsx")}));
        QCOMPARE(s.told(), (QStringList{"Export completed", "Purge Complete", "Export completed",
                                        "Purge Complete"}));
    }

    // All rows unless told otherwise; the older rows only when chosen, for each button, and the
    // questions say which rows go.
    void olderThanLimitsEveryButtonToTheOlderRows() {
        Stand s(Stand::Backend::SqlServer);
        QVERIFY(s.window->allRowsOption()->isChecked());
        QVERIFY(!s.window->daysBox()->isEnabled());
        s.click(s.window->olderThanOption());
        QVERIFY(s.window->daysBox()->isEnabled());
        s.window->daysBox()->selectAll();
        QTest::keyClicks(s.window->daysBox(), "45");
        const QString older = QStringLiteral(" Where AuditDate < DATEADD(day, -45, GETDATE())");
        for (const QString& statement : {selectOrders + older, deleteReturningOrders + older})
            s.db.onQuery(statement, QStringList{"ORDER_NO"}, {textRow({"1"})});
        s.typeFileName("old");
        s.click(s.window->exportButton());
        s.clickAnswering(s.window->purgeButton(), true);
        s.clickAnswering(s.window->bothButton(), true);
        QCOMPARE(s.db.statements(),
                 sqlServerRead(selectOrders + older) + boundedWait({deleteOrders + older}) +
                     purgingExport(deleteReturningOrders + older, FakeDatabase::commitEntry()));
        const QStringList asked = s.messages.texts();
        QVERIFY(asked.value(1).startsWith("Delete the rows older than 45 days the audit Orders "
                                          "has recorded in tblZOTA_Orders?"));
        QVERIFY(asked.value(3).startsWith("Write the rows older than 45 days the audit Orders "
                                          "has recorded to "));
        // Back to all rows: the statements of every row again.
        s.db.clearLog();
        s.click(s.window->allRowsOption());
        s.click(s.window->exportButton());
        QCOMPARE(s.db.statements(), sqlServerRead(selectOrders));
    }

    void exportedSpreadsheetInTheTemporaryFolderIsTheUsersAlone() {
        Stand s(Stand::Backend::SqlServer);
        s.click(s.window->excelOption());
        s.click(s.window->exportButton());
        const QString workbook = QDir(s.sheets.path()).filePath("Orders.xlsx");
        QCOMPARE(s.desktop.opened(), QStringList{workbook});
        QCOMPARE(QFile::permissions(workbook) & ~(QFile::ReadUser | QFile::WriteUser),
                 QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(s.db.statements(), sqlServerRead(selectOrders));
    }

    void sqlBaseSaysNothingAndReloadsTheListAfterAPurge() {
        Stand s(Stand::Backend::SqlBase);
        QCOMPARE(s.window->objectName(), QStringLiteral("frmExport"));
        s.typeFileName("orders");
        s.click(s.window->exportButton());
        QCOMPARE(fileContents(s.inFolder("orders.CSV")).toStdString(),
                 std::string("ORDER_NO\r\n1\r\n\r\n"));
        QVERIFY(s.window->exportCompleted());
        QCOMPARE(s.reloads, QList<Grid*>{});
        s.clickAnswering(s.window->purgeButton(), true);
        QCOMPARE(s.db.statements(),
                 (QStringList{"Select * from ZOTA_ORDERS", "Delete from ZOTA_ORDERS"}));
        QCOMPARE(s.told(), QStringList());
        QCOMPARE(s.reloads, QList<Grid*>{&s.installed});
        QCOMPARE(s.installed.cellText(0, 0), QStringLiteral("NO RECORDS"));
        QCOMPARE(s.db.openNow(), 0);
    }

    void everyButtonActsOnTheRowCurrentWhenPressed() {
        Stand s(Stand::Backend::SqlServer);
        s.typeFileName("first");
        s.click(s.window->exportButton());
        s.installed.setCurrentCell(1, 0);
        s.clickAnswering(s.window->purgeButton(), true);
        s.typeFileName("second");
        s.click(s.window->exportButton());
        QCOMPARE(s.db.statements(), sqlServerRead(selectOrders) + boundedWait({deleteItems}) +
                                        sqlServerRead(selectItems));
        QCOMPARE(fileContents(s.inFolder("second.CSV")).toStdString(),
                 std::string("ITEM\r\n\"Bolt, M8\"\r\n\r\n"));
    }

    void noCurrentRowIsToldAndSendsNothing() {
        Stand s(Stand::Backend::SqlServer);
        s.installed.removeRows(0, 2);
        s.installed.insertRows(0, 1);
        s.installed.setCellText(0, 0, "Orders");
        QCOMPARE(s.installed.currentRow(), Grid::NoCurrentRow);
        s.click(s.window->purgeButton());
        QCOMPARE(s.messages.texts(),
                 QStringList{"Please select an audit in the list of installed audits."});
        QCOMPARE(s.db.statements(), QStringList());
    }

    void exportOpensOnlyWithASelectedRowAndKeepsItsChoicesAcrossAClose() {
        Stand s(Stand::Backend::SqlServer);
        AuditDataWindows windows(s.data, s.services, WindowPresenter());
        s.installed.setRowSelected(0, false);
        s.installed.setCurrentCell(1, 0);
        windows.openExport(s.installed);
        QVERIFY(windows.exportWindow() == nullptr);
        s.installed.setRowSelected(0, true);
        windows.openExport(s.installed);
        QPointer<AuditExportWindow> window = windows.exportWindow();
        QVERIFY(window != nullptr);
        QTest::keyClicks(window->fileNameBox(), "orders");
        s.click(window->xmlOption());
        QVERIFY(window->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!window.isNull());
        windows.openExport(s.installed);
        QCOMPARE(windows.exportWindow(), window.data());
        QVERIFY(window->isVisible());
        QCOMPARE(window->fileNameBox()->text(), QStringLiteral("orders"));
        QCOMPARE(window->selectedFormat(), ExportFormat::Xml);
    }

    void missingTableShowsTheDatabaseMessage() {
        Stand s(Stand::Backend::SqlBase);
        s.db.failOn("Select * from ZOTA_ITEMS",
                    FakeDatabase::error(QStringLiteral("Table ZOTA_ITEMS not found")));
        s.installed.setCurrentCell(1, 0);
        s.typeFileName("items");
        s.clickAnswering(s.window->bothButton(), true);
        QCOMPARE(s.db.statements(),
                 (QStringList{FakeDatabase::beginEntry(TransactionIsolation::RepeatableRead),
                              "Select * from ZOTA_ITEMS", FakeDatabase::rollbackEntry()}));
        QCOMPARE(s.told(), QStringList{"Table ZOTA_ITEMS not found"});
        QCOMPARE(s.folderFiles(), QStringList());
        // A failed export reloads the SQLBase list, as after a purge.
        QCOMPARE(s.reloads.size(), 1);
        QCOMPARE(s.db.openNow(), 0);
    }

    // Each operation waits on the server: the window answers meanwhile, its buttons are
    // disabled, the panel comes after half a second, and its Cancel ends the operation with no
    // file, nothing purged (BOTH rolls back) and nothing told.
    void cancelInThePanelEndsEachOperationWaitingOnTheServer_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("held");
        QTest::addColumn<int>("rowsFirst");
        QTest::addColumn<QStringList>("sent");
        QTest::newRow("EXPORT waiting for rows")
            << "cmdExport" << selectOrders << 1 << sqlServerRead(selectOrders);
        QTest::newRow("PURGE waiting for the table")
            << "cmdPurge" << deleteOrders << 0 << boundedWait({deleteOrders});
        QTest::newRow("BOTH waiting for rows")
            << "cmdBoth" << deleteReturningOrders << 1
            << purgingExport(deleteReturningOrders, FakeDatabase::rollbackEntry());
    }
    void cancelInThePanelEndsEachOperationWaitingOnTheServer() {
        QFETCH(QString, button);
        QFETCH(QString, held);
        QFETCH(int, rowsFirst);
        QFETCH(QStringList, sent);
        Stand s(Stand::Backend::SqlServer);
        s.window->show();
        s.db.holdOn(held, rowsFirst);
        s.typeFileName("archive");
        int ticks = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(5);
        auto* pressed = s.window->findChild<QPushButton*>(button);
        s.messages.answerNext(true); // PURGE and BOTH ask first
        QTest::mouseClick(pressed, Qt::LeftButton);
        QVERIFY(s.window->isBusy());
        QTRY_COMPARE(s.db.waiting(), 1);
        QVERIFY(!s.window->exportButton()->isEnabled());
        QVERIFY(!s.window->purgeButton()->isEnabled());
        QVERIFY(!s.window->bothButton()->isEnabled());
        QTRY_VERIFY(s.window->operation().panel()->isVisible());
        QVERIFY(ticks > 10); // the window thread went on turning while the server waited
        QTest::mouseClick(s.window->operation().cancelButton(), Qt::LeftButton);
        QTRY_VERIFY(!s.window->isBusy());
        QCOMPARE(s.db.cancels(), 1);
        QCOMPARE(s.db.statements(), sent);
        QCOMPARE(s.db.openNow(), 0);
        QCOMPARE(s.folderFiles(), QStringList());
        QCOMPARE(s.told(), QStringList());
        QCOMPARE(s.desktop.opened(), QStringList());
        QVERIFY(!s.window->exportCompleted());
        QVERIFY(s.window->exportButton()->isEnabled());
        QVERIFY(s.window->bothButton()->isEnabled());
    }

    // Closing the window while BOTH waits for rows cancels it first: rolled back, no file.
    void closingTheWindowCancelsTheRunningOperation() {
        Stand s(Stand::Backend::SqlServer);
        s.db.holdOn(deleteReturningOrders, 1);
        s.typeFileName("archive");
        s.messages.answerNext(true);
        QTest::mouseClick(s.window->bothButton(), Qt::LeftButton);
        QTRY_COMPARE(s.db.waiting(), 1);
        QVERIFY(s.window->close());
        QTRY_VERIFY(!s.window->isBusy());
        QCOMPARE(s.db.statements(),
                 purgingExport(deleteReturningOrders, FakeDatabase::rollbackEntry()));
        QCOMPARE(s.folderFiles(), QStringList());
        QCOMPARE(s.told(), QStringList());
        QCOMPARE(s.db.openNow(), 0);
    }

    // Before a delete: the reads and exports of that audit end first, and the caller is told
    // once their connections are closed; another audit's or none: told at once.
    void releaseAuditEndsTheViewersReadAndTheExportOfThatAuditFirst() {
        Stand s(Stand::Backend::SqlServer);
        AuditDataWindows windows(s.data, s.services, WindowPresenter());
        s.db.holdOn(selectOrders); // the viewer's read and EXPORT's alike
        windows.view(s.installed);
        windows.openExport(s.installed);
        QTest::keyClicks(windows.exportWindow()->fileNameBox(), "archive");
        QTest::mouseClick(windows.exportWindow()->exportButton(), Qt::LeftButton);
        QTRY_COMPARE(s.db.waiting(), 2);
        QVERIFY(windows.isBusy());

        int itemsReady = 0;
        windows.releaseAudit("Items", [&] { ++itemsReady; });
        QCOMPARE(itemsReady, 1);
        QCOMPARE(s.db.cancels(), 0);

        int ordersReady = 0;
        int openWhenReady = -1;
        windows.releaseAudit("Orders", [&] {
            ++ordersReady;
            openWhenReady = s.db.openNow();
        });
        QCOMPARE(ordersReady, 0);
        QTRY_COMPARE(ordersReady, 1);
        QCOMPARE(openWhenReady, 0);
        QCOMPARE(s.db.cancels(), 2);
        QVERIFY(!windows.isBusy());
        QCOMPARE(s.folderFiles(), QStringList());
        QCOMPARE(s.told(), QStringList());

        int idleReady = 0;
        windows.releaseAudit("Orders", [&] { ++idleReady; });
        QCOMPARE(idleReady, 1);
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
        QCOMPARE(s.db.statements(),
                 sqlServerRead(selectOrders) +
                     purgingExport(deleteReturningOrders, FakeDatabase::commitEntry()));
        QCOMPARE(s.told(), (QStringList{"Export completed", "Purge Complete"}));
        QCOMPARE(s.folderFiles(), QStringList{"archive.CSV"});
    }
};

QTEST_MAIN(AuditExportWindowTest)
#include "AuditExportWindowTest.moc"
