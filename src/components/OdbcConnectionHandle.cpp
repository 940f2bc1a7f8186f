#include "components/OdbcConnectionHandle.h"

#include "components/OdbcDiagnostics.h"
#include "components/OdbcEnvironmentHandle.h"
#include "components/OdbcText.h"

#include <cstdint>
#include <sqlext.h>
#include <utility>

namespace quorvex {

OdbcConnectionHandle::OdbcConnectionHandle(std::shared_ptr<OdbcEnvironmentHandle> environment)
    : m_environment(std::move(environment)) {
    SQLHDBC handle = SQL_NULL_HDBC;
    OdbcDiagnostics::check(SQLAllocHandle(SQL_HANDLE_DBC, m_environment->handle(), &handle),
                           SQL_HANDLE_ENV, m_environment->handle());
    m_handle = handle;
}

OdbcConnectionHandle::~OdbcConnectionHandle() noexcept {
    release();
}

void OdbcStatementRegistry::add(SQLHSTMT statement) {
    std::lock_guard lock(m_mutex);
    m_statements.push_back(statement);
}

void OdbcStatementRegistry::remove(SQLHSTMT statement) noexcept {
    std::lock_guard lock(m_mutex);
    std::erase(m_statements, statement);
}

void OdbcStatementRegistry::cancelAll() noexcept {
    std::lock_guard lock(m_mutex);
    for (SQLHSTMT statement : m_statements)
        SQLCancel(statement);
}

OdbcConnectionHandle::OdbcConnectionHandle(OdbcConnectionHandle&& other) noexcept
    : m_environment(std::move(other.m_environment)),
      m_statements(std::exchange(other.m_statements, std::make_shared<OdbcStatementRegistry>())),
      m_handle(std::exchange(other.m_handle, nullptr)),
      m_connected(std::exchange(other.m_connected, false)) {}

OdbcConnectionHandle& OdbcConnectionHandle::operator=(OdbcConnectionHandle&& other) noexcept {
    if (this != &other) {
        release();
        m_handle = std::exchange(other.m_handle, nullptr);
        m_connected = std::exchange(other.m_connected, false);
        m_environment = std::move(other.m_environment);
        m_statements = std::exchange(other.m_statements, std::make_shared<OdbcStatementRegistry>());
    }
    return *this;
}

void OdbcConnectionHandle::setLoginTimeout(int seconds) {
    const auto value = static_cast<std::uintptr_t>(seconds < 0 ? 0 : seconds);
    OdbcDiagnostics::check(SQLSetConnectAttrW(m_handle, SQL_ATTR_LOGIN_TIMEOUT,
                                              reinterpret_cast<SQLPOINTER>(value), 0),
                           SQL_HANDLE_DBC, m_handle);
}

void OdbcConnectionHandle::connect(const QString& odbcConnectionString) {
    std::vector<SQLWCHAR> text = OdbcText::toWide(odbcConnectionString);
    OdbcDiagnostics::check(SQLDriverConnectW(m_handle, nullptr, text.data(), SQL_NTS, nullptr, 0,
                                             nullptr, SQL_DRIVER_NOPROMPT),
                           SQL_HANDLE_DBC, m_handle);
    m_connected = true;
}

void OdbcConnectionHandle::disconnect() noexcept {
    if (m_connected && m_handle != SQL_NULL_HDBC)
        SQLDisconnect(m_handle);
    m_connected = false;
}

void OdbcConnectionHandle::release() noexcept {
    disconnect();
    if (m_handle != SQL_NULL_HDBC)
        SQLFreeHandle(SQL_HANDLE_DBC, m_handle);
    m_handle = SQL_NULL_HDBC;
    m_environment.reset();
}

} // namespace quorvex
