#pragma once

#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <sql.h>
#include <vector>

namespace quorvex {

class OdbcEnvironmentHandle;

// The statements of one connection that exist right now, so another thread can cancel the
// one that runs. A statement leaves the list before it is freed, under the same lock, so a
// cancel never meets a freed handle. Also carries the query timeout new statements get.
//
// A cancel from another thread (SQLCancel) reaches only a call that has been waiting on the
// server for a while. FreeTDS can lose its own wake-up when another thread sends the cancel
// while the statement's thread is busy reading rows, and that thread then waits for ever; a
// call that has waited this long sits in the driver's wait for the network, where the cancel is
// handed to it safely. A call that is still busy finishes first, and the statement's own thread
// stops at its next call (which fails with "Operation canceled").
class OdbcStatementRegistry {
public:
    // How long a call must have run before another thread may cancel it. A cancel that meets a
    // younger call waits at most this long for it to end or to begin waiting.
    static constexpr std::chrono::milliseconds waitingCall{100};

    void add(SQLHSTMT statement);
    void remove(SQLHSTMT statement) noexcept;
    // From any thread: the running call is cancelled; when none runs (or the one that ran
    // ended meanwhile), the next call is refused instead, unless clearCancel() comes first.
    void cancelAll() noexcept;
    void clearCancel() noexcept;
    void setQueryTimeout(int seconds) { m_queryTimeout = seconds; }
    int queryTimeout() const { return m_queryTimeout; }

    // Brackets one call that may wait on the server, on the statement's own thread. The start
    // throws DbException "Operation canceled" (HY008) when a cancel waits for it.
    class [[nodiscard]] Call {
    public:
        Call(OdbcStatementRegistry* registry, SQLHSTMT statement); // throws DbException
        ~Call();
        Call(const Call&) = delete;
        Call& operator=(const Call&) = delete;

    private:
        OdbcStatementRegistry* m_registry;
        SQLHSTMT m_statement;
    };

private:
    struct Entry {
        SQLHSTMT handle = nullptr;
        std::optional<std::chrono::steady_clock::time_point> callStarted;
        std::uint64_t call = 0; // counts the statement's calls, so a wait knows its call ended
        bool cancelSent = false;
    };
    Entry* find(SQLHSTMT statement);
    void enter(SQLHSTMT statement);
    void leave(SQLHSTMT statement) noexcept;

    mutable std::mutex m_mutex;
    std::condition_variable m_callEnded;
    std::vector<Entry> m_statements;
    bool m_cancelAsked = false;
    std::atomic<int> m_queryTimeout{0};
};

// One driver connection. Freeing it disconnects first when it is connected.
class OdbcConnectionHandle {
public:
    explicit OdbcConnectionHandle(std::shared_ptr<OdbcEnvironmentHandle> environment); // throws
    ~OdbcConnectionHandle() noexcept;
    OdbcConnectionHandle(OdbcConnectionHandle&& other) noexcept;
    OdbcConnectionHandle& operator=(OdbcConnectionHandle&& other) noexcept;
    OdbcConnectionHandle(const OdbcConnectionHandle&) = delete;
    OdbcConnectionHandle& operator=(const OdbcConnectionHandle&) = delete;

    SQLHDBC handle() const { return m_handle; }
    const std::shared_ptr<OdbcStatementRegistry>& statements() const { return m_statements; }
    bool isConnected() const { return m_connected; }

    // Seconds to wait for the server at connect time; 0 waits without limit. Throws DbException.
    void setLoginTimeout(int seconds);
    // Connects without ever prompting. Throws DbException with every record of the failure.
    void connect(const QString& odbcConnectionString);
    void disconnect() noexcept;

private:
    void release() noexcept;

    std::shared_ptr<OdbcEnvironmentHandle> m_environment;
    std::shared_ptr<OdbcStatementRegistry> m_statements = std::make_shared<OdbcStatementRegistry>();
    SQLHDBC m_handle = SQL_NULL_HDBC;
    bool m_connected = false;
};

} // namespace quorvex
