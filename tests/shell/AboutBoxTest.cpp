#include "shell/AboutBox.h"
#include "ShellTests.h"
#include "components/Version.h"
#include "support/ScriptedMessageService.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <memory>

using namespace quorvex;
using namespace quorvex::testing;

class AboutBoxTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        m_messages = std::make_unique<ScriptedMessageService>();
        m_box = std::make_unique<AboutBox>(*m_messages);
    }
    void cleanup() {
        m_box.reset();
        m_messages.reset();
    }

    // --- version text ---

    void versionTextLeavesOutTheBuildNumber_data() {
        QTest::addColumn<int>("majorVersion");
        QTest::addColumn<int>("minorVersion");
        QTest::addColumn<int>("revision");
        QTest::addColumn<QString>("expected");
        QTest::newRow("file version 1.1.0.3") << 1 << 1 << 3 << "Version 1.1.3";
        QTest::newRow("file version 1.0.0.1") << 1 << 0 << 1 << "Version 1.0.1";
        QTest::newRow("numbers in decimal without leading zeros")
            << 12 << 0 << 40 << "Version 12.0.40";
    }
    void versionTextLeavesOutTheBuildNumber() {
        QFETCH(int, majorVersion);
        QFETCH(int, minorVersion);
        QFETCH(int, revision);
        QFETCH(QString, expected);
        QCOMPARE(aboutVersionText(majorVersion, minorVersion, revision), expected);
    }

    // --- contents ---

    void boxShowsTitleVersionAndDescription() {
        QCOMPARE(m_box->objectName(), QStringLiteral("frmAbout"));
        QCOMPARE(m_box->windowTitle(), QStringLiteral("About Quorvex"));
        QCOMPARE(label("lblTitle"), QStringLiteral("Quorvex"));
        QCOMPARE(label("lblVersion"), aboutVersionText(version::majorNumber, version::minorNumber,
                                                       version::revisionNumber));
        QCOMPARE(label("lblDescription"), QStringLiteral("App Description"));
        QCOMPARE(m_box->okButton()->text(), QStringLiteral("OK"));
        QCOMPARE(m_box->sysInfoButton()->text(), QStringLiteral("&System Info..."));
        QVERIFY(m_box->okButton()->isDefault());

        auto* icon = m_box->findChild<QLabel*>(QStringLiteral("picIcon"));
        QVERIFY(icon != nullptr);
        QCOMPARE(icon->pixmap().size(), QSize(32, 32));
    }

    void boxHasAFixedSize() {
        QCOMPARE(m_box->minimumSize(), QSize(382, 237));
        QCOMPARE(m_box->maximumSize(), QSize(382, 237));
        QCOMPARE(m_box->windowFlags() &
                     (Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint |
                      Qt::WindowContextHelpButtonHint),
                 Qt::WindowFlags());
    }

    // --- closing ---

    void keyClosesTheBox_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("Esc") << int(Qt::Key_Escape);
        QTest::newRow("Enter") << int(Qt::Key_Enter);
        QTest::newRow("Return") << int(Qt::Key_Return);
    }
    void keyClosesTheBox() {
        QFETCH(int, key);
        m_box->show();
        QVERIFY(QTest::qWaitForWindowActive(m_box.get()));
        QVERIFY(m_box->focusWidget() != nullptr);

        QTest::keyClick(m_box->focusWidget(), Qt::Key(key));

        QVERIFY(!m_box->isVisible());
        QCOMPARE(m_messages->texts(), QStringList());
    }

    void okButtonClosesTheBox() {
        m_box->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_box.get()));
        QTest::mouseClick(m_box->okButton(), Qt::LeftButton);
        QVERIFY(!m_box->isVisible());
    }

    // --- System Info ---

    void sysInfoSaysItIsUnavailable() {
        m_box->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_box.get()));

        QTest::mouseClick(m_box->sysInfoButton(), Qt::LeftButton);

        QCOMPARE(m_messages->texts(),
                 (QStringList{"System Information Is Unavailable At This Time"}));
        QCOMPARE(m_messages->shown().at(0).kind, ShownMessage::Kind::Message);
        QCOMPARE(m_messages->shown().at(0).icon, MessageIcon::None);
        QVERIFY(m_box->isVisible());
    }

private:
    QString label(const char* name) const {
        auto* found = m_box->findChild<QLabel*>(QString::fromLatin1(name));
        return found != nullptr ? found->text() : QStringLiteral("<no label %1>").arg(name);
    }

    std::unique_ptr<ScriptedMessageService> m_messages;
    std::unique_ptr<AboutBox> m_box;
};

int runAboutBoxTests(int argc, char** argv) {
    AboutBoxTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "AboutBoxTest.moc"
