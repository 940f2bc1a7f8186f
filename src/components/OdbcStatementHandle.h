#pragma once

#include "components/OdbcConnectionHandle.h"

#include <memory>
#include <sql.h>

namespace quorvex {

// One statement on a connection. Freeing it discards whatever results it still holds; it must
// be freed before its connection is.
class OdbcStatementHandle {
public:
    OdbcStatementHandle() = default;                                      // no statement
    explicit OdbcStatementHandle(const OdbcConnectionHandle& connection); // throws DbException
    ~OdbcStatementHandle() noexcept;
    OdbcStatementHandle(OdbcStatementHandle&& other) noexcept;
    OdbcStatementHandle& operator=(OdbcStatementHandle&& other) noexcept;
    OdbcStatementHandle(const OdbcStatementHandle&) = delete;
    OdbcStatementHandle& operator=(const OdbcStatementHandle&) = delete;

    SQLHSTMT handle() const { return m_handle; }
    bool isValid() const { return m_handle != SQL_NULL_HSTMT; }
    void reset() noexcept;

    // Makes a driver call that may wait on the server (execute, fetch, next result) so that
    // another thread's cancel reaches it safely, and returns what the driver returned. Throws
    // DbException instead of calling when a cancel waits for it.
    template <typename DriverCall> SQLRETURN run(DriverCall driverCall) const {
        const OdbcStatementRegistry::Call call(m_registry.get(), m_handle);
        return driverCall();
    }

private:
    SQLHSTMT m_handle = SQL_NULL_HSTMT;
    std::shared_ptr<OdbcStatementRegistry> m_registry;
};

} // namespace quorvex
