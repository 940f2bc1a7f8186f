#include "shell/SelectionWindow.h"
#include "LauncherLog.h"
#include "ShellServices.h"
#include "ShellTests.h"
#include "shell/MainFrame.h"

#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <memory>

using namespace quorvex;
using namespace quorvex::testing;

namespace {

QStringList childNames(const QMdiArea* area) {
    QStringList names;
    for (const QMdiSubWindow* sub : area->subWindowList(QMdiArea::CreationOrder)) {
        names << sub->widget()->objectName();
    }
    return names;
}

void clickOption(QRadioButton* option) {
    // On the round indicator, which every style counts as part of the button.
    QTest::mouseClick(option, Qt::LeftButton, Qt::NoModifier, QPoint(8, option->height() / 2));
}

void flushDeletions() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class SelectionWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        m_services = std::make_unique<ShellServices>();
        makeFrame(LauncherLog::Outcome::MakeWindow);
    }
    void cleanup() {
        m_frame.reset();
        m_launchers.reset();
        m_services.reset();
    }

    // --- layout ---

    void windowFollowsItsDesign() {
        SelectionWindow* window = m_frame->selectionWindow();
        QCOMPARE(window->windowTitle(), QStringLiteral("Choose DB Sever Type"));
        QCOMPARE(window->minimumSize(), QSize(194, 203));
        QCOMPARE(window->maximumSize(), QSize(194, 203));

        auto* label = window->findChild<QLabel*>(QStringLiteral("Label1"));
        QVERIFY(label != nullptr);
        QCOMPARE(label->text(), QStringLiteral("Connect to"));
        QCOMPARE(label->geometry(), QRect(8, 16, 185, 17));
        QVERIFY(label->font().bold());

        QCOMPARE(window->sqlServerOption()->objectName(), QStringLiteral("optSqlServer"));
        QCOMPARE(window->sqlServerOption()->text(), QStringLiteral("MS SQL Server"));
        QCOMPARE(window->sqlServerOption()->geometry(), QRect(32, 48, 145, 25));
        QCOMPARE(window->sqlBaseOption()->objectName(), QStringLiteral("optSqlBase"));
        QCOMPARE(window->sqlBaseOption()->text(), QStringLiteral("Centura SQLBase"));
        QCOMPARE(window->sqlBaseOption()->geometry(), QRect(32, 88, 153, 25));
        QCOMPARE(window->okButton()->objectName(), QStringLiteral("cmdOk"));
        QCOMPARE(window->okButton()->text(), QStringLiteral("OK"));
        QCOMPARE(window->okButton()->geometry(), QRect(48, 136, 81, 33));
    }

    void nothingIsChosenAndOkHasTheFocusAtOpen() {
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
        SelectionWindow* window = m_frame->selectionWindow();
        QVERIFY(!window->sqlServerOption()->isChecked());
        QVERIFY(!window->sqlBaseOption()->isChecked());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(window->okButton()));
        QCOMPARE(window->sqlServerOption()->nextInFocusChain(),
                 static_cast<QWidget*>(window->sqlBaseOption()));

        QTest::keyClick(window->okButton(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(window->sqlServerOption()));
        QVERIFY(!window->sqlServerOption()->isChecked());
    }

    // --- the choice ---

    void okWithoutAChoiceDoesNothing() {
        SelectionWindow* window = m_frame->selectionWindow();
        QTest::mouseClick(window->okButton(), Qt::LeftButton);
        flushDeletions();

        QCOMPARE(m_launchers->calls(), QStringList());
        QCOMPARE(m_frame->selectionWindow(), window);
        QCOMPARE(childNames(m_frame->mdiArea()), (QStringList{"frmSelection"}));
    }

    void choiceOpensExactlyItsLoginAndUnloadsTheChoice_data() {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QStringList>("expectedCalls");
        QTest::addColumn<QString>("expectedLogin");
        QTest::newRow("MS SQL Server opens the SQL Server login")
            << "optSqlServer" << QStringList{"sqlServer"} << "frmSqlLogin";
        QTest::newRow("Centura SQLBase opens the SQLBase login")
            << "optSqlBase" << QStringList{"sqlBase"} << "frmLogin";
    }
    void choiceOpensExactlyItsLoginAndUnloadsTheChoice() {
        QFETCH(QString, option);
        QFETCH(QStringList, expectedCalls);
        QFETCH(QString, expectedLogin);
        QPointer<SelectionWindow> window = m_frame->selectionWindow();

        clickOption(window->findChild<QRadioButton*>(option));
        QVERIFY(window->findChild<QRadioButton*>(option)->isChecked());
        QTest::mouseClick(window->okButton(), Qt::LeftButton);
        flushDeletions();

        QCOMPARE(m_launchers->calls(), expectedCalls);
        QVERIFY(window.isNull());
        QCOMPARE(m_frame->selectionWindow(), nullptr);
        QCOMPARE(childNames(m_frame->mdiArea()), QStringList{expectedLogin});
    }

    void laterChoiceReplacesEarlierOne() {
        SelectionWindow* window = m_frame->selectionWindow();
        clickOption(window->sqlServerOption());
        clickOption(window->sqlBaseOption());
        QVERIFY(!window->sqlServerOption()->isChecked());

        QTest::mouseClick(window->okButton(), Qt::LeftButton);

        QCOMPARE(m_launchers->calls(), (QStringList{"sqlBase"}));
    }

    void enterOnTheFocusedOkConfirmsTheChoice() {
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
        SelectionWindow* window = m_frame->selectionWindow();
        window->sqlServerOption()->setChecked(true);
        window->okButton()->setFocus();

        QTest::keyClick(window->okButton(), Qt::Key_Return);

        QCOMPARE(m_launchers->calls(), (QStringList{"sqlServer"}));
    }

    void choiceWithoutALoginWindowKeepsTheChoiceOpen() {
        makeFrame(LauncherLog::Outcome::MakeNothing);
        SelectionWindow* window = m_frame->selectionWindow();
        clickOption(window->sqlBaseOption());

        QTest::mouseClick(window->okButton(), Qt::LeftButton);
        flushDeletions();

        QCOMPARE(m_launchers->calls(), (QStringList{"sqlBase"}));
        QCOMPARE(m_frame->selectionWindow(), window);
        QCOMPARE(childNames(m_frame->mdiArea()), (QStringList{"frmSelection"}));
    }

private:
    void makeFrame(LauncherLog::Outcome outcome) {
        m_frame.reset();
        m_launchers = std::make_unique<LauncherLog>(outcome);
        m_frame = std::make_unique<MainFrame>(m_services->services, m_launchers->launchers());
    }

    std::unique_ptr<ShellServices> m_services;
    std::unique_ptr<LauncherLog> m_launchers;
    std::unique_ptr<MainFrame> m_frame;
};

int runSelectionWindowTests(int argc, char** argv) {
    SelectionWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SelectionWindowTest.moc"
