#include "auditdata/SqlServerAuditData.h"

#include "components/IConnection.h"
#include "sqlserver/SqlServerConnection.h"

namespace quorvex {

SqlServerAuditData::SqlServerAuditData(IConnectionFactory& connections, SqlServerLoginValues login)
    : m_connections(connections), m_login(std::move(login)) {}

std::unique_ptr<IConnection> SqlServerAuditData::connect(MessageService& messages) const {
    std::unique_ptr<IConnection> connection = m_connections.createConnection();
    if (!openSqlServerConnection(*connection, m_login, messages))
        return nullptr;
    return connection;
}

} // namespace quorvex
