#pragma once

#include "auditdata/AuditDataSource.h"

namespace quorvex {
class IConnectionFactory;
}

namespace quorvex::sqlite {

// The rows, export and purge of audits in a SQLite database file: each operation opens a
// connection of its own that reads step by step (a million recorded rows are not read into
// memory first) and closes it at its end.
class SqliteAuditData : public AuditDataSource {
public:
    // `connections` must be usable from worker threads and outlive every operation.
    SqliteAuditData(IConnectionFactory& connections, QString databaseFile);

    const AuditDataTraits& traits() const override { return m_traits; }

protected:
    std::unique_ptr<IConnection> connect(MessageService& messages) const override;

private:
    IConnectionFactory& m_connections;
    const QString m_file;
    AuditDataTraits m_traits;
};

} // namespace quorvex::sqlite
