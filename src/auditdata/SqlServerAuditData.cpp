#include "auditdata/SqlServerAuditData.h"

#include "sqlserver/SqlServerConnection.h"
#include "sqlserver/SqlServerSession.h"

namespace quorvex {

SqlServerAuditData::SqlServerAuditData(SqlServerSession& session, MessageService& messages)
    : m_session(session), m_messages(messages) {}

IConnection* SqlServerAuditData::openConnection() {
    IConnection& connection = m_session.sharedConnection();
    if (connection.state() == ConnectionState::Open ||
        openSqlServerConnection(connection, m_session.login(), m_messages))
        return &connection;
    return nullptr;
}

std::optional<AuditRows> SqlServerAuditData::openRows(const AuditTable& audit) {
    IConnection* connection = openConnection();
    if (connection == nullptr)
        return std::nullopt;
    return AuditRows(connection->openRecordset(audit.selectStatement(), CursorType::ForwardOnly));
}

std::optional<PurgeResult> SqlServerAuditData::purge(const AuditTable& audit) {
    IConnection* connection = openConnection();
    if (connection == nullptr)
        return std::nullopt;
    return AuditPurge(*connection, audit).purge();
}

std::optional<PurgeResult> SqlServerAuditData::exportAndPurge(const AuditTable& audit,
                                                              AuditExporter& exporter) {
    IConnection* connection = openConnection();
    if (connection == nullptr)
        return std::nullopt;
    return AuditPurge(*connection, audit).exportAndPurge(exporter);
}

void SqlServerAuditData::refreshAudits(Grid&) {}

} // namespace quorvex
