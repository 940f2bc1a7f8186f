#pragma once

#include <QString>
#include <atomic>
#include <memory>
#include <mutex>
#include <sql.h>
#include <vector>

namespace quorvex {

class OdbcEnvironmentHandle;

// The statements of one connection that exist right now, so another thread can cancel the
// one that runs (SQLCancel is the one call ODBC allows on a handle another thread is using).
// A statement leaves the list before it is freed, under the same lock, so a cancel never meets
// a freed handle. Also carries the query timeout new statements get.
class OdbcStatementRegistry {
public:
    void add(SQLHSTMT statement);
    void remove(SQLHSTMT statement) noexcept;
    void cancelAll() noexcept;
    void setQueryTimeout(int seconds) { m_queryTimeout = seconds; }
    int queryTimeout() const { return m_queryTimeout; }

private:
    std::mutex m_mutex;
    std::vector<SQLHSTMT> m_statements;
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
