#pragma once

#include "components/CancelToken.h"

#include <QString>

#include <atomic>
#include <mutex>

namespace quorvex {

// What a worker gets along with its work: the cancel token, and a place to say how far it is.
// The window reads the progress now and then; nothing here waits on the window.
class TaskContext {
public:
    CancelToken& cancelToken() { return m_cancel; }
    bool isCancelled() const { return m_cancel.isCancelled(); }
    void throwIfCancelled() const { m_cancel.throwIfCancelled(); }

    // `total` < 0: the amount of work is not known.
    void reportProgress(qint64 done, qint64 total = -1) {
        m_total.store(total);
        m_done.store(done);
    }
    qint64 done() const { return m_done.load(); }
    qint64 total() const { return m_total.load(); }

    // What the work is doing now, in words the user knows ("Reading rows").
    void reportStep(const QString& step) {
        std::lock_guard lock(m_stepMutex);
        m_step = step;
    }
    QString step() const {
        std::lock_guard lock(m_stepMutex);
        return m_step;
    }

private:
    CancelToken m_cancel;
    std::atomic<qint64> m_done{0};
    std::atomic<qint64> m_total{-1};
    mutable std::mutex m_stepMutex;
    QString m_step;
};

} // namespace quorvex
