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

// The SQLBase back end's outside world: a scripted database, scripted message boxes (what an
// operation tells goes there), the task an operation runs in, and the login values a login
// window would have left.
struct SqlBaseStand {
    ScriptedMessageService messages;
    FakeDatabase database;
    sqlbase::SqlBaseLoginValues login{QStringLiteral("ORDERSDB"), QStringLiteral("secret")};
    TaskContext task;

    sqlbase::SqlBaseBackend backend() { return sqlbase::SqlBaseBackend(database, login); }
};

// Runs the work on a worker, as the main window does, and cancels its task once the scripted
// database holds a statement of it; returns when the work has ended. False when nothing was
// held within five seconds (the hold was never reached).
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
