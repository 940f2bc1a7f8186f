#include "sqlserver/SqlServerSession.h"

namespace quorvex {

SqlServerSession::SqlServerSession(IConnectionFactory& connections) : m_connections(connections) {}

SqlServerSession::~SqlServerSession() = default;

SqlServerManager& SqlServerSession::manager() {
    if (!m_manager)
        m_manager = std::make_unique<SqlServerManager>(m_connections);
    return *m_manager;
}

IConnection& SqlServerSession::sharedConnection() {
    if (!m_shared)
        m_shared = m_connections.createConnection();
    return *m_shared;
}

void SqlServerSession::executeStatement(const QString& text) {
    manager().runBatch(m_login.database, text);
}

} // namespace quorvex
