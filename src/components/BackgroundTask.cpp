#include "components/BackgroundTask.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <condition_variable>
#include <mutex>

namespace quorvex {

namespace {

// Every worker of the process, so the program's end can wait for them.
struct Workers {
    std::mutex mutex;
    std::condition_variable ended;
    int running = 0;
};

Workers& workers() {
    static Workers instance;
    return instance;
}

} // namespace

BackgroundTask::BackgroundTask(QObject* parent) : QObject(parent) {
    m_poll.setInterval(progressPeriodMilliseconds);
    connect(&m_poll, &QTimer::timeout, this, &BackgroundTask::poll);
}

BackgroundTask::~BackgroundTask() {
    cancel();
}

bool BackgroundTask::start(Work work, Done done) {
    if (isRunning())
        return false;
    auto context = std::make_shared<TaskContext>();
    m_context = context;
    m_elapsed = 0;
    m_busyToldOnce = false;
    {
        std::lock_guard lock(workers().mutex);
        ++workers().running;
    }
    QThread* thread = QThread::create([work = std::move(work), context] {
        try {
            work(*context);
        } catch (...) {
            // The work reports its own failures through what it shares; an exception that
            // escapes it (a cancel, say) only ends it.
        }
        std::lock_guard lock(workers().mutex);
        --workers().running;
        workers().ended.notify_all();
    });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    connect(thread, &QThread::finished, this, [this, context, done = std::move(done)] {
        if (m_context != context)
            return;
        m_poll.stop();
        poll();
        m_context.reset();
        if (done)
            done();
        Q_EMIT finished();
    });
    thread->start();
    m_poll.start();
    Q_EMIT started();
    return true;
}

void BackgroundTask::cancel() {
    if (m_context)
        m_context->cancelToken().cancel();
}

void BackgroundTask::poll() {
    if (!m_context)
        return;
    m_elapsed += progressPeriodMilliseconds;
    if (!m_busyToldOnce && m_elapsed >= busyDelayMilliseconds) {
        m_busyToldOnce = true;
        Q_EMIT busyLong();
    }
    Q_EMIT progressed(m_context->done(), m_context->total(), m_context->step());
}

bool BackgroundTask::waitForDone(int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (isRunning() && clock.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return !isRunning();
}

bool BackgroundTask::waitForAll(int milliseconds) {
    std::unique_lock lock(workers().mutex);
    return workers().ended.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                    [] { return workers().running == 0; });
}

} // namespace quorvex
