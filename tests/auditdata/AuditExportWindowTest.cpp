// The export and purge window on both back ends with a scripted database: file names,
// messages and questions, the current- and selected-row rules, that BOTH deletes in one
// transaction exactly what its file holds, and that a failed or cancelled export leaves no file
// and purges nothing.
#include "auditdata/AuditExportWindow.h"
#include "auditdata/AuditDataWindows.h"
#include "auditdata/SqlBaseAuditData.h"
#include "auditdata/SqlServerAuditData.h"
#include "components/Grid.h"
#include "components/PlatformServices.h"
#include "sqlserver/SqlServerSession.h"

#include "FailingRead.h"
#include "support/FakeDatabase.h"
#include "support/FakeWorkingDirectory.h"
#include "support/RecordingDesktopServices.h"
#include "support/RecordingProcessControl.h"
#include "support/ScriptedMessageService.h"

#include <QLineEdit>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
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

// SQL Server sends every purge with a bounded wait for the table.
QStringList boundedWait(const QStringList& statements) {
    return QStringList{"SET LOCK_TIMEOUT 10000"} + statements + QStringList{"SET LOCK_TIMEOUT -1"};
}

// BOTH on SQL Server, ended by the commit or the rollback.
QStringList purgingExport(const QString& statement, const QString& end) {
    return boundedWait({FakeDatabase::beginEntry(), statement, end});
}

QByteArray contentsOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Everything around one export window: the platform's seams, a scripted database behind a
// back end, and the main window's installed-audits grid with two audits.
struct Stand {
    enum class Backend { SqlServer, SqlBase };

