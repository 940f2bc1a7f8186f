#include "components/OdbcStatementHandle.h"

#include "components/OdbcConnectionHandle.h"
#include "components/OdbcDiagnostics.h"

#include <utility>

namespace quorvex {

OdbcStatementHandle::OdbcStatementHandle(const OdbcConnectionHandle& connection) {
    SQLHSTMT handle = SQL_NULL_HSTMT;
    OdbcDiagnostics::check(SQLAllocHandle(SQL_HANDLE_STMT, connection.handle(), &handle),
                           SQL_HANDLE_DBC, connection.handle());
    m_handle = handle;
}

OdbcStatementHandle::~OdbcStatementHandle() noexcept {
    reset();
}

OdbcStatementHandle::OdbcStatementHandle(OdbcStatementHandle&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr)) {}

OdbcStatementHandle& OdbcStatementHandle::operator=(OdbcStatementHandle&& other) noexcept {
    if (this != &other) {
        reset();
        m_handle = std::exchange(other.m_handle, nullptr);
    }
    return *this;
}

void OdbcStatementHandle::reset() noexcept {
    if (m_handle != SQL_NULL_HSTMT)
        SQLFreeHandle(SQL_HANDLE_STMT, m_handle);
    m_handle = SQL_NULL_HSTMT;
}

} // namespace quorvex
