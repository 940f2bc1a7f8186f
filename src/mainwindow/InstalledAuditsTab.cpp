#include "mainwindow/InstalledAuditsTab.h"

#include "components/Grid.h"
#include "components/MessageService.h"
#include "mainwindow/AuditBackend.h"
#include "components/ControlBuilders.h"

#include <QPushButton>

namespace quorvex {

namespace {

const QString DeleteQuestion =
    QStringLiteral("Are you sure you want to delete this Audit from the database?");

} // namespace

InstalledAuditsTab::InstalledAuditsTab(AuditBackend& backend, MessageService& messages,
                                       QWidget& mainWindow, QWidget* parent)
    : QFrame(parent), m_backend(backend), m_messages(messages), m_mainWindow(mainWindow) {
    setObjectName(QStringLiteral("Frame2"));

    m_grdInstalledAudits = new Grid(this);
    m_grdInstalledAudits->setObjectName(QStringLiteral("grdInstalledAudits"));
    m_grdInstalledAudits->setRowSelection(Grid::RowSelection::Extended);
    placeAt(m_grdInstalledAudits, 240, 360, 9975, 6615);
    setCompactRows(m_grdInstalledAudits);

    m_cmdDisable = newButton(this, QStringLiteral("cmdDisable"), QStringLiteral("Disable"), 240,
                             7200, 975, 495);
    m_cmdEnable = newButton(this, QStringLiteral("cmdEnable"), QStringLiteral("Enable"), 1320, 7200,
                            975, 495);
    m_cmdDelete = newButton(this, QStringLiteral("CmdDelete"), QStringLiteral("Delete"), 2400, 7200,
                            975, 495);
    m_cmdView =
        newButton(this, QStringLiteral("cmdView"), QStringLiteral("View"), 3480, 7200, 975, 495);
    m_cmdExport = newButton(this, QStringLiteral("cmdExport"), QStringLiteral("Purge/Export"), 4560,
                            7200, 1095, 495);
    m_cmdPanic =
        newButton(this, QStringLiteral("cmdPanic"), QStringLiteral("Panic"), 8880, 7200, 1095, 495);
    // Revealed only by F12, on the back ends that have it.
    m_cmdPanic->hide();

    connect(m_cmdDisable, &QPushButton::clicked, this, &InstalledAuditsTab::disableAudits);
    connect(m_cmdEnable, &QPushButton::clicked, this, &InstalledAuditsTab::enableAudits);
    connect(m_cmdDelete, &QPushButton::clicked, this, &InstalledAuditsTab::deleteAudits);
    connect(m_cmdView, &QPushButton::clicked, this, &InstalledAuditsTab::viewAudit);
    connect(m_cmdExport, &QPushButton::clicked, this, &InstalledAuditsTab::exportAudit);
    connect(m_cmdPanic, &QPushButton::clicked, this, [this] { m_backend.panic(); });

    if (backend.traits().tooltips) {
        m_cmdDisable->setToolTip(QStringLiteral("Disable selected audit"));
        m_cmdEnable->setToolTip(QStringLiteral("Enable selected audit"));
        m_cmdDelete->setToolTip(QStringLiteral("Deletes the selected audit"));
        m_cmdView->setToolTip(QStringLiteral("View the selected audits results"));
        m_cmdExport->setToolTip(QStringLiteral("Export and purge the selected audits data"));
    }
}

void InstalledAuditsTab::reload() {
    m_backend.listAudits(*m_grdInstalledAudits);
}

std::optional<QList<int>> InstalledAuditsTab::targetRows() const {
    const Grid& grid = *m_grdInstalledAudits;
    if (m_backend.traits().installedAuditRows == InstalledAuditRows::CurrentRow) {
        const int current = grid.currentRow();
        if (current == Grid::NoCurrentRow)
            return std::nullopt;
        return QList<int>{current};
    }
    QList<int> rows;
    for (int i = 1; i <= grid.selectedCount(); ++i)
        rows << grid.selectedRow(i);
    return rows;
}

void InstalledAuditsTab::disableAudits() {
    if (const auto rows = targetRows())
        m_backend.disableAudits(*m_grdInstalledAudits, *rows);
}

void InstalledAuditsTab::enableAudits() {
    if (const auto rows = targetRows())
        m_backend.enableAudits(*m_grdInstalledAudits, *rows);
}

void InstalledAuditsTab::deleteAudits() {
    const auto rows = targetRows();
    if (!rows)
        return;
    if (!m_backend.prepareDelete())
        return;
    // One question for all the rows; an empty grid has nothing to ask about.
    const bool confirmed = m_grdInstalledAudits->rowCount() >= 1 &&
                           m_messages.askYesNo(DeleteQuestion, MessageIcon::None);
    if (m_backend.traits().installedAuditRows == InstalledAuditRows::CurrentRow) {
        // Without a yes there is nothing to do, not even a reload.
        if (confirmed)
            m_backend.deleteAudits(*m_grdInstalledAudits, *rows, AuditBackend::DeleteAnswer::Yes);
        return;
    }
    // The back end reloads the grid whatever the answer.
    m_backend.deleteAudits(*m_grdInstalledAudits, *rows,
                           confirmed ? AuditBackend::DeleteAnswer::Yes
                                     : AuditBackend::DeleteAnswer::No);
}

void InstalledAuditsTab::viewAudit() {
    m_backend.viewAudit(*m_grdInstalledAudits, &m_mainWindow);
}

void InstalledAuditsTab::exportAudit() {
    if (m_grdInstalledAudits->selectedCount() >= 1)
        m_backend.exportAudit(*m_grdInstalledAudits, &m_mainWindow);
}

void InstalledAuditsTab::revealPanic() {
    m_cmdPanic->show();
}

} // namespace quorvex
