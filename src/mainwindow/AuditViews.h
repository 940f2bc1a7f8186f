#pragma once

#include <QString>

#include <functional>

namespace quorvex {

class Grid;

// The windows that show and archive an audit's recorded rows, as the installed-audits tab
// opens them: the viewer (View) and the export window (Purge/Export).
class AuditViews {
public:
    virtual ~AuditViews() = default;
    // The rows of the audit in the grid's current row (nothing without one).
    virtual void view(const Grid& installedAudits) = 0;
    // The export window for this grid.
    virtual void openExport(Grid& installedAudits) = 0;
    // Before the audit's table is dropped: a read or export of its rows that runs is ended
    // first, so the drop never waits on our own read; `ready` follows once nothing reads it.
    virtual void releaseAudit(const QString& auditName, std::function<void()> ready) = 0;
    // Told after a purge changed what the installed-audits grid shows (SQLBase's counts).
    virtual void setAuditsChanged(std::function<void()> changed) = 0;
};

} // namespace quorvex
