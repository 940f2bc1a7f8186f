#pragma once

#include "auditdata/AuditDataSource.h"

namespace quorvex {

class MessageService;
class SqlServerSession;

// SQL Server: every read and the purge go through the session's shared connection, opened
// from the login values when it is not open yet.
class SqlServerAuditData : public AuditDataSource {
public:
    SqlServerAuditData(SqlServerSession& session, MessageService& messages);

    const AuditDataTraits& traits() const override { return m_traits; }
    std::optional<AuditRows> openRows(const AuditTable& audit) override;
    std::optional<PurgeResult> purge(const AuditTable& audit) override;
    std::optional<PurgeResult> exportAndPurge(const AuditTable& audit,
                                              AuditExporter& exporter) override;
    void refreshAudits(Grid& installedAudits) override;

private:
    IConnection* openConnection();

    SqlServerSession& m_session;
    MessageService& m_messages;
    AuditDataTraits m_traits;
};

} // namespace quorvex
