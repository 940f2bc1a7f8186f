#pragma once

#include "auditdata/AuditDataTraits.h"
#include "auditdata/AuditPurge.h"
#include "auditdata/AuditRows.h"
#include "auditdata/AuditTable.h"

#include <optional>

namespace quorvex {

class Grid;

// What the viewer and the export window ask of their back end: the rows of an audit table,
// the purge, and what follows a change. Each back end implements it over its own connection.
class AuditDataSource {
public:
    virtual ~AuditDataSource() = default;

    virtual const AuditDataTraits& traits() const = 0;

    // The audit table's rows, to be read as they are fetched. Empty when no connection could be
    // opened (the connection failure has been shown). Throws DbException when the query fails.
    virtual std::optional<AuditRows> openRows(const AuditTable& audit) = 0;

    // Deletes every row of the audit table, waiting a bounded time for a table another session
    // holds. Empty when no connection could be opened (the failure has been shown).
    virtual std::optional<PurgeResult> purge(const AuditTable& audit) = 0;

    // Writes the audit table's rows with the exporter and deletes exactly the rows the
    // completed file holds, in one transaction (see AuditPurge). Empty when no connection could
    // be opened (the failure has been shown).
    virtual std::optional<PurgeResult> exportAndPurge(const AuditTable& audit,
                                                      AuditExporter& exporter) = 0;

    // After a purge and after a failed export: SQLBase reloads the installed-audits grid (its
    // record counts may have changed); SQL Server's grid shows no counts and stays.
    virtual void refreshAudits(Grid& installedAudits) = 0;
};

} // namespace quorvex
