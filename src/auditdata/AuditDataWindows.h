#pragma once

#include "auditdata/AuditDataSource.h"
#include "auditdata/AuditExportWindow.h"
#include "auditdata/AuditViewerWindow.h"
#include "auditdata/WindowPresenter.h"

#include <QPointer>
#include <memory>

namespace quorvex {

class Grid;
struct PlatformServices;

// A back end's viewer and export window: made on first use and kept for the run, so the
// export window's choices (format, folder, file name) persist. The back end owns one of these
// and calls it from its View and Purge/Export buttons.
class AuditDataWindows {
public:
    AuditDataWindows(std::unique_ptr<AuditDataSource> source, PlatformServices& services,
                     WindowPresenter present);
    ~AuditDataWindows();
    AuditDataWindows(const AuditDataWindows&) = delete;
    AuditDataWindows& operator=(const AuditDataWindows&) = delete;

    // View: the rows of the audit in the grid's current row (nothing without one).
    void view(const Grid& installedAudits);
    // Purge/Export: shows the export window for this grid when the grid has a selected row.
    void openExport(Grid& installedAudits);

    AuditDataSource& source() { return *m_source; }
    AuditViewerWindow* viewer() const { return m_viewer.data(); }
    AuditExportWindow* exportWindow() const { return m_export.data(); }

private:
    std::unique_ptr<AuditDataSource> m_source;
    PlatformServices& m_services;
    WindowPresenter m_present;
    QPointer<AuditViewerWindow> m_viewer;
    QPointer<AuditExportWindow> m_export;
};

} // namespace quorvex
