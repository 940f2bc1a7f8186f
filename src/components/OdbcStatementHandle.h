#pragma once

#include <memory>
#include <sql.h>

namespace quorvex {

class OdbcConnectionHandle;
class OdbcStatementRegistry;

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

private:
    SQLHSTMT m_handle = SQL_NULL_HSTMT;
    std::shared_ptr<OdbcStatementRegistry> m_registry;
};

} // namespace quorvex
