#include "sqlbase/SqlBaseLoginWindow.h"
#include "SqlBaseStand.h"
#include "components/DbException.h"
#include "components/WindowOperation.h"
#include "sqlbase/SqlBaseConnection.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

using namespace quorvex;
using namespace quorvex::testing;
using namespace quorvex::sqlbase;

// The login window on a scripted stand; the main window it opens is a counter.
class SqlBaseLoginWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<SqlBaseStand> m_stand;
    std::unique_ptr<SqlBaseLoginWindow> m_window;
    int m_mainWindowOpens = 0;

    void fillIn(const QString& server, const QString& database, const QString& password) {
        QTest::keyClicks(m_window->serverNameBox(), server);
        QTest::keyClicks(m_window->databaseBox(), database);
        QTest::keyClicks(m_window->passwordBox(), password);
    }
    // OK, then until the trial connection off the window's thread has ended.
    void ok() {
        QTest::mouseClick(m_window->okButton(), Qt::LeftButton);
        QTRY_VERIFY(!m_window->operation().isBusy());
    }

private Q_SLOTS:
    void init() {
        m_stand = std::make_unique<SqlBaseStand>();
        m_stand->login = {};
        m_mainWindowOpens = 0;
        m_window = std::make_unique<SqlBaseLoginWindow>(
            m_stand->services, m_stand->login,
            [this](WindowOperation&, std::function<void(bool)> then) {
                ++m_mainWindowOpens;
                then(true);
            });
        m_window->show();
    }
    void cleanup() {
        m_window.reset();
        m_stand.reset();
    }

    void missingEntryDoesNothing() {
        for (const QStringList& entry :
             {QStringList{"", "ORDERSDB", "secret"}, QStringList{"SRV1", "", "secret"},
              QStringList{"SRV1", "ORDERSDB", ""}}) {
            cleanup();
            init();
            fillIn(entry[0], entry[1], entry[2]);
            ok();
            QCOMPARE(m_stand->database.connectionStrings(), QStringList{});
            QCOMPARE(m_stand->messages.texts(), QStringList{});
            QCOMPARE(m_stand->login.database, QString());
            QCOMPARE(m_mainWindowOpens, 0);
            QVERIFY(m_window->isVisible());
        }
    }

    void failedTestShowsTheReportAndTheWindowStaysForACorrection() {
        const DbErrorList errors = FakeDatabase::error("Invalid password", 1002, "28000");
        m_stand->database.failOpen(errors);
        fillIn("SRV1", "ORDERSDB", "wrong");
        ok();
        QCOMPARE(m_stand->messages.texts(), QStringList{sqlBaseConnectionReport(errors)});
        QCOMPARE(m_mainWindowOpens, 0);
        QVERIFY(m_window->isVisible());
        QCOMPARE(m_window->passwordBox()->text(), QString("wrong"));
        QCOMPARE(m_stand->login.password, QString("wrong"));

        m_stand->database.failOpen({});
        m_window->passwordBox()->clear();
        QTest::keyClicks(m_window->passwordBox(), "secret");
        ok();
        QCOMPARE(m_stand->login.password, QString("secret"));
        QCOMPARE(m_mainWindowOpens, 1);
        QVERIFY(!m_window->isVisible());
    }
};

QTEST_MAIN(SqlBaseLoginWindowTest)
#include "SqlBaseLoginWindowTest.moc"
