#pragma once

#include <memory>
#include <sql.h>

namespace quorvex {

// The ODBC environment (ODBC 3 behaviour). One is shared by every connection of the process;
// each connection holds it, so it is freed after the last of them whatever the order of
// destruction at exit.
class OdbcEnvironmentHandle {
public:
    OdbcEnvironmentHandle(); // throws DbException
    ~OdbcEnvironmentHandle() noexcept;
    OdbcEnvironmentHandle(OdbcEnvironmentHandle&& other) noexcept;
    OdbcEnvironmentHandle& operator=(OdbcEnvironmentHandle&& other) noexcept;
    OdbcEnvironmentHandle(const OdbcEnvironmentHandle&) = delete;
    OdbcEnvironmentHandle& operator=(const OdbcEnvironmentHandle&) = delete;

    SQLHENV handle() const { return m_handle; }

    // The process's environment, made on first use. Throws DbException.
    static std::shared_ptr<OdbcEnvironmentHandle> shared();

private:
    void release() noexcept;

    SQLHENV m_handle = SQL_NULL_HENV;
};

} // namespace quorvex
