#pragma once

#include "auditdata/AuditDataSource.h"
#include "sqlserver/SqlServerLoginValues.h"

namespace quorvex {

class IConnectionFactory;

// SQL Server: each read, export and purge opens a connection of its own from the login values
// the main window was opened with.
class SqlServerAuditData : public AuditDataSource {
public:
    // The factory must be usable from worker threads and outlive every operation.
    SqlServerAuditData(IConnectionFactory& connections, SqlServerLoginValues login);

    const AuditDataTraits& traits() const override { return m_traits; }

protected:
    std::unique_ptr<IConnection> connect(MessageService& messages) const override;

private:
    IConnectionFactory& m_connections;
    const SqlServerLoginValues m_login;
    AuditDataTraits m_traits;
};

} // namespace quorvex
