#include "ShellTests.h"
#include "components/QtDesktopServices.h"
#include "components/QtMessageService.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace quorvex;

Q_DECLARE_METATYPE(quorvex::MessageIcon)

namespace {

// What a message box looked like while it was up.
struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    bool seen = false;
};

// Reads the box that the next modal loop puts up, then ends it with `answer`.
void answerNextBox(SeenBox* seen, const std::function<void(QMessageBox*)>& answer) {
    QTimer::singleShot(0, [seen, answer] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            return;
        }
        seen->seen = true;
        seen->title = box->windowTitle();
        seen->text = box->text();
        seen->icon = box->icon();
        seen->buttons = box->standardButtons();
        seen->defaultButton = box->defaultButton() != nullptr
                                  ? box->standardButton(box->defaultButton())
                                  : QMessageBox::NoButton;
        answer(box);
    });
}

std::function<void(QMessageBox*)> click(QMessageBox::StandardButton which) {
    return [which](QMessageBox* box) { box->button(which)->click(); };
}

} // namespace

class DesktopSeamTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // --- message boxes ---

    void messageHasOnlyOkAndTheApplicationTitle_data() {
        QTest::addColumn<MessageIcon>("icon");
        QTest::addColumn<int>("expectedIcon");
        QTest::newRow("no icon") << MessageIcon::None << int(QMessageBox::NoIcon);
        QTest::newRow("information") << MessageIcon::Information << int(QMessageBox::Information);
        QTest::newRow("exclamation") << MessageIcon::Exclamation << int(QMessageBox::Warning);
        QTest::newRow("critical") << MessageIcon::Critical << int(QMessageBox::Critical);
    }
    void messageHasOnlyOkAndTheApplicationTitle() {
        QFETCH(MessageIcon, icon);
        QFETCH(int, expectedIcon);
        QtMessageService messages;
        SeenBox seen;
        answerNextBox(&seen, click(QMessageBox::Ok));

        messages.show(QStringLiteral("Table <b>ORDERS</b> not found"), icon);

        QVERIFY(seen.seen);
        QCOMPARE(seen.title, QStringLiteral("Quorvex"));
        QCOMPARE(seen.text, QStringLiteral("Table <b>ORDERS</b> not found"));
        QCOMPARE(int(seen.icon), expectedIcon);
        QCOMPARE(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }

    void questionIsAnsweredByItsButtons_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("expected");
        QTest::newRow("Yes goes ahead") << int(QMessageBox::Yes) << true;
        QTest::newRow("No holds back") << int(QMessageBox::No) << false;
    }
    void questionIsAnsweredByItsButtons() {
        QFETCH(int, answer);
        QFETCH(bool, expected);
        QtMessageService messages;
        SeenBox seen;
        answerNextBox(&seen, click(QMessageBox::StandardButton(answer)));

        const bool result = messages.askYesNo(QStringLiteral("Delete audit Orders?"));

        QCOMPARE(result, expected);
        QVERIFY(seen.seen);
        QCOMPARE(seen.title, QStringLiteral("Quorvex"));
        QCOMPARE(seen.text, QStringLiteral("Delete audit Orders?"));
        QCOMPARE(seen.icon, QMessageBox::Question);
        QCOMPARE(seen.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(seen.defaultButton, QMessageBox::Yes);
    }

    void escapeOnAQuestionAnswersNo() {
        QtMessageService messages;
        SeenBox seen;
        answerNextBox(&seen, [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });

        QCOMPARE(messages.askYesNo(QStringLiteral("Purge?")), false);
        QVERIFY(seen.seen);
    }

    // --- desktop ---

    void programFolderIsWhereTheProgramIsNotTheWorkingFolder() {
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(QDir::rootPath()));
        const QString folder = QtDesktopServices().programFolder();
        QVERIFY(QDir::setCurrent(before));

        const QString programFile = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
        QCOMPARE(QDir(folder).canonicalPath(), QFileInfo(programFile).canonicalPath());
        QVERIFY(QDir(folder).canonicalPath() != QDir::rootPath());
    }
};

int runDesktopSeamTests(int argc, char** argv) {
    DesktopSeamTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "DesktopSeamTest.moc"
