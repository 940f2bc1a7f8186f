#include "auditdata/AuditRows.h"

namespace quorvex {

AuditRows::AuditRows(Recordset rows, std::unique_ptr<IConnection> connection,
                     std::unique_ptr<CancelToken::Watch> watch)
    : m_rows(std::move(rows)), m_connection(std::move(connection)), m_watch(std::move(watch)) {}

AuditRows::~AuditRows() {
    close();
}

AuditRows::AuditRows(AuditRows&&) noexcept = default;

AuditRows& AuditRows::operator=(AuditRows&& other) noexcept {
    if (this != &other) {
        close();
        m_rows = std::move(other.m_rows);
        m_connection = std::move(other.m_connection);
        m_watch = std::move(other.m_watch);
    }
    return *this;
}

void AuditRows::close() noexcept {
    // Closing the connection first would make it read the remaining rows into memory.
    m_rows.close();
    // No cancel may reach a connection that is going.
    m_watch.reset();
    if (m_connection) {
        try {
            m_connection->close();
        } catch (...) {
            // A connection that cannot even close is dropped all the same.
        }
        m_connection.reset();
    }
}

} // namespace quorvex
