// The export and purge window on both back ends with a scripted database: file names,
// messages, the current- and selected-row rules, and that a failed or cancelled export leaves
// no file and purges nothing.
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
        db.onQuery(selectOrders, QStringList{"ORDER_NO", "UserName"},
                   {textRow({"1", "sa"}), textRow({"2", nullptr})});
        db.onQuery(selectItems, QStringList{"ITEM"}, {textRow({"Bolt, M8"})});
        db.onQuery("Select * from ZOTA_ORDERS", QStringList{"ORDER_NO"}, {textRow({"1"})});
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

    void sqlServerPurgeSaysPurgeCompleteOrTheDatabaseMessage() {
        Stand s(Stand::Backend::SqlServer);
        s.click(s.window->purgeButton());
        s.db.failOn(deleteOrders,
                    FakeDatabase::error(QStringLiteral("DELETE permission denied"), 229));
        s.click(s.window->purgeButton());
        QCOMPARE(s.db.statements(), (QStringList{deleteOrders, deleteOrders}));
        QCOMPARE(s.messages.texts(), (QStringList{"Purge Complete", "DELETE permission denied"}));
        QCOMPARE(s.messages.shown().value(0).icon, MessageIcon::None);
        QCOMPARE(s.messages.shown().value(1).icon, MessageIcon::Critical);
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
        s.click(s.window->purgeButton());
        QCOMPARE(s.db.statements(),
                 (QStringList{"Select * from ZOTA_ORDERS", "Delete from ZOTA_ORDERS"}));
        QCOMPARE(s.messages.texts(), QStringList());
        QCOMPARE(s.reloads, QList<Grid*>{&s.installed});
        QCOMPARE(s.installed.cellText(0, 0), QStringLiteral("NO RECORDS"));
        QCOMPARE(s.db.openNow(), 0);
    }

    void everyButtonActsOnTheRowCurrentWhenPressed() {
        Stand s(Stand::Backend::SqlServer);
        s.typeFileName("first");
        s.click(s.window->exportButton());
        s.installed.setCurrentCell(1, 0);
        s.click(s.window->purgeButton());
        s.typeFileName("second");
        s.click(s.window->exportButton());
        QCOMPARE(s.db.statements(), (QStringList{selectOrders, deleteItems, selectItems}));
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
        scripted.onQuery(selectOrders, QStringList{"ORDER_NO", "UserName"}, numberedRows(3000));
        FailingReadFactory failing(scripted, selectOrders, 1200, linkFailure());
        Stand s(Stand::Backend::SqlServer, &failing);
        for (QAbstractButton* format : QList<QAbstractButton*>{
                 s.window->csvOption(), s.window->xmlOption(), s.window->excelOption()}) {
            scripted.clearLog();
            s.messages.clear();
            s.click(format);
            s.typeFileName("archive");
            s.click(s.window->bothButton());
            QCOMPARE(scripted.statements(), QStringList{selectOrders});
            QCOMPARE(s.messages.texts(), QStringList{"Communication link failure"});
            QCOMPARE(s.messages.shown().value(0).icon, MessageIcon::Critical);
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
        s.click(s.window->bothButton());
        QCOMPARE(s.db.statements(), QStringList{"Select * from ZOTA_ITEMS"});
        QCOMPARE(s.messages.texts(), QStringList{"Table ZOTA_ITEMS not found"});
        QCOMPARE(s.folderFiles(), QStringList());
        // A failed export reloads the SQLBase list, as after a purge.
        QCOMPARE(s.reloads.size(), 1);
        QCOMPARE(s.db.openNow(), 0);
    }

    void cancelInTheProgressDialogLeavesNoFileAndPurgesNothing() {
        Stand s(Stand::Backend::SqlServer);
        s.db.onQuery("Select * from tblZOTA_Big", QStringList{"ORDER_NO", "UserName"},
                     numberedRows(20000));
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
        s.click(s.window->bothButton());
        QVERIFY(dialogSeen);
        QCOMPARE(s.db.statements(), QStringList{"Select * from tblZOTA_Big"});
        QCOMPARE(s.folderFiles(), QStringList());
        QCOMPARE(s.messages.texts(), QStringList());
        QVERIFY(!s.window->exportCompleted());
        QVERIFY(s.window->findChild<QProgressDialog*>() == nullptr);
    }
};

QTEST_MAIN(AuditExportWindowTest)
#include "AuditExportWindowTest.moc"
