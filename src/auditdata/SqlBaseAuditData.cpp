#include "auditdata/SqlBaseAuditData.h"

#include "components/IConnection.h"

namespace quorvex {

SqlBaseAuditData::SqlBaseAuditData(ConnectionOpener openConnection)
    : m_openConnection(std::move(openConnection)) {
    m_traits.store = AuditStore::SqlBase;
    m_traits.nameColumn = 1;
    m_traits.viewerObjectName = QStringLiteral("frmViewer");
    m_traits.exportObjectName = QStringLiteral("frmExport");
    m_traits.exportCompletedMessage.clear();
    m_traits.purgeCompletedMessage.clear();
    m_traits.auditListShowsRecordCounts = true;
}

std::unique_ptr<IConnection> SqlBaseAuditData::connect(MessageService& messages) const {
    return m_openConnection ? m_openConnection(messages) : nullptr;
}

} // namespace quorvex
