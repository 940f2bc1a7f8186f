#include "components/OdbcConnectionHandle.h"

#include "components/DbException.h"
#include "components/OdbcDiagnostics.h"
#include "components/OdbcEnvironmentHandle.h"
#include "components/OdbcText.h"

#include <algorithm>
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
    Entry entry;
    entry.handle = statement;
    m_statements.push_back(entry);
}

void OdbcStatementRegistry::remove(SQLHSTMT statement) noexcept {
    std::lock_guard lock(m_mutex);
    std::erase_if(m_statements, [statement](const Entry& e) { return e.handle == statement; });
    m_callEnded.notify_all();
}

OdbcStatementRegistry::Entry* OdbcStatementRegistry::find(SQLHSTMT statement) {
    const auto it = std::find_if(m_statements.begin(), m_statements.end(),
                                 [statement](const Entry& e) { return e.handle == statement; });
    return it == m_statements.end() ? nullptr : &*it;
}

void OdbcStatementRegistry::cancelAll() noexcept {
    std::unique_lock lock(m_mutex);
    std::vector<SQLHSTMT> statements;
    for (const Entry& entry : m_statements)
        statements.push_back(entry.handle);
    bool delivered = false;
    for (const SQLHSTMT statement : statements) {
        const Entry* running = find(statement);
        if (running == nullptr || !running->callStarted)
            continue;
        // A busy call is given a moment to end or to begin waiting; the list may change
        // meanwhile, so the statement is looked up again.
        const std::uint64_t call = running->call;
        const auto due = *running->callStarted + waitingCall;
        const auto callEnded = [&] {
            const Entry* entry = find(statement);
            return entry == nullptr || entry->call != call || !entry->callStarted;
        };
        if (m_callEnded.wait_until(lock, due, callEnded))
            continue;
        Entry* entry = find(statement);
        if (!entry->cancelSent) {
            entry->cancelSent = true;
            SQLCancel(statement);
        }
        delivered = true;
    }
    // No call was running to take the cancel: the next one does.
    if (!delivered)
        m_cancelAsked = true;
}

void OdbcStatementRegistry::clearCancel() noexcept {
    std::lock_guard lock(m_mutex);
    m_cancelAsked = false;
}

void OdbcStatementRegistry::enter(SQLHSTMT statement) {
    std::lock_guard lock(m_mutex);
    if (std::exchange(m_cancelAsked, false))
        throw DbException::single(QStringLiteral("Operation canceled"), QStringLiteral("HY008"));
    if (Entry* entry = find(statement)) {
        entry->callStarted = std::chrono::steady_clock::now();
        ++entry->call;
        entry->cancelSent = false;
    }
}

void OdbcStatementRegistry::leave(SQLHSTMT statement) noexcept {
    // Taking the lock also waits for a cancel that is being sent to this call.
    std::lock_guard lock(m_mutex);
    if (Entry* entry = find(statement))
        entry->callStarted.reset();
    m_callEnded.notify_all();
}

OdbcStatementRegistry::Call::Call(OdbcStatementRegistry* registry, SQLHSTMT statement)
    : m_registry(registry), m_statement(statement) {
    if (m_registry)
        m_registry->enter(m_statement);
}

OdbcStatementRegistry::Call::~Call() {
    if (m_registry)
        m_registry->leave(m_statement);
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
