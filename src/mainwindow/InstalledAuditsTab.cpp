#include "mainwindow/InstalledAuditsTab.h"

#include "components/ControlBuilders.h"
#include "components/Grid.h"
#include "components/MemoryRowSource.h"
#include "components/MessageService.h"
#include "components/ProcessControl.h"
#include "components/Recordset.h"
#include "mainwindow/AuditBackend.h"
#include "mainwindow/AuditViews.h"
#include "mainwindow/BackendCalls.h"

#include <QHeaderView>
#include <QPointer>
#include <QPushButton>

namespace quorvex {

namespace {

const QString DeleteQuestion =
    QStringLiteral("Are you sure you want to delete this Audit from the database?");

// Wide enough for "trigger missing".
constexpr int StateColumnWidth = 130;

// The states that lose rows or stop the application's statements: the whole row stands out,
// and the STATE cell says why in words.
QHash<QString, GridModel::RowColours> attentionColours() {
    return {
        {auditStateText(AuditState::Broken), {QColor(0xF4, 0xC7, 0xC3), QColor(0x8B, 0x00, 0x00)}},
        {auditStateText(AuditState::TriggerMissing),
         {QColor(0xFC, 0xE1, 0xB0), QColor(0x6B, 0x38, 0x00)}},
    };
}

int stateColumnOf(const AuditListing& listing) {
    for (std::size_t i = 0; i < listing.fields.size(); ++i) {
        if (listing.fields[i].name == auditStateColumnName())
            return int(i);
    }
    return -1;
}

} // namespace

InstalledAuditsTab::InstalledAuditsTab(BackendCalls& calls, MessageService& messages,
                                       ProcessControl& process, AuditViews* views, QWidget* parent)
    : QFrame(parent), m_calls(calls), m_messages(messages), m_process(process), m_views(views) {
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
    connect(m_cmdPanic, &QPushButton::clicked, this, &InstalledAuditsTab::panic);
    calls.operation().blockWhileBusy({m_cmdDisable, m_cmdEnable, m_cmdDelete, m_cmdPanic});
    if (m_views)
        m_views->setAuditsChanged([this] { reload(); });

    if (calls.traits().tooltips) {
        m_cmdDisable->setToolTip(QStringLiteral("Disable selected audit"));
        m_cmdEnable->setToolTip(QStringLiteral("Enable selected audit"));
        m_cmdDelete->setToolTip(QStringLiteral("Deletes the selected audit"));
        m_cmdView->setToolTip(QStringLiteral("View the selected audits results"));
        m_cmdExport->setToolTip(QStringLiteral("Export and purge the selected audits data"));
    }
}

void InstalledAuditsTab::show(const AuditListing& listing) {
    Recordset rows(std::make_unique<MemoryRowSource>(listing.fields, listing.rows));
    Grid& grid = *m_grdInstalledAudits;
    grid.loadRecordset(rows);
    const QList<int>& widths = m_calls.traits().installedAuditWidths;
    for (int i = 0; i < widths.size(); ++i)
        grid.setColWidth(i - 1, widths[i]);
    const int state = stateColumnOf(listing);
    if (state >= 0) {
        grid.gridModel()->setRowColours(state, attentionColours());
        grid.setColWidth(state, StateColumnWidth);
        // The state stays the listing's last column for everything that reads the rows; it is
        // shown beside the name, where it is seen without scrolling.
        QHeaderView* header = grid.horizontalHeader();
        const int beside = header->visualIndex(m_calls.traits().installedAuditNameColumn) + 1;
        if (header->visualIndex(state) != beside)
            header->moveSection(header->visualIndex(state), beside);
    }
    if (m_calls.traits().currentRowAfterListing && grid.rowCount() > 0)
        grid.setCurrentCell(0, 0);
}

void InstalledAuditsTab::showIfListed(const std::optional<AuditListing>& listing) {
    if (listing)
        show(*listing);
}

void InstalledAuditsTab::reload() {
    m_calls.run<std::optional<AuditListing>>(
        tr("Listing the installed audits"),
        [](AuditBackend& backend, MessageService& messages, TaskContext& task) {
            return backend.listAudits(messages, task);
        },
        [this](std::optional<AuditListing> listing) { showIfListed(listing); });
}

std::optional<QList<int>> InstalledAuditsTab::targetRows() const {
    const Grid& grid = *m_grdInstalledAudits;
    if (m_calls.traits().installedAuditRows == InstalledAuditRows::CurrentRow) {
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

QList<InstalledAuditRow> InstalledAuditsTab::rowTexts(const QList<int>& rows) const {
    // Read before anything runs: a reload in between would renumber the rows.
    const Grid& grid = *m_grdInstalledAudits;
    QList<InstalledAuditRow> texts;
    for (int row : rows) {
        if (row < 0 || row >= grid.rowCount())
            continue;
        InstalledAuditRow cells;
        for (int column = 0; column < grid.colCount(); ++column)
            cells << grid.cellText(row, column);
        texts << cells;
    }
    return texts;
}

void InstalledAuditsTab::act(const QString& what, Action action) {
    const auto rows = targetRows();
    if (!rows)
        return;
    const QList<InstalledAuditRow> audits = rowTexts(*rows);
    m_calls.run<std::optional<AuditListing>>(
        what,
        [audits, action](AuditBackend& backend, MessageService& messages, TaskContext& task) {
            return (backend.*action)(audits, messages, task);
        },
        [this](std::optional<AuditListing> listing) { showIfListed(listing); });
}

void InstalledAuditsTab::disableAudits() {
    act(tr("Disabling"), &AuditBackend::disableAudits);
}

void InstalledAuditsTab::enableAudits() {
    act(tr("Enabling"), &AuditBackend::enableAudits);
}

void InstalledAuditsTab::deleteAudits() {
    const auto rows = targetRows();
    if (!rows)
        return;
    const QList<InstalledAuditRow> audits = rowTexts(*rows);
    m_calls.run<bool>(
        tr("Connecting"),
        [](AuditBackend& backend, MessageService& messages, TaskContext& task) {
            return backend.prepareDelete(messages, task);
        },
        [this, audits](bool prepared) {
            if (prepared)
                askAndDelete(audits);
        });
}

void InstalledAuditsTab::askAndDelete(const QList<InstalledAuditRow>& rows) {
    // One question for all the rows; an empty grid has nothing to ask about.
    const bool confirmed = m_grdInstalledAudits->rowCount() >= 1 &&
                           m_messages.askYesNo(DeleteQuestion, MessageIcon::None);
    if (!confirmed) {
        // Without a yes there is nothing to do on SQL Server, not even a reload; SQLBase
        // reloads whatever the answer.
        if (m_calls.traits().installedAuditRows == InstalledAuditRows::SelectedRows)
            runDelete(rows, AuditBackend::DeleteAnswer::No);
        return;
    }
    QStringList names;
    for (const InstalledAuditRow& row : rows)
        names << m_calls.backend().auditName(row);
    release(names, [this, rows] { runDelete(rows, AuditBackend::DeleteAnswer::Yes); });
}

void InstalledAuditsTab::release(QStringList names, std::function<void()> then) {
    if (names.isEmpty() || m_views == nullptr) {
        then();
        return;
    }
    const QString name = names.takeFirst();
    QPointer<InstalledAuditsTab> self(this);
    m_views->releaseAudit(name, [self, names, then = std::move(then)]() mutable {
        if (self)
            self->release(std::move(names), std::move(then));
    });
}

void InstalledAuditsTab::runDelete(const QList<InstalledAuditRow>& rows,
                                   AuditBackend::DeleteAnswer answer) {
    m_calls.run<std::optional<AuditListing>>(
        tr("Deleting"),
        [rows, answer](AuditBackend& backend, MessageService& messages, TaskContext& task) {
            return backend.deleteAudits(rows, answer, messages, task);
        },
        [this](std::optional<AuditListing> listing) { showIfListed(listing); });
}

void InstalledAuditsTab::viewAudit() {
    if (m_views)
        m_views->view(*m_grdInstalledAudits);
}

void InstalledAuditsTab::exportAudit() {
    if (m_views && m_grdInstalledAudits->selectedCount() >= 1)
        m_views->openExport(*m_grdInstalledAudits);
}

void InstalledAuditsTab::panic() {
    if (!m_messages.askYesNo(m_calls.backend().panicQuestion(), MessageIcon::None))
        return;
    m_calls.run<bool>(
        tr("Removing every audit"),
        [](AuditBackend& backend, MessageService& messages, TaskContext& task) {
            return backend.panicSweep(messages, task);
        },
        [this](bool swept) {
            // Never claim a clean database after a failure: the messages before said what
            // stayed.
            m_messages.show(m_calls.backend().panicEndMessage(swept));
            m_process.endProcessNow(0);
        });
}

void InstalledAuditsTab::revealPanic() {
    m_cmdPanic->show();
}

} // namespace quorvex
