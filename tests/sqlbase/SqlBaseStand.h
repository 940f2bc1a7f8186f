#pragma once

#include "SqlBaseGeneratorTesting.h"
#include "components/TaskContext.h"
#include "sqlbase/SqlBaseBackend.h"
#include "sqlbase/SqlBaseLoginValues.h"
#include "support/FakeDatabase.h"
#include "support/ScriptedMessageService.h"

#include <QElapsedTimer>
#include <QThread>
#include <functional>
#include <thread>

namespace quorvex::testing {

// The SQLBase back end's outside world, scripted.
struct SqlBaseStand {
    ScriptedMessageService messages;
    FakeDatabase database;
    sqlbase::SqlBaseLoginValues login{QStringLiteral("ORDERSDB"), QStringLiteral("secret")};
    TaskContext task;

    sqlbase::SqlBaseBackend backend() { return sqlbase::SqlBaseBackend(database, login); }
};

// Runs the work on a worker and cancels its task once the database holds a statement of it;
// false when nothing was held within five seconds.
inline bool cancelWhileHeld(FakeDatabase& database, TaskContext& task,
                            const std::function<void()>& work) {
    std::thread worker(work);
    QElapsedTimer waited;
    waited.start();
    while (database.waiting() == 0 && waited.elapsed() < 5000)
        QThread::msleep(2);
    const bool held = database.waiting() > 0;
    task.cancelToken().cancel();
    if (!held)
        database.release();
    worker.join();
    return held;
}

} // namespace quorvex::testing
