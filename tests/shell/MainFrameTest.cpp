#include "shell/MainFrame.h"
#include "CloseRecordingWidget.h"
#include "LauncherLog.h"
#include "ShellServices.h"
#include "ShellTests.h"
#include "shell/AboutBox.h"
#include "shell/SelectionWindow.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <memory>

using namespace quorvex;
using namespace quorvex::testing;

namespace {

QStringList actionTexts(const QList<QAction*>& actions) {
    QStringList texts;
    for (const QAction* action : actions) {
        texts << action->text();
    }
    return texts;
}

QStringList actionNames(const QList<QAction*>& actions) {
    QStringList names;
    for (const QAction* action : actions) {
        names << (action->menu() != nullptr ? action->menu()->objectName() : action->objectName());
    }
    return names;
}

QStringList childNames(const QMdiArea* area) {
    QStringList names;
    for (const QMdiSubWindow* sub : area->subWindowList(QMdiArea::CreationOrder)) {
        names << sub->widget()->objectName();
    }
    return names;
}

} // namespace

class MainFrameTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        m_services = std::make_unique<ShellServices>();
        m_launchers = std::make_unique<LauncherLog>();
        m_frame = std::make_unique<MainFrame>(m_services->services, m_launchers->launchers());
    }
    void cleanup() {
        m_frame.reset();
        m_launchers.reset();
        m_services.reset();
    }

    // --- what the frame looks like ---

    void frameCarriesItsCaptionAndMenus() {
        QCOMPARE(m_frame->objectName(), QStringLiteral("MDIForm1"));
        QCOMPARE(m_frame->windowTitle(), QStringLiteral("MDIForm1"));
        const QList<QAction*> menus = m_frame->menuBar()->actions();
        QCOMPARE(actionTexts(menus), (QStringList{"&File", "&Help"}));
        QCOMPARE(actionNames(menus), (QStringList{"mnuFile", "mnuHelp"}));

        const QList<QAction*> fileItems = menus.at(0)->menu()->actions();
        QCOMPARE(actionTexts(fileItems), (QStringList{"&Exit"}));
        QCOMPARE(actionNames(fileItems), (QStringList{"mnuExit"}));

        const QList<QAction*> helpItems = menus.at(1)->menu()->actions();
        QCOMPARE(actionTexts(helpItems), (QStringList{"Help File", "About"}));
        QCOMPARE(actionNames(helpItems), (QStringList{"mnushowhelp", "mnuabout"}));
    }

    void workspaceFillsTheClientAreaAtItsDesignSize() {
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
        QCOMPARE(m_frame->centralWidget(), static_cast<QWidget*>(m_frame->mdiArea()));
        QCOMPARE(m_frame->mdiArea()->size(), QSize(586, 453));
        QCOMPARE(m_frame->mdiArea()->background().color(),
                 m_frame->palette().color(QPalette::Dark));
    }

    // --- start-up ---

    void choiceWindowIsTheOnlyChildAtStart() {
        QCOMPARE(childNames(m_frame->mdiArea()), (QStringList{"frmSelection"}));
        QVERIFY(m_frame->selectionWindow() != nullptr);
        QCOMPARE(m_frame->mdiArea()->subWindowList().at(0)->widget(),
                 static_cast<QWidget*>(m_frame->selectionWindow()));
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
        QVERIFY(m_frame->selectionWindow()->isVisible());
        QCOMPARE(m_launchers->calls(), QStringList());
    }

    void fixedSizeChildGetsFixedBorderWithoutMaximizeOrMinimize() {
        QMdiSubWindow* sub = m_frame->mdiArea()->subWindowList().at(0);
        QCOMPARE(sub->minimumSize(), sub->maximumSize());
        QCOMPARE(sub->windowFlags() & (Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint),
                 Qt::WindowFlags());
        QVERIFY(sub->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    }

    void hidingTheChoiceWindowKeepsItLoaded() {
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
        m_frame->hideSelectionWindow();
        QVERIFY(m_frame->selectionWindow() != nullptr);
        QVERIFY(!m_frame->selectionWindow()->isVisible());
        QCOMPARE(childNames(m_frame->mdiArea()), (QStringList{"frmSelection"}));
    }

    // --- ending the run ---

    void exitEndsTheProcessWithoutAnyCloseHandling() {
        int closeCount = 0;
        m_frame->addChild(new CloseRecordingWidget(&closeCount));
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));

        m_frame->findChild<QAction*>(QStringLiteral("mnuExit"))->trigger();

        QCOMPARE(m_services->process.exitCodes(), (QList<int>{0}));
        QCOMPARE(closeCount, 0);
        QVERIFY(m_frame->isVisible());
        QCOMPARE(childNames(m_frame->mdiArea()), (QStringList{"frmSelection", "closeRecorder"}));
    }

    void closingTheFrameClosesEveryChildFirst() {
        int closeCount = 0;
        m_frame->addChild(new CloseRecordingWidget(&closeCount));
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
        m_frame->showAbout();

        QVERIFY(m_frame->close());

        QCOMPARE(closeCount, 1);
        QVERIFY(!m_frame->isVisible());
        QVERIFY(!m_frame->aboutBox()->isVisible());
        QCOMPARE(m_services->process.exitCodes(), QList<int>());
    }

    void childRefusingToCloseKeepsTheFrameOpen() {
        int closeCount = 0;
        m_frame->addChild(
            new CloseRecordingWidget(&closeCount, CloseRecordingWidget::OnClose::Refuse));
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));

        QVERIFY(!m_frame->close());

        QCOMPARE(closeCount, 1);
        QVERIFY(m_frame->isVisible());
    }

    // --- help ---

    void helpOpensThePageNextToTheProgram_data() {
        QTest::addColumn<bool>("desktopSucceeds");
        QTest::newRow("desktop opens the page") << true;
        QTest::newRow("desktop cannot open the page, no message of ours") << false;
    }
    void helpOpensThePageNextToTheProgram() {
        QFETCH(bool, desktopSucceeds);
        m_services->desktop.setSucceeds(desktopSucceeds);

        m_frame->findChild<QAction*>(QStringLiteral("mnushowhelp"))->trigger();

        QCOMPARE(m_services->desktop.opened(), (QStringList{"/opt/quorvex/bin/Quorvex.htm"}));
        QCOMPARE(m_services->messages.texts(), QStringList());
        QCOMPARE(m_services->process.exitCodes(), QList<int>());
    }

    // --- about ---

    void aboutShowsOneFreeStandingBox() {
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
        QAction* about = m_frame->findChild<QAction*>(QStringLiteral("mnuabout"));

        about->trigger();
        AboutBox* first = m_frame->aboutBox();
        QVERIFY(first != nullptr);
        QVERIFY(first->isVisible());
        QVERIFY(first->isWindow());
        QVERIFY(!first->isModal());
        QCOMPARE(first->windowTitle(), QStringLiteral("About Quorvex"));
        QCOMPARE(childNames(m_frame->mdiArea()), (QStringList{"frmSelection"}));

        about->trigger();
        QCOMPARE(m_frame->aboutBox(), first);
        QCOMPARE(m_frame->findChildren<AboutBox*>().size(), 1);

        first->close();
        about->trigger();
        QCOMPARE(m_frame->aboutBox(), first);
        QVERIFY(first->isVisible());
    }

private:
    std::unique_ptr<ShellServices> m_services;
    std::unique_ptr<LauncherLog> m_launchers;
    std::unique_ptr<MainFrame> m_frame;
};

int runMainFrameTests(int argc, char** argv) {
    MainFrameTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MainFrameTest.moc"
