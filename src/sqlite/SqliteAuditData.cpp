#include "sqlite/SqliteAuditData.h"

#include "components/IConnection.h"
#include "sqlite/SqliteConnection.h"

namespace quorvex::sqlite {

SqliteAuditData::SqliteAuditData(IConnectionFactory& connections, QString databaseFile)
    : m_connections(connections), m_file(std::move(databaseFile)) {
    m_traits.store = AuditStore::Sqlite;
}

std::unique_ptr<IConnection> SqliteAuditData::connect(MessageService& messages) const {
    return openSqliteConnection(m_connections, m_file, messages, SqliteFileUse::ExistingFile,
                                SqliteReading::StepByStep);
}

} // namespace quorvex::sqlite
