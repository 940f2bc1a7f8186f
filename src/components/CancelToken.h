#pragma once

#include <QString>

#include <exception>
#include <mutex>
#include <vector>

namespace quorvex {

class IConnection;

// Thrown by work that noticed it was cancelled; what it had done is taken back by whoever
// catches it.
class OperationCancelled : public std::exception {
public:
    const char* what() const noexcept override { return "The operation was cancelled."; }
};

// Shared by a window and the worker that runs one of its operations. The window asks to cancel;
// the worker looks at the points where stopping is safe, and every connection the worker has
// put under watch gets its running statement cancelled at once (SQLCancel), so a statement that
// waits on the server ends now rather than when the server is done. Thread-safe.
class CancelToken {
public:
    CancelToken() = default;
    CancelToken(const CancelToken&) = delete;
    CancelToken& operator=(const CancelToken&) = delete;

    void cancel();
    bool isCancelled() const;
    // Throws OperationCancelled once cancel() has been called.
    void throwIfCancelled() const;

    // While a Watch lives, cancel() also cancels the statement the connection is running at that
    // moment, or else its next one. Work that must not be cut short (taking back what was done)
    // runs unwatched.
    class [[nodiscard]] Watch {
    public:
        Watch(CancelToken& token, IConnection& connection);
        ~Watch();
        Watch(const Watch&) = delete;
        Watch& operator=(const Watch&) = delete;

    private:
        CancelToken& m_token;
        IConnection& m_connection;
    };

private:
    mutable std::mutex m_mutex;
    bool m_cancelled = false;
    std::vector<IConnection*> m_watched;
};

} // namespace quorvex
