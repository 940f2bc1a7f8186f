#include "mainwindow/AuditMainWindow.h"

#include "components/BackgroundTask.h"
#include "components/ControlBuilders.h"
#include "components/MessageLog.h"
#include "components/PlatformServices.h"
#include "components/Twips.h"
#include "components/WindowOperation.h"
#include "mainwindow/AuditBackend.h"
#include "mainwindow/BackendCalls.h"
#include "mainwindow/InsertDeleteTab.h"
#include "mainwindow/InstalledAuditsTab.h"
#include "mainwindow/UpdateTab.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QTabWidget>

namespace quorvex {

AuditMainWindow::AuditMainWindow(std::shared_ptr<AuditBackend> backend, PlatformServices& services,
                                 AuditViews* views, QWidget* parent)
    : QWidget(parent), m_backend(std::move(backend)), m_services(services) {
    const MainWindowTraits& traits = m_backend->traits();
    setObjectName(traits.objectName);
    setWindowTitle(QStringLiteral("Quorvex"));
    setFixedSize(sizeFromTwips(10950, traits.clientHeightTwips));
    setFont(windowFont());

    m_ssTab1 = new QTabWidget(this);
    m_ssTab1->setObjectName(QStringLiteral("SSTab1"));
    m_ssTab1->setGeometry(rect());
    m_ssTab1->setUsesScrollButtons(false);

    m_operation = new WindowOperation(this);
    m_calls = std::make_unique<BackendCalls>(m_backend, *m_operation, services.messages);
    m_insertDelete = new InsertDeleteTab(*m_calls, services.messages);
    m_update = new UpdateTab(*m_calls, services.messages);
    m_installed = new InstalledAuditsTab(*m_calls, services.messages, services.process, views);
    m_ssTab1->addTab(m_insertDelete, QStringLiteral("Insert/Delete Audits"));
    m_ssTab1->addTab(m_update, QStringLiteral("Update Audits"));
    m_ssTab1->addTab(m_installed, QStringLiteral("Installed Audits"));
    m_ssTab1->setCurrentIndex(0);

    connect(m_insertDelete, &InsertDeleteTab::auditSaved, m_installed, &InstalledAuditsTab::reload);
    connect(m_update, &UpdateTab::auditSaved, m_installed, &InstalledAuditsTab::reload);

    if (traits.panicOnF12)
        watchKeys(this);
}

AuditMainWindow::~AuditMainWindow() = default;

void AuditMainWindow::present(const AuditBackend::Loaded& loaded) {
    // Said once, where it stays in sight, rather than in a message box at every save.
    if (!loaded.notice.isEmpty())
        setWindowTitle(QStringLiteral("Quorvex - ") + loaded.notice);
    m_installed->show(loaded.audits);
    m_insertDelete->setTables(loaded.tables);
    m_update->setTables(loaded.tables);
}

void AuditMainWindow::watchKeys(QWidget* widget) {
    widget->installEventFilter(this);
    for (QWidget* child : widget->findChildren<QWidget*>())
        child->installEventFilter(this);
}

bool AuditMainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F12) {
        m_installed->revealPanic();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void AuditMainWindow::closeEvent(QCloseEvent* event) {
    // What runs is cancelled first; its end is dropped with the window.
    m_operation->cancel();
    // Closing the frame closes its children, and a window can be asked to close more than
    // once: the back end's shutdown runs once, on a worker that outlives the window.
    if (!m_shutDown) {
        m_shutDown = true;
        auto* shutdown = new BackgroundTask;
        auto log = std::make_shared<MessageLog>();
        MessageService* messages = &m_services.messages;
        shutdown->start(
            [backend = m_backend, log](TaskContext& task) { backend->shutdown(*log, task); },
            [shutdown, log, messages] {
                log->replay(*messages);
                shutdown->deleteLater();
            });
    }
    event->accept();
}

} // namespace quorvex
