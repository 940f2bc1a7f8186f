#include "mainwindow/AuditMainWindow.h"

#include "components/PlatformServices.h"
#include "mainwindow/AuditBackend.h"
#include "mainwindow/InsertDeleteTab.h"
#include "mainwindow/InstalledAuditsTab.h"
#include "components/ControlBuilders.h"
#include "mainwindow/UpdateTab.h"
#include "components/Twips.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QTabWidget>

namespace quorvex {

AuditMainWindow::AuditMainWindow(AuditBackend& backend, PlatformServices& services, QWidget* parent)
    : QWidget(parent), m_backend(backend) {
    const MainWindowTraits& traits = backend.traits();
    setObjectName(traits.objectName);
    setWindowTitle(QStringLiteral("Quorvex"));
    setFixedSize(sizeFromTwips(10950, traits.clientHeightTwips));
    setFont(windowFont());

    m_ssTab1 = new QTabWidget(this);
    m_ssTab1->setObjectName(QStringLiteral("SSTab1"));
    m_ssTab1->setGeometry(rect());
    m_ssTab1->setUsesScrollButtons(false);

    m_insertDelete = new InsertDeleteTab(backend, services.messages);
    m_update = new UpdateTab(backend, services.messages);
    m_installed = new InstalledAuditsTab(backend, services.messages, *this);
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

bool AuditMainWindow::start() {
    const std::optional<QStringList> tables = m_backend.load(m_installed->installedAudits());
    if (!tables)
        return false;
    // Said once, where it stays in sight, rather than in a message box at every save.
    const QString notice = m_backend.notice();
    if (!notice.isEmpty())
        setWindowTitle(QStringLiteral("Quorvex - ") + notice);
    m_insertDelete->setTables(*tables);
    m_update->setTables(*tables);
    return true;
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
    // Closing the frame closes its children, and a window can be asked to close more than
    // once: the back end's shutdown runs once.
    if (!m_shutDown) {
        m_shutDown = true;
        m_backend.shutdown();
    }
    event->accept();
}

} // namespace quorvex
