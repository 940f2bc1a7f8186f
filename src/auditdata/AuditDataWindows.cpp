#include "auditdata/AuditDataWindows.h"

#include "auditdata/AuditExportWindow.h"
#include "auditdata/AuditViewerWindow.h"
#include "components/Grid.h"
#include "components/PlatformServices.h"

#include <QMdiSubWindow>

namespace quorvex {

namespace {

// Removes a kept window with the frame around it.
void dispose(QWidget* window) {
    if (window == nullptr)
        return;
    QWidget* outer = qobject_cast<QMdiSubWindow*>(window->parentWidget());
    delete (outer != nullptr ? outer : window);
}

} // namespace

AuditDataWindows::AuditDataWindows(std::shared_ptr<AuditDataSource> source,
                                   PlatformServices& services, WindowPresenter present)
    : m_source(std::move(source)), m_services(services), m_present(std::move(present)) {}

AuditDataWindows::~AuditDataWindows() {
    dispose(m_viewer.data());
    dispose(m_export.data());
}

void AuditDataWindows::view(const Grid& installedAudits) {
    if (m_viewer == nullptr)
        m_viewer = new AuditViewerWindow(m_source, m_services.messages, m_present);
    m_viewer->showAudit(installedAudits);
}

void AuditDataWindows::openExport(Grid& installedAudits) {
    if (installedAudits.selectedCount() < 1)
        return;
    if (m_export == nullptr) {
        m_export = new AuditExportWindow(m_source, installedAudits, m_services, m_present);
        QObject::connect(m_export.data(), &AuditExportWindow::auditRowsChanged, m_export.data(),
                         [this] {
                             if (m_source->traits().auditListShowsRecordCounts && m_auditsChanged)
                                 m_auditsChanged();
                         });
        // A purge does not wait on the viewer's own read of the rows it deletes.
        m_export->setBeforePurge([this](const QString& auditName, std::function<void()> go) {
            if (m_viewer == nullptr || !m_viewer->releaseAudit(auditName, go))
                go();
        });
    }
    m_export->open(installedAudits);
}

void AuditDataWindows::setAuditsChanged(std::function<void()> changed) {
    m_auditsChanged = std::move(changed);
}

void AuditDataWindows::releaseAudit(const QString& auditName, std::function<void()> ready) {
    // Called back by each window whose operation had to end; `ready` goes after the last.
    auto waiting = std::make_shared<int>(0);
    auto shared = std::make_shared<std::function<void()>>(std::move(ready));
    const auto oneEnded = [waiting, shared] {
        if (--*waiting == 0 && *shared)
            (*shared)();
    };
    // Counted up before either window is asked, so the first to end cannot finish early.
    ++*waiting;
    if (m_viewer && m_viewer->releaseAudit(auditName, oneEnded))
        ++*waiting;
    if (m_export && m_export->releaseAudit(auditName, oneEnded))
        ++*waiting;
    oneEnded();
}

bool AuditDataWindows::isBusy() const {
    return (m_viewer && m_viewer->isFilling()) || (m_export && m_export->isBusy());
}

} // namespace quorvex
