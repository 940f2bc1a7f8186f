#include "components/PlatformServices.h"
#include "components/QtDesktopServices.h"
#include "components/QtMessageService.h"
#include "shell/AboutBox.h"
#include "shell/MainFrame.h"
#include "shell/ProductionLaunchers.h"
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
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace quorvex;
using namespace quorvex::testing;

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
    CloseRecorder(int* count, bool refuse) : count(count), refuse(refuse) {
        setObjectName("closeRecorder");
    }
    void closeEvent(QCloseEvent* event) override {
        ++*count;
        event->setAccepted(!refuse);
    }
    int* count;
    bool refuse;
};

// The windows shown in the frame, by object name.
QStringList visibleChildren(MainFrame& frame) {
    QStringList names;
    for (QMdiSubWindow* sub : frame.mdiArea()->subWindowList())
        if (sub->isVisible() && sub->widget())
            names << sub->widget()->objectName();
    names.sort();
    return names;
}

QStringList childNames(const QMdiArea* area) {
    QStringList names;
    for (const QMdiSubWindow* sub : area->subWindowList(QMdiArea::CreationOrder))
        names << sub->widget()->objectName();
    return names;
}

struct SeenBox {
    QString title, text;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

// Reads the next modal box, then ends it with the button `answer`, or Esc if it has none.
void answerNextBox(SeenBox* seen, QMessageBox::StandardButton answer) {
    QTimer::singleShot(0, [seen, answer] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr)
            return;
        *seen = {box->windowTitle(), box->text(), box->standardButtons(),
                 box->defaultButton() ? box->standardButton(box->defaultButton())
                                      : QMessageBox::NoButton};
        if (box->button(answer) != nullptr)
            box->button(answer)->click();
        else
            QTest::keyClick(box, Qt::Key_Escape);
    });
}

} // namespace

class ShellTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { makeFrame(Login::Made); }

    // A child refusing keeps the frame open; Exit ends the process without any close handling.
    void closingTheFrameClosesEveryChildFirstButExitDoesNot() {
        using Case = QPair<bool, bool>; // Exit chosen, the child refusing
        for (const auto& [exit, refuse] :
             QList<Case>{{false, false}, {false, true}, {true, false}}) {
            makeFrame(Login::Made);
            int closeCount = 0;
            m_frame->addChild(new CloseRecorder(&closeCount, refuse));
            m_frame->show();
            QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
            const bool closes = !exit && !refuse;
            if (exit)
                m_frame->findChild<QAction*>("mnuExit")->trigger();
            else
                QCOMPARE(m_frame->close(), closes);
            QCOMPARE(closeCount, exit ? 0 : 1);
            QCOMPARE(m_frame->isVisible(), !closes);
            QCOMPARE(m_services->process.exitCodes(), exit ? QList<int>{0} : QList<int>());
            if (exit)
                QCOMPARE(childNames(m_frame->mdiArea()),
                         (QStringList{"frmSelection", "closeRecorder"}));
        }
    }

    void helpOpensThePageNextToTheProgram() {
        m_frame->findChild<QAction*>("mnushowhelp")->trigger();
        QCOMPARE(m_services->desktop.opened(), QStringList{"/opt/quorvex/bin/Quorvex.htm"});
        QCOMPARE(m_services->messages.texts(), QStringList());
    }

    // OK opens the login of the option clicked last and unloads the choice; with nothing chosen,
    // or no login window made, the choice stays open.
    void okOpensTheLaterChoicesLoginAndUnloadsTheChoice() {
        struct Case {
            QStringList clicked;
            Login login;
            QString calls, children;
        };
        for (const Case& c :
             {Case{{"optSqlBase", "optSqlServer"}, Login::Made, "sqlServer", "frmSqlLogin"},
              Case{{}, Login::Made, "", "frmSelection"},
              Case{{"optSqlBase"}, Login::NotMade, "sqlBase", "frmSelection"}}) {
            makeFrame(c.login);
            QPointer<SelectionWindow> window = m_frame->selectionWindow();
            for (const QString& option : c.clicked)
                window->findChild<QRadioButton*>(option)->click();
            QTest::mouseClick(window->okButton(), Qt::LeftButton);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCOMPARE(m_launches.join(','), c.calls);
            QCOMPARE(childNames(m_frame->mdiArea()), QStringList{c.children});
            const bool stays = c.children == "frmSelection";
            QCOMPARE(window.isNull(), !stays);
            QCOMPARE(m_frame->selectionWindow(), stays ? window.data() : nullptr);
        }
    }

    // A question offers Yes (the default) and No, and Esc answers No.
    void aQuestionDefaultsToYesAndEscAnswersNo() {
        using Box = QMessageBox;
        for (const auto& [answer, expected] :
             {std::pair{Box::Yes, true}, std::pair{Box::Cancel, false}}) {
            SeenBox seen;
            answerNextBox(&seen, answer);
            QCOMPARE(QtMessageService().askYesNo("delete?"), expected);
            QCOMPARE(seen.title + "|" + seen.text, QString("Quorvex|delete?"));
            QCOMPARE(seen.buttons, Box::Yes | Box::No);
            QCOMPARE(seen.defaultButton, Box::Yes);
        }
    }

    void programFolderIsWhereTheProgramIsNotTheWorkingFolder() {
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(QDir::rootPath()));
        const QString folder = QDir(QtDesktopServices().programFolder()).canonicalPath();
        QVERIFY(QDir::setCurrent(before));
        QCOMPARE(folder,
                 QFileInfo(QFileInfo("/proc/self/exe").canonicalFilePath()).canonicalPath());
        QVERIFY(folder != QDir::rootPath());
    }

    // The SQLBase road from the choice through its login to its main window (the SQL Server road
    // is driven on the engine, SQLite's on files).
    void sqlBaseGoesFromChoiceThroughLoginToItsMainWindow() {
        ShellServices seams;
        seams.database.setUnscriptedQueriesEmpty(true);
        BackendState state;
        MainFrame frame(seams.services, makeBackendLaunchers(state, [] { return QStringList(); }));
        frame.show();
        frame.findChild<QRadioButton*>("optSqlBase")->click();
        frame.findChild<QPushButton*>("cmdOk")->click();
        QTRY_COMPARE(visibleChildren(frame), QStringList{"frmLogin"});
        auto* login = frame.findChild<QWidget*>("frmLogin");
        login->findChild<QLineEdit*>("txtServerName")->setText("server1");
        login->findChild<QLineEdit*>("txtDatabase")->setText("ISLAND");
        login->findChild<QLineEdit*>("txtPassword")->setText("pw;1");
        login->findChild<QPushButton*>("cmdOk")->click();
        QTRY_COMPARE(visibleChildren(frame), QStringList{"FRMCENMAIN"});
        QCOMPARE(seams.messages.texts(), QStringList());
        QCOMPARE(state.sqlBaseLogin.database, QString("ISLAND"));
        // The password with its semicolon travels quoted, as one value.
        QVERIFY(seams.database.connectionStrings().contains(
            "Provider=SQLBASEOLEDB.1;Password=\"pw;1\";Persist Security Info=True;User "
            "ID=SYSADM;Data Source=ISLAND"));
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
                             [launch](MainFrame&) { return launch("sqlBase", "frmLogin"); },
                             [launch](MainFrame&) { return launch("sqlite", "frmSqliteLogin"); }});
    }

    std::unique_ptr<ShellServices> m_services;
    QStringList m_launches;
    std::unique_ptr<MainFrame> m_frame;
};

QTEST_MAIN(ShellTest)
#include "ShellTest.moc"