    explicit Stand(Backend backend, IConnectionFactory* connections = nullptr)
        : workingDirectory(folder.path()), services{messages, process, desktop, workingDirectory,
                                                    connections ? *connections : db},
          session(services.connections) {
        session.login() = SqlServerLoginValues{"db1", "sa", "pw", "Sales"};
        installed.setColCount(4);
        installed.insertRows(0, 2);
        if (backend == Backend::SqlServer) {
            data = std::make_unique<SqlServerAuditData>(session, messages);
            installed.setCellText(0, 0, "Orders");
            installed.setCellText(1, 0, "Items");
        } else {
            data = std::make_unique<SqlBaseAuditData>(
                [this]() -> std::unique_ptr<IConnection> {
                    auto c = services.connections.createConnection();
                    return c->open(QStringLiteral("Provider=SQLBASEOLEDB.1;Data Source=ISLAND"))
                               ? std::move(c)
                               : nullptr;
                },
                [this](Grid& grid) {
                    reloads << &grid;
                    grid.setCellText(0, 0, QStringLiteral("NO RECORDS"));
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
        window = std::make_unique<AuditExportWindow>(*data, installed, services);
        window->setSpreadsheetFolder(sheets.path());
    }

    QString inFolder(const QString& name) const { return QDir(folder.path()).filePath(name); }
    QStringList folderFiles() const {
        return QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }
    void typeFileName(const QString& name) {
        window->fileNameBox()->clear();
        QTest::keyClicks(window->fileNameBox(), name);
    }
    void click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
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
    SqlServerSession session;
    std::unique_ptr<AuditDataSource> data;
    Grid installed;
    QList<Grid*> reloads;
    std::unique_ptr<AuditExportWindow> window;
};

} // namespace

class AuditExportWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void csvGoesToTheTypedNameWithUpperCaseExtension() {
        Stand s(Stand::Backend::SqlServer);
        s.typeFileName("orders");
        s.click(s.window->exportButton());
        QCOMPARE(s.folderFiles(), QStringList{"orders.CSV"});
        QCOMPARE(contentsOf(s.inFolder("orders.CSV")).toStdString(),
                 std::string("ORDER_NO,UserName\r\n1,sa\r\n2,(NULL)\r\n\r\n"));
        QCOMPARE(s.db.statements(), QStringList{selectOrders});
        QCOMPARE(s.messages.texts(), QStringList{"Export completed"});
        QCOMPARE(s.messages.shown().value(0).icon, MessageIcon::None);
        QVERIFY(s.window->exportCompleted());
    }

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
        QCOMPARE(contentsOf(s.inFolder("archive.CSV")).toStdString(),
                 std::string("ORDER_NO,UserName\r\n1,sa\r\n2,(NULL)\r\n\r\n"));
        QCOMPARE(s.told(), (QStringList{"Export completed", "Purge Complete"}));
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

    void exportedSpreadsheetInTheTemporaryFolderIsTheUsersAlone() {
        Stand s(Stand::Backend::SqlServer);
        s.click(s.window->excelOption());
        s.click(s.window->exportButton());
        const QString workbook = QDir(s.sheets.path()).filePath("Orders.xlsx");
        QCOMPARE(s.desktop.opened(), QStringList{workbook});
        QCOMPARE(QFile::permissions(workbook) & ~(QFile::ReadUser | QFile::WriteUser),
                 QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(s.db.statements(), QStringList{selectOrders});
    }

    void sqlBaseSaysNothingAndReloadsTheListAfterAPurge() {
        Stand s(Stand::Backend::SqlBase);
        QCOMPARE(s.window->objectName(), QStringLiteral("frmExport"));
        s.typeFileName("orders");
        s.click(s.window->exportButton());
        QCOMPARE(contentsOf(s.inFolder("orders.CSV")).toStdString(),
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
        QCOMPARE(s.db.statements(),
                 QStringList{selectOrders} + boundedWait({deleteItems}) + QStringList{selectItems});
        QCOMPARE(contentsOf(s.inFolder("second.CSV")).toStdString(),
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
        AuditDataWindows windows(std::make_unique<SqlServerAuditData>(s.session, s.messages),
                                 s.services, WindowPresenter());
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

    void bothWhoseReadBreaksOffLeavesNoFileAndPurgesNothing() {
        FakeDatabase scripted;
        scripted.onQuery(deleteReturningOrders, QStringList{"ORDER_NO", "UserName"},
                         numberedRows(3000));
        FailingReadFactory failing(scripted, deleteReturningOrders, 1200, linkFailure());
        Stand s(Stand::Backend::SqlServer, &failing);
        for (QAbstractButton* format : QList<QAbstractButton*>{
                 s.window->csvOption(), s.window->xmlOption(), s.window->excelOption()}) {
            scripted.clearLog();
            s.messages.clear();
            s.click(format);
            s.typeFileName("archive");
            s.clickAnswering(s.window->bothButton(), true);
            QCOMPARE(scripted.statements(),
                     purgingExport(deleteReturningOrders, FakeDatabase::rollbackEntry()));
            QCOMPARE(s.told(), QStringList{"Communication link failure"});
            QCOMPARE(s.messages.shown().value(1).icon, MessageIcon::Critical);
            QCOMPARE(s.folderFiles(), QStringList());
            QCOMPARE(QDir(s.sheets.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
            QCOMPARE(s.desktop.opened(), QStringList());
            QVERIFY(!s.window->exportCompleted());
        }
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

    void cancelInTheProgressDialogLeavesNoFileAndPurgesNothing() {
        Stand s(Stand::Backend::SqlServer);
        s.db.onQuery("Delete from tblZOTA_Big Output deleted.*",
                     QStringList{"ORDER_NO", "UserName"}, numberedRows(20000));
        s.installed.setCellText(1, 0, "Big");
        s.installed.setCurrentCell(1, 0);
        s.window->setProgressDelay(std::chrono::milliseconds(0));
        s.typeFileName("archive");
        bool dialogSeen = false;
        // Presses Cancel as soon as the progress dialog is up.
        std::function<void()> pressCancel = [&] {
            auto* dialog = s.window->findChild<QProgressDialog*>(QStringLiteral("exportProgress"));
            if (dialog == nullptr || !dialog->isVisible()) {
                QTimer::singleShot(0, s.window.get(), pressCancel);
                return;
            }
            dialogSeen = true;
            dialog->cancel();
        };
        QTimer::singleShot(0, s.window.get(), pressCancel);
        s.clickAnswering(s.window->bothButton(), true);
        QVERIFY(dialogSeen);
        QCOMPARE(s.db.statements(), purgingExport("Delete from tblZOTA_Big Output deleted.*",
                                                  FakeDatabase::rollbackEntry()));
        QCOMPARE(s.folderFiles(), QStringList());
        QCOMPARE(s.told(), QStringList());
        QVERIFY(!s.window->exportCompleted());
        QVERIFY(s.window->findChild<QProgressDialog*>() == nullptr);
    }
};

QTEST_MAIN(AuditExportWindowTest)
#include "AuditExportWindowTest.moc"
