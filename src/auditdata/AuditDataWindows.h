#pragma once

#include "auditdata/AuditDataSource.h"
#include "auditdata/AuditExportWindow.h"
#include "auditdata/AuditViewerWindow.h"
#include "auditdata/WindowPresenter.h"
#include "mainwindow/AuditViews.h"

#include <QPointer>
#include <functional>
#include <memory>

namespace quorvex {

class Grid;
struct PlatformServices;

// A back end's viewer and export window: made on first use and kept for the run, so the
// export window's choices (format, folder, file name) persist. The main window owns one of
// these and calls it from its View and Purge/Export buttons. The windows read and purge on
// workers of their own; the data source is shared with those workers, so it lives until the
// last of them has ended.
class AuditDataWindows : public AuditViews {
public:
    AuditDataWindows(std::shared_ptr<AuditDataSource> source, PlatformServices& services,
                     WindowPresenter present);
    // Closes the windows; their running operations are cancelled and end on their own.
    ~AuditDataWindows() override;
    AuditDataWindows(const AuditDataWindows&) = delete;
    AuditDataWindows& operator=(const AuditDataWindows&) = delete;

    // View: the rows of the audit in the grid's current row (nothing without one).
    void view(const Grid& installedAudits) override;
    // Purge/Export: shows the export window for this grid when the grid has a selected row.
    // Each of its buttons acts on the grid's current row when it is pressed.
    void openExport(Grid& installedAudits) override;

    // Called on the window thread after a purge and after a failed export, when the back
    // end's list of installed audits shows what a purge changes (SQLBase's record counts): the
    // main window then reloads that list.
    void setAuditsChanged(std::function<void()> changed) override;

    // Before an audit is deleted: a read of its rows in the viewer, or an export or purge of
    // them in the export window, is cancelled, and `ready` is called on the window thread once
    // each has ended and closed its connection (so a DROP TABLE does not wait on our own
    // SELECT). With none running, `ready` is called at once. Not called when these windows go
    // before that.
    void releaseAudit(const QString& auditName, std::function<void()> ready) override;

    // Whether the viewer or the export window has an operation running.
    bool isBusy() const;

    AuditViewerWindow* viewer() const { return m_viewer.data(); }
    AuditExportWindow* exportWindow() const { return m_export.data(); }

private:
    std::shared_ptr<AuditDataSource> m_source;
    PlatformServices& m_services;
    WindowPresenter m_present;
    std::function<void()> m_auditsChanged;
    QPointer<AuditViewerWindow> m_viewer;
    QPointer<AuditExportWindow> m_export;
};

} // namespace quorvex
