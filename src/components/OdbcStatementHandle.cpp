#include "components/OdbcStatementHandle.h"

#include "components/OdbcConnectionHandle.h"
#include "components/OdbcDiagnostics.h"

#include <cstdint>
#include <sqlext.h>
#include <utility>

namespace quorvex {

OdbcStatementHandle::OdbcStatementHandle(const OdbcConnectionHandle& connection) {
    SQLHSTMT handle = SQL_NULL_HSTMT;
    OdbcDiagnostics::check(SQLAllocHandle(SQL_HANDLE_STMT, connection.handle(), &handle),
                           SQL_HANDLE_DBC, connection.handle());
    m_handle = handle;
    m_registry = connection.statements();
    if (const int seconds = m_registry->queryTimeout(); seconds > 0) {
        // A driver that cannot time statements out says so with a warning; that is no failure.
        SQLSetStmtAttrW(m_handle, SQL_ATTR_QUERY_TIMEOUT,
                        reinterpret_cast<SQLPOINTER>(static_cast<std::uintptr_t>(seconds)), 0);
    }
    m_registry->add(m_handle);
}

OdbcStatementHandle::~OdbcStatementHandle() noexcept {
    reset();
}

OdbcStatementHandle::OdbcStatementHandle(OdbcStatementHandle&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr)), m_registry(std::move(other.m_registry)) {}

OdbcStatementHandle& OdbcStatementHandle::operator=(OdbcStatementHandle&& other) noexcept {
    if (this != &other) {
        reset();
        m_handle = std::exchange(other.m_handle, nullptr);
        m_registry = std::move(other.m_registry);
    }
    return *this;
}

void OdbcStatementHandle::reset() noexcept {
    if (m_handle != SQL_NULL_HSTMT) {
        if (m_registry)
            m_registry->remove(m_handle);
        SQLFreeHandle(SQL_HANDLE_STMT, m_handle);
    }
    m_handle = SQL_NULL_HSTMT;
    m_registry.reset();
}

} // namespace quorvex
