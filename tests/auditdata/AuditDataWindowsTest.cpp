// A back end's viewer and export window inside the main frame: one of each for the run,
// opened on the buttons' conditions, surviving their own close, gone with their owner.
#include "auditdata/AuditDataWindows.h"
#include "auditdata/AuditExportWindow.h"
#include "auditdata/AuditViewerWindow.h"
#include "auditdata/SqlServerAuditData.h"
#include "components/Grid.h"
#include "components/PlatformServices.h"
#include "shell/MainFrame.h"
#include "sqlserver/SqlServerSession.h"

#include "support/FakeDatabase.h"
#include "support/FakeWorkingDirectory.h"
#include "support/RecordingDesktopServices.h"
#include "support/RecordingProcessControl.h"
#include "support/ScriptedMessageService.h"

#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QRadioButton>
#include <QtTest>

using namespace quorvex;
using namespace quorvex::testing;

namespace {

struct FrameStand {
    FrameStand()
        : services{messages, process, desktop, workingDirectory, db}, frame(services, {}),
          session(db) {
        session.login() = SqlServerLoginValues{"db1", "sa", "pw", "Sales"};
        db.onQuery("Select * from tblZOTA_Orders", QStringList{"ORDER_NO"}, {textRow({"1"})});
        installed.setColCount(4);
        installed.insertRows(0, 2);
        installed.setCellText(0, 0, "Orders");
        installed.setCellText(1, 0, "Items");
        windows = std::make_unique<AuditDataWindows>(
            std::make_unique<SqlServerAuditData>(session, messages), services,
            [this](QWidget& window) { frame.addChild(&window); });
    }

    QMdiSubWindow* subWindowOf(QWidget* window) const {
        return qobject_cast<QMdiSubWindow*>(window->parentWidget());
    }
    int childCount() const { return int(frame.mdiArea()->subWindowList().size()); }

    FakeDatabase db;
    ScriptedMessageService messages;
    RecordingProcessControl process;
    RecordingDesktopServices desktop;
    FakeWorkingDirectory workingDirectory;
    PlatformServices services;
    MainFrame frame;
    SqlServerSession session;
    Grid installed;
    std::unique_ptr<AuditDataWindows> windows;
};

} // namespace

class AuditDataWindowsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void viewerIsOneFrameChildReusedByEveryViewAndAfterItsClose() {
        FrameStand s;
        s.frame.show();
        const int before = s.childCount();
        s.installed.setCurrentCell(0, 0);
        s.windows->view(s.installed);
        QPointer<AuditViewerWindow> viewer = s.windows->viewer();
        QVERIFY(viewer != nullptr);
        QVERIFY(s.subWindowOf(viewer) != nullptr);
        s.windows->view(s.installed);
        QCOMPARE(s.windows->viewer(), viewer.data());
        QCOMPARE(s.childCount(), before + 1);
        QVERIFY(s.subWindowOf(viewer)->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!viewer.isNull());
        QVERIFY(!viewer->isVisible());
        s.windows->view(s.installed);
        QCOMPARE(s.windows->viewer(), viewer.data());
        QVERIFY(viewer->isVisible());
        QCOMPARE(viewer->grid()->cellText(0, 0), QStringLiteral("1"));
        QCOMPARE(s.db.statements(), QStringList(3, "Select * from tblZOTA_Orders"));
    }

    void exportWindowOpensOnlyWithASelectedRowAndKeepsItsChoicesAcrossAClose() {
        FrameStand s;
        s.frame.show();
        s.installed.setCurrentCell(1, 0);
        s.windows->openExport(s.installed);
        QVERIFY(s.windows->exportWindow() == nullptr);
        s.installed.setRowSelected(0, true);
        s.windows->openExport(s.installed);
        QPointer<AuditExportWindow> window = s.windows->exportWindow();
        QVERIFY(window != nullptr);
        QCOMPARE(window->objectName(), QStringLiteral("frmSqlExport"));
        QTest::keyClicks(window->fileNameBox(), "orders");
        QTest::mouseClick(window->xmlOption(), Qt::LeftButton);
        QVERIFY(s.subWindowOf(window)->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!window.isNull());
        s.windows->openExport(s.installed);
        QCOMPARE(s.windows->exportWindow(), window.data());
        QVERIFY(window->isVisible());
        QCOMPARE(window->fileNameBox()->text(), QStringLiteral("orders"));
        QCOMPARE(window->selectedFormat(), ExportFormat::Xml);
    }

    void windowsGoWithTheirOwner() {
        FrameStand s;
        const int before = s.childCount();
        s.installed.setCurrentCell(0, 0);
        s.installed.setRowSelected(0, true);
        s.windows->view(s.installed);
        s.windows->openExport(s.installed);
        QPointer<AuditViewerWindow> viewer = s.windows->viewer();
        QPointer<AuditExportWindow> exporter = s.windows->exportWindow();
        QCOMPARE(s.childCount(), before + 2);
        s.windows.reset();
        QVERIFY(viewer.isNull());
        QVERIFY(exporter.isNull());
        QCOMPARE(s.childCount(), before);
    }
};

QTEST_MAIN(AuditDataWindowsTest)
#include "AuditDataWindowsTest.moc"
