#include "sqlserver/SqlServerSession.h"

#include "components/MessageService.h"
#include "components/Timeouts.h"
#include "sqlserver/SqlServerConnection.h"

namespace quorvex {

SqlServerSession::SqlServerSession(IConnectionFactory& connections) : m_connections(connections) {}

SqlServerSession::SqlServerSession(IConnectionFactory& connections, SqlServerLoginValues login)
    : m_connections(connections), m_login(std::move(login)) {}

SqlServerSession::~SqlServerSession() = default;

SqlServerManager& SqlServerSession::manager() {
    if (!m_manager)
        m_manager = std::make_unique<SqlServerManager>(m_connections);
    return *m_manager;
}

IConnection& SqlServerSession::sharedConnection() {
    if (!m_shared) {
        m_shared = m_connections.createConnection();
        m_shared->setQueryTimeout(catalogueQueryTimeoutSeconds);
    }
    return *m_shared;
}

bool SqlServerSession::connectServer(MessageService& messages) {
    SqlServerManager& server = manager();
    if (server.isConnected())
        return true;
    if (server.connectServer(m_login.server, m_login.user, m_login.password))
        return true;
    messages.show(sqlServerConnectionFailure(server.errors(), m_login.server));
    return false;
}

bool SqlServerSession::openSharedConnection(MessageService& messages) {
    IConnection& shared = sharedConnection();
    if (shared.state() == ConnectionState::Open)
        return true;
    // A failed open has shown the driver's report; every read after it would fail.
    return openSqlServerConnection(shared, m_login, messages);
}

void SqlServerSession::adoptSharedConnection(std::unique_ptr<IConnection> connection) {
    m_shared = std::move(connection);
    m_shared->setQueryTimeout(catalogueQueryTimeoutSeconds);
}

void SqlServerSession::executeStatement(const QString& text) {
    manager().runBatch(m_login.database, text);
}

} // namespace quorvex
