#pragma once

#include "components/TaskContext.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

namespace quorvex {

// Runs one piece of work that may wait on a server on a thread of its own, so the window stays
// responsive, and hands the end back to the window's thread. The work must capture only what it
// owns or shares (values, shared pointers), never a window: it may outlive the window that
// started it when that window is closed meanwhile, and then it is cancelled and its end is
// dropped.
//
// While it runs, progressed() reports what the work said of its progress, a few times a second;
// busyLong() says once that it has taken longer than half a second.
class BackgroundTask : public QObject {
    Q_OBJECT

public:
    using Work = std::function<void(TaskContext&)>;
    using Done = std::function<void()>;

    explicit BackgroundTask(QObject* parent = nullptr);
    // Cancels a running work; its thread ends on its own.
    ~BackgroundTask() override;

    // Starts the work unless one runs already (then false). `done` runs on this object's thread
    // once the work has returned or thrown, unless this object is gone by then.
    bool start(Work work, Done done = {});
    void cancel();
    bool isRunning() const { return m_context != nullptr; }
    bool isCancelled() const { return m_context && m_context->isCancelled(); }

    // Tests and shutdown: processes events until the work has ended or the time is up.
    bool waitForDone(int milliseconds);

    // Blocks until every worker of the process has ended, at most the time given; false when
    // some still run. For the end of the program.
    static bool waitForAll(int milliseconds);

    // The delay before busyLong(), and how often progress is read.
    static constexpr int busyDelayMilliseconds = 500;
    static constexpr int progressPeriodMilliseconds = 100;

Q_SIGNALS:
    void started();
    void busyLong();
    void progressed(qint64 done, qint64 total, const QString& step);
    void finished();

private:
    void poll();

    std::shared_ptr<TaskContext> m_context;
    QTimer m_poll;
    qint64 m_elapsed = 0;
    bool m_busyToldOnce = false;
};

} // namespace quorvex
