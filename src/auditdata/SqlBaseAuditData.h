#pragma once

#include "auditdata/AuditDataSource.h"

#include <functional>
#include <memory>

namespace quorvex {

// SQLBase: each read and each purge opens a connection of its own and closes it at its end.
class SqlBaseAuditData : public AuditDataSource {
public:
    // An open connection from the login values, or nullptr once the failure has been shown.
    using ConnectionOpener = std::function<std::unique_ptr<IConnection>()>;
    // Reloads the installed-audits grid from the catalog.
    using AuditListReloader = std::function<void(Grid& installedAudits)>;

    SqlBaseAuditData(ConnectionOpener openConnection, AuditListReloader reloadAudits);

    const AuditDataTraits& traits() const override { return m_traits; }
    std::optional<AuditRows> openRows(const AuditTable& audit) override;
    std::optional<PurgeResult> purge(const AuditTable& audit) override;
    std::optional<PurgeResult> exportAndPurge(const AuditTable& audit,
                                              AuditExporter& exporter) override;
    void refreshAudits(Grid& installedAudits) override;

private:
    ConnectionOpener m_openConnection;
    AuditListReloader m_reloadAudits;
    AuditDataTraits m_traits;
};

} // namespace quorvex
