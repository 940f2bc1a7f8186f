#include "auditdata/SqlBaseAuditData.h"

namespace quorvex {

namespace {

// Closes a connection however its statement ends.
struct ClosesConnection {
    IConnection& connection;
    ~ClosesConnection() {
        try {
            connection.close();
        } catch (...) {
        }
    }
};

} // namespace

SqlBaseAuditData::SqlBaseAuditData(ConnectionOpener openConnection, AuditListReloader reloadAudits)
    : m_openConnection(std::move(openConnection)), m_reloadAudits(std::move(reloadAudits)) {
    m_traits.store = AuditStore::SqlBase;
    m_traits.nameColumn = 1;
    m_traits.viewerObjectName = QStringLiteral("frmViewer");
    m_traits.exportObjectName = QStringLiteral("frmExport");
    m_traits.exportCompletedMessage.clear();
    m_traits.purgeCompletedMessage.clear();
}

std::optional<AuditRows> SqlBaseAuditData::openRows(const AuditTable& audit) {
    std::unique_ptr<IConnection> connection = m_openConnection ? m_openConnection() : nullptr;
    if (!connection)
        return std::nullopt;
    Recordset rows;
    try {
        rows = connection->openRecordset(audit.selectStatement(), CursorType::ForwardOnly);
    } catch (...) {
        ClosesConnection closer{*connection};
        throw;
    }
    return AuditRows(std::move(rows), std::move(connection));
}

std::optional<PurgeResult> SqlBaseAuditData::purge(const AuditTable& audit) {
    std::unique_ptr<IConnection> connection = m_openConnection ? m_openConnection() : nullptr;
    if (!connection)
        return std::nullopt;
    ClosesConnection closer{*connection};
    return AuditPurge(*connection, audit).purge();
}

std::optional<PurgeResult> SqlBaseAuditData::exportAndPurge(const AuditTable& audit,
                                                            AuditExporter& exporter) {
    std::unique_ptr<IConnection> connection = m_openConnection ? m_openConnection() : nullptr;
    if (!connection)
        return std::nullopt;
    ClosesConnection closer{*connection};
    return AuditPurge(*connection, audit).exportAndPurge(exporter);
}

void SqlBaseAuditData::refreshAudits(Grid& installedAudits) {
    if (m_reloadAudits)
        m_reloadAudits(installedAudits);
}

} // namespace quorvex
