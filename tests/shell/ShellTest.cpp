#include "components/PlatformServices.h"
#include "components/QtDesktopServices.h"
#include "components/QtMessageService.h"
#include "components/Version.h"
#include "shell/AboutBox.h"
#include "shell/MainFrame.h"
#include "shell/SelectionWindow.h"
#include "support/FakeDatabase.h"
#include "support/FakeWorkingDirectory.h"
#include "support/RecordingDesktopServices.h"
#include "support/RecordingProcessControl.h"
#include "support/ScriptedMessageService.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace quorvex;
using namespace quorvex::testing;

Q_DECLARE_METATYPE(quorvex::MessageIcon)

namespace {

// Every seam recorded; program and working folders differ, so a path shows which it came from.
struct ShellServices {
    ScriptedMessageService messages;
    RecordingProcessControl process;
    RecordingDesktopServices desktop{"/opt/quorvex/bin"};
    FakeWorkingDirectory workingDirectory{"/home/dba/work"};
    FakeDatabase database;
    PlatformServices services{messages, process, desktop, workingDirectory, database};
};

// A child window that counts how often its close handling ran, and can refuse to close.
struct CloseRecorder : QWidget {
    enum class OnClose { Accept, Refuse };
    CloseRecorder(int* count, OnClose onClose) : count(count), onClose(onClose) {
        setObjectName("closeRecorder");
    }
    void closeEvent(QCloseEvent* event) override {
        ++*count;
        event->setAccepted(onClose == OnClose::Accept);
    }
    int* count;
    OnClose onClose;
};

QStringList childNames(const QMdiArea* area) {
    QStringList names;
    for (const QMdiSubWindow* sub : area->subWindowList(QMdiArea::CreationOrder))
        names << sub->widget()->objectName();
    return names;
}

// "&File=mnuFile": each action's text and the name of its menu or of itself.
QStringList menuEntries(const QList<QAction*>& actions) {
    QStringList entries;
    for (const QAction* action : actions)
        entries << action->text() + "=" +
                       (action->menu() ? action->menu()->objectName() : action->objectName());
    return entries;
}

// What a message box looked like while it was up.
struct SeenBox {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

// Reads the next modal box, then ends it with the button `answer`, or Esc if it has none.
void answerNextBox(SeenBox* seen, QMessageBox::StandardButton answer) {
    QTimer::singleShot(0, [seen, answer] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr)
            return;
        *seen = {box->windowTitle(), box->text(), box->icon(), box->standardButtons(),
                 box->defaultButton() ? box->standardButton(box->defaultButton())
                                      : QMessageBox::NoButton};
        if (box->button(answer) != nullptr)
            box->button(answer)->click();
        else
            QTest::keyClick(box, Qt::Key_Escape);
    });
}

} // namespace

Q_DECLARE_METATYPE(CloseRecorder::OnClose)

class ShellTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { makeFrame(Login::Made); }

    // --- the frame ---
    void frameCarriesItsMenusAndOpensWithTheChoiceWindowAsItsOnlyChild() {
        QCOMPARE(m_frame->objectName(), "MDIForm1");
        QCOMPARE(m_frame->windowTitle(), "MDIForm1");
        const QList<QAction*> menus = m_frame->menuBar()->actions();
        QCOMPARE(menuEntries(menus), (QStringList{"&File=mnuFile", "&Help=mnuHelp"}));
        QCOMPARE(menuEntries(menus.at(0)->menu()->actions()), QStringList{"&Exit=mnuExit"});
        QCOMPARE(menuEntries(menus.at(1)->menu()->actions()),
                 (QStringList{"Help File=mnushowhelp", "About=mnuabout"}));
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
        QCOMPARE(m_frame->centralWidget(), static_cast<QWidget*>(m_frame->mdiArea()));
        QCOMPARE(m_frame->mdiArea()->size(), QSize(586, 453));
        QCOMPARE(m_frame->mdiArea()->background().color(),
                 m_frame->palette().color(QPalette::Dark));
        QCOMPARE(childNames(m_frame->mdiArea()), QStringList{"frmSelection"});
        QMdiSubWindow* sub = m_frame->mdiArea()->subWindowList().at(0);
        QCOMPARE(sub->widget(), static_cast<QWidget*>(m_frame->selectionWindow()));
        QVERIFY(m_frame->selectionWindow()->isVisible());
        QCOMPARE(m_launches, QStringList());
        // A fixed border: no maximize or minimize button.
        QCOMPARE(sub->minimumSize(), sub->maximumSize());
        QCOMPARE(sub->windowFlags() & (Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint),
                 Qt::WindowFlags());
        QVERIFY(sub->windowFlags().testFlag(Qt::WindowCloseButtonHint));
        // Hiding the choice window keeps it loaded.
        m_frame->hideSelectionWindow();
        QVERIFY(m_frame->selectionWindow() != nullptr);
        QVERIFY(!m_frame->selectionWindow()->isVisible());
        QCOMPARE(childNames(m_frame->mdiArea()), QStringList{"frmSelection"});
    }

    void closingTheFrameClosesEveryChildFirstButExitDoesNot_data() {
        QTest::addColumn<bool>("exit");
        QTest::addColumn<CloseRecorder::OnClose>("onClose");
        QTest::newRow("every child closes: so does the frame")
            << false << CloseRecorder::OnClose::Accept;
        QTest::newRow("a child refusing keeps the frame open")
            << false << CloseRecorder::OnClose::Refuse;
        QTest::newRow("Exit ends the process without any close handling")
            << true << CloseRecorder::OnClose::Accept;
    }
    void closingTheFrameClosesEveryChildFirstButExitDoesNot() {
        QFETCH(bool, exit);
        QFETCH(CloseRecorder::OnClose, onClose);
        int closeCount = 0;
        m_frame->addChild(new CloseRecorder(&closeCount, onClose));
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
        m_frame->showAbout();
        const bool closes = !exit && onClose == CloseRecorder::OnClose::Accept;
        if (exit)
            m_frame->findChild<QAction*>("mnuExit")->trigger();
        else
            QCOMPARE(m_frame->close(), closes);
        QCOMPARE(closeCount, exit ? 0 : 1);
        QCOMPARE(m_frame->isVisible(), !closes);
        QCOMPARE(m_frame->aboutBox()->isVisible(), !closes);
        QCOMPARE(m_services->process.exitCodes(), exit ? QList<int>{0} : QList<int>());
        if (exit)
            QCOMPARE(childNames(m_frame->mdiArea()),
                     (QStringList{"frmSelection", "closeRecorder"}));
    }

    void helpOpensThePageNextToTheProgramWithNoMessageOfOurs() {
        for (bool desktopSucceeds : {true, false}) {
            m_services->desktop.setSucceeds(desktopSucceeds);
            m_frame->findChild<QAction*>("mnushowhelp")->trigger();
        }
        QCOMPARE(m_services->desktop.opened(), QStringList(2, "/opt/quorvex/bin/Quorvex.htm"));
        QCOMPARE(m_services->messages.texts(), QStringList());
        QCOMPARE(m_services->process.exitCodes(), QList<int>());
    }

    // --- the choice of back end ---
    void choiceWindowOpensWithNothingChosenAndTheFocusOnOk() {
        SelectionWindow* window = m_frame->selectionWindow();
        QCOMPARE(window->windowTitle(), "Choose DB Sever Type");
        QCOMPARE(window->minimumSize(), QSize(194, 203));
        QCOMPARE(window->maximumSize(), QSize(194, 203));
        auto* label = window->findChild<QLabel*>("Label1");
        QVERIFY(label != nullptr && label->font().bold());
        QCOMPARE(label->text(), "Connect to");
        QStringList controls;
        for (const QAbstractButton* control : QList<QAbstractButton*>{
                 window->sqlServerOption(), window->sqlBaseOption(), window->okButton()})
            controls << control->objectName() + "=" + control->text();
        QCOMPARE(controls, (QStringList{"optSqlServer=MS SQL Server", "optSqlBase=Centura SQLBase",
                                        "cmdOk=OK"}));
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
        QVERIFY(!window->sqlServerOption()->isChecked() && !window->sqlBaseOption()->isChecked());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(window->okButton()));
        QCOMPARE(window->sqlServerOption()->nextInFocusChain(),
                 static_cast<QWidget*>(window->sqlBaseOption()));
        QTest::keyClick(window->okButton(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(window->sqlServerOption()));
        QVERIFY(!window->sqlServerOption()->isChecked());
        // Enter on the focused OK confirms the choice.
        window->sqlServerOption()->setChecked(true);
        window->okButton()->setFocus();
        QTest::keyClick(window->okButton(), Qt::Key_Return);
        QCOMPARE(m_launches, QStringList{"sqlServer"});
    }

    void okOpensTheLaterChoicesLoginAndUnloadsTheChoice_data() {
        QTest::addColumn<QStringList>("clicked");
        QTest::addColumn<bool>("loginMade");
        QTest::addColumn<QString>("calls");
        QTest::addColumn<QString>("children");
        QTest::newRow("MS SQL Server opens the SQL Server login")
            << QStringList{"optSqlBase", "optSqlServer"} << true << "sqlServer"
            << "frmSqlLogin";
        QTest::newRow("Centura SQLBase opens the SQLBase login")
            << QStringList{"optSqlServer", "optSqlBase"} << true << "sqlBase"
            << "frmLogin";
        QTest::newRow("nothing chosen keeps the choice open") << QStringList{} << true << ""
                                                              << "frmSelection";
        QTest::newRow("no login window made keeps the choice open")
            << QStringList{"optSqlBase"} << false << "sqlBase"
            << "frmSelection";
    }
    void okOpensTheLaterChoicesLoginAndUnloadsTheChoice() {
        QFETCH(QStringList, clicked);
        QFETCH(bool, loginMade);
        QFETCH(QString, calls);
        QFETCH(QString, children);
        makeFrame(loginMade ? Login::Made : Login::NotMade);
        QPointer<SelectionWindow> window = m_frame->selectionWindow();
        // On the round indicator, which every style counts as part of the button.
        for (const QString& option : clicked) {
            auto* button = window->findChild<QRadioButton*>(option);
            QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier,
                              QPoint(8, button->height() / 2));
        }
        for (const QString& option : clicked)
            QCOMPARE(window->findChild<QRadioButton*>(option)->isChecked(),
                     option == clicked.last());
        QTest::mouseClick(window->okButton(), Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(m_launches.join(','), calls);
        QCOMPARE(childNames(m_frame->mdiArea()), QStringList{children});
        const bool stays = children == "frmSelection";
        QCOMPARE(window.isNull(), !stays);
        QCOMPARE(m_frame->selectionWindow(), stays ? window.data() : nullptr);
    }

    // --- the About box ---
    void versionTextLeavesOutTheBuildNumber_data() {
        QTest::addColumn<QList<int>>("numbers");
        QTest::addColumn<QString>("expected");
        QTest::newRow("file version 1.1.0.3") << QList<int>{1, 1, 3} << "Version 1.1.3";
        QTest::newRow("file version 1.0.0.1") << QList<int>{1, 0, 1} << "Version 1.0.1";
        QTest::newRow("numbers in decimal without leading zeros")
            << QList<int>{12, 0, 40} << "Version 12.0.40";
    }

    void versionTextLeavesOutTheBuildNumber() {
        QFETCH(QList<int>, numbers);
        QFETCH(QString, expected);
        QCOMPARE(aboutVersionText(numbers[0], numbers[1], numbers[2]), expected);
    }

    void aboutShowsOneFreeStandingFixedSizeBox() {
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
        QAction* about = m_frame->findChild<QAction*>("mnuabout");
        about->trigger();
        AboutBox* box = m_frame->aboutBox();
        QVERIFY(box != nullptr);
        QVERIFY(box->isVisible() && box->isWindow() && !box->isModal());
        QCOMPARE(childNames(m_frame->mdiArea()), QStringList{"frmSelection"});
        QStringList texts{box->objectName(), box->windowTitle()};
        for (const char* name : {"lblTitle", "lblVersion", "lblDescription"})
            texts << box->findChild<QLabel*>(name)->text();
        texts << box->okButton()->text() << box->sysInfoButton()->text();
        QCOMPARE(texts, (QStringList{"frmAbout", "About Quorvex", "Quorvex",
                                     aboutVersionText(version::majorNumber, version::minorNumber,
                                                      version::revisionNumber),
                                     "App Description", "OK", "&System Info..."}));
        QVERIFY(box->okButton()->isDefault());
        QCOMPARE(box->findChild<QLabel*>("picIcon")->pixmap().size(), QSize(32, 32));
        QCOMPARE(box->minimumSize(), QSize(382, 237));
        QCOMPARE(box->maximumSize(), QSize(382, 237));
        QCOMPARE(box->windowFlags() & (Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint |
                                       Qt::WindowContextHelpButtonHint),
                 Qt::WindowFlags());
        // System Info only says it is unavailable.
        QTest::mouseClick(box->sysInfoButton(), Qt::LeftButton);
        QCOMPARE(m_services->messages.texts(),
                 QStringList{"System Information Is Unavailable At This Time"});
        QCOMPARE(m_services->messages.shown().at(0).kind, ShownMessage::Kind::Message);
        QCOMPARE(m_services->messages.shown().at(0).icon, MessageIcon::None);
        QVERIFY(box->isVisible());
        // The menu item never makes a second box, and shows the closed one again.
        about->trigger();
        QCOMPARE(m_frame->findChildren<AboutBox*>(), QList<AboutBox*>{box});
        box->close();
        about->trigger();
        QCOMPARE(m_frame->aboutBox(), box);
        QVERIFY(box->isVisible());
    }

    void aboutBoxClosesOnOkEscEnterAndReturn_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("OK button") << 0;
        QTest::newRow("Esc") << int(Qt::Key_Escape);
        QTest::newRow("Enter") << int(Qt::Key_Enter);
        QTest::newRow("Return") << int(Qt::Key_Return);
    }
    void aboutBoxClosesOnOkEscEnterAndReturn() {
        QFETCH(int, key);
        ScriptedMessageService messages;
        AboutBox box(messages);
        box.show();
        QVERIFY(QTest::qWaitForWindowActive(&box));
        QVERIFY(box.focusWidget() != nullptr);
        if (key == 0)
            QTest::mouseClick(box.okButton(), Qt::LeftButton);
        else
            QTest::keyClick(box.focusWidget(), Qt::Key(key));
        QVERIFY(!box.isVisible());
        QCOMPARE(messages.texts(), QStringList());
    }

    // --- the desktop's side of the seams ---
    void boxesCarryTheApplicationTitleAndTheirOwnButtons_data() {
        QTest::addColumn<int>("answer"); // OK for a message
        QTest::addColumn<MessageIcon>("icon");
        QTest::addColumn<int>("shownIcon");
        QTest::addColumn<bool>("expected");
        const int ok = QMessageBox::Ok;
        QTest::newRow("message, no icon")
            << ok << MessageIcon::None << int(QMessageBox::NoIcon) << false;
        QTest::newRow("message, information")
            << ok << MessageIcon::Information << int(QMessageBox::Information) << false;
        QTest::newRow("message, exclamation")
            << ok << MessageIcon::Exclamation << int(QMessageBox::Warning) << false;
        QTest::newRow("message, critical")
            << ok << MessageIcon::Critical << int(QMessageBox::Critical) << false;
        const int question = QMessageBox::Question;
        QTest::newRow("Yes goes ahead")
            << int(QMessageBox::Yes) << MessageIcon::None << question << true;
        QTest::newRow("No holds back")
            << int(QMessageBox::No) << MessageIcon::None << question << false;
        QTest::newRow("Esc answers No")
            << int(QMessageBox::Cancel) << MessageIcon::None << question << false;
    }
    void boxesCarryTheApplicationTitleAndTheirOwnButtons() {
        QFETCH(int, answer);
        QFETCH(MessageIcon, icon);
        QFETCH(int, shownIcon);
        SeenBox seen;
        answerNextBox(&seen, QMessageBox::StandardButton(answer));
        const bool isQuestion = answer != QMessageBox::Ok;
        if (isQuestion) {
            QFETCH(bool, expected);
            QCOMPARE(QtMessageService().askYesNo("Table <b>ORDERS</b>: delete?"), expected);
        } else {
            QtMessageService().show("Table <b>ORDERS</b>: delete?", icon);
        }
        QCOMPARE(seen.title, "Quorvex");
        QCOMPARE(seen.text, "Table <b>ORDERS</b>: delete?");
        QCOMPARE(int(seen.icon), shownIcon);
        QCOMPARE(seen.buttons, isQuestion ? QMessageBox::Yes | QMessageBox::No
                                          : QMessageBox::StandardButtons(QMessageBox::Ok));
        if (isQuestion)
            QCOMPARE(seen.defaultButton, QMessageBox::Yes);
    }

    void programFolderIsWhereTheProgramIsNotTheWorkingFolder() {
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(QDir::rootPath()));
        const QString folder = QtDesktopServices().programFolder();
        QVERIFY(QDir::setCurrent(before));
        const QString programFile = QFileInfo("/proc/self/exe").canonicalFilePath();
        QCOMPARE(QDir(folder).canonicalPath(), QFileInfo(programFile).canonicalPath());
        QVERIFY(QDir(folder).canonicalPath() != QDir::rootPath());
    }

private:
    // Launchers that record the back end asked for and make a stand-in login window, or none.
    enum class Login { Made, NotMade };
    void makeFrame(Login login) {
        m_frame.reset();
        m_services = std::make_unique<ShellServices>();
        m_launches.clear();
        const auto launch = [this, login](const QString& backend, const QString& windowName) {
            m_launches << backend;
            QWidget* window = login == Login::Made ? new QLabel(windowName) : nullptr;
            if (window != nullptr)
                window->setObjectName(windowName);
            return window;
        };
        m_frame = std::make_unique<MainFrame>(
            m_services->services,
            BackendLaunchers{[launch](MainFrame&) { return launch("sqlServer", "frmSqlLogin"); },
                             [launch](MainFrame&) { return launch("sqlBase", "frmLogin"); }});
    }

    std::unique_ptr<ShellServices> m_services;
    QStringList m_launches;
    std::unique_ptr<MainFrame> m_frame;
};

QTEST_MAIN(ShellTest)
#include "ShellTest.moc"
