#include "auditdata/AuditDataWindows.h"

#include "auditdata/AuditExportWindow.h"
#include "auditdata/AuditViewerWindow.h"
#include "components/Grid.h"
#include "components/PlatformServices.h"

#include <QMdiSubWindow>

namespace quorvex {

namespace {

// Removes a kept window with the frame around it. One that is still reading rows goes once
// control is back in the event loop, after it has let go of the data source.
void dispose(QWidget* window, bool busy) {
    if (window == nullptr)
        return;
    QWidget* outer = qobject_cast<QMdiSubWindow*>(window->parentWidget());
    if (outer == nullptr)
        outer = window;
    if (busy)
        outer->deleteLater();
    else
        delete outer;
}

} // namespace

AuditDataWindows::AuditDataWindows(std::unique_ptr<AuditDataSource> source,
                                   PlatformServices& services, WindowPresenter present)
    : m_source(std::move(source)), m_services(services), m_present(std::move(present)) {}

AuditDataWindows::~AuditDataWindows() {
    // The windows outlive nothing they depend on: the data source goes with this object.
    if (AuditViewerWindow* viewer = m_viewer.data()) {
        const bool busy = viewer->isFilling();
        viewer->abandon();
        dispose(viewer, busy);
    }
    if (AuditExportWindow* window = m_export.data()) {
        const bool busy = window->isBusy();
        window->abandon();
        dispose(window, busy);
    }
}

void AuditDataWindows::view(const Grid& installedAudits) {
    if (m_viewer == nullptr)
        m_viewer = new AuditViewerWindow(*m_source, m_services.messages, m_present);
    m_viewer->showAudit(installedAudits);
}

void AuditDataWindows::openExport(Grid& installedAudits) {
    if (installedAudits.selectedCount() < 1)
        return;
    if (m_export == nullptr)
        m_export = new AuditExportWindow(*m_source, installedAudits, m_services, m_present);
    m_export->open(installedAudits);
}

} // namespace quorvex
