// Work off the window thread: the background task and its cancel token; the statement chain's
// harmless failures and cancel (its undo order shows in the creation flows' tests).
#include "components/BackgroundTask.h"
#include "components/StatementChain.h"
#include "support/FakeDatabase.h"

#include <QCoreApplication>
#include <QTest>
#include <QTimer>

using namespace quorvex;
using quorvex::testing::FakeDatabase;

class BackgroundWorkTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The end comes back on the window's thread.
    void theWindowStaysAliveAndCancelReachesTheServer() {
        FakeDatabase db;
        db.holdOn("DROP TRIGGER trgZOTA_Busy");
        std::shared_ptr<IConnection> connection = db.createConnection();
        QVERIFY(connection->open("DRIVER={x}"));
        auto failure = std::make_shared<QString>();
        BackgroundTask task;
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(10);
        bool busy = false;
        connect(&task, &BackgroundTask::busyLong, [&] { busy = true; });
        QThread* doneOn = nullptr;
        QVERIFY(task.start(
            [connection, failure](TaskContext& context) {
                const CancelToken::Watch watch(context.cancelToken(), *connection);
                try {
                    connection->execute("DROP TRIGGER trgZOTA_Busy");
                } catch (const DbException& e) {
                    *failure = e.description();
                }
            },
            [&] { doneOn = QThread::currentThread(); }));
        QVERIFY(!task.start([](TaskContext&) {})); // one at a time
        QTRY_VERIFY_WITH_TIMEOUT(busy, 2000);
        QVERIFY(ticks >= 20);
        QVERIFY(task.isRunning());
        QCOMPARE(db.waiting(), 1);
        task.cancel();
        QVERIFY(task.waitForDone(5000));
        QCOMPARE(*failure, FakeDatabase::cancelledText());
        QCOMPARE(db.cancels(), 1);
        QCOMPARE(doneOn, QThread::currentThread());
    }

    // Dropping what is gone already need not stop a delete; a cancel is no refusal.
    void harmlessFailuresGoOnAndACancelTakesBack() {
        FakeDatabase db;
        auto connection = db.createConnection();
        QVERIFY(connection->open("DRIVER={x}"));
        db.failOn("DROP TRIGGER g", FakeDatabase::error("Cannot drop the trigger 'g'", 3701));
        const auto gone = [](const DbException& e) {
            return e.errors().value(0).nativeError == 3701;
        };
        StatementChain remove({{"DROP TRIGGER g", {}, gone}, {"DROP TABLE t", {}, gone}});
        QList<int> progress; // steps run, as the busy panel hears of them
        remove.setProgress([&](int run, int steps) { progress << run * 10 + steps; });
        QVERIFY(remove.run(*connection).completed());
        QCOMPARE(db.statements(), (QStringList{"DROP TRIGGER g", "DROP TABLE t"}));
        QCOMPARE(progress, (QList<int>{12, 22}));

        db.clearLog();
        CancelToken cancel;
        cancel.cancel();
        StatementChain install({{"CREATE TABLE t", "DROP TABLE t", {}}});
        const ChainResult result = install.run(*connection, &cancel);
        QVERIFY(result.cancelled);
        QCOMPARE(result.failedStep, 0);
        QVERIFY(!result.failure);
        QCOMPARE(db.statements(), QStringList());
    }
};

QTEST_GUILESS_MAIN(BackgroundWorkTest)
#include "BackgroundWorkTest.moc"
