#include "auditdata/AuditViewerWindow.h"

#include "auditdata/AuditDataSource.h"
#include "auditdata/PacedRowSource.h"
#include "components/DbException.h"
#include "components/Grid.h"
#include "components/MessageService.h"
#include "components/Twips.h"
#include "sqlserver/AuditNameRules.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QPointer>
#include <algorithm>

namespace quorvex {

AuditViewerWindow::AuditViewerWindow(AuditDataSource& source, MessageService& messages,
                                     WindowPresenter present, QWidget* parent)
    : QWidget(parent), m_source(&source), m_messages(messages), m_present(std::move(present)) {
    setObjectName(source.traits().viewerObjectName);
    setWindowTitle(applicationTitle());
    setFixedSize(sizeFromTwips(10875, 7485));

    m_grdViewAudit = new Grid(this);
    m_grdViewAudit->setObjectName(QStringLiteral("grdViewAudit"));
    m_grdViewAudit->setGeometry(rectFromTwips(120, 120, 10575, 6735));
    m_grdViewAudit->setFrameShape(QFrame::Box); // border style 1
    QPalette colours = m_grdViewAudit->palette();
    colours.setColor(QPalette::Text, QColor(0x00, 0x00, 0xFF));
    colours.setColor(QPalette::HighlightedText, QColor(0x00, 0x00, 0xFF));
    colours.setColor(QPalette::Highlight, QColor(0x00, 0x00, 0x80));
    m_grdViewAudit->setPalette(colours);
}

AuditViewerWindow::~AuditViewerWindow() = default;

int AuditViewerWindow::columnWidth(const QString& header,
                                   const std::optional<QString>& firstValue) {
    const qint64 a = header.size();
    const qint64 b = firstValue ? firstValue->size() : 0;
    const qint64 width = 10 * (a > b ? a : b);
    return int(std::clamp<qint64>(width, MinColumnWidth, MaxColumnWidth));
}

void AuditViewerWindow::sizeColumns() {
    const bool hasRow = m_grdViewAudit->rowCount() > 0;
    for (int i = 0; i < m_grdViewAudit->colCount(); ++i) {
        const std::optional<QString> first =
            hasRow ? std::optional<QString>(m_grdViewAudit->cellText(0, i)) : std::nullopt;
        m_grdViewAudit->setColWidth(i, columnWidth(m_grdViewAudit->cellText(-1, i), first));
    }
    m_sized = hasRow;
}

void AuditViewerWindow::showAudit(const Grid& installedAudits) {
    if (m_source == nullptr)
        return;
    const int row = installedAudits.currentRow();
    if (row == Grid::NoCurrentRow || installedAudits.rowCount() <= 0)
        return;
    const QString name = installedAudits.cellText(row, m_source->traits().nameColumn);
    if (m_filling) {
        // The running fill ends at its next batch and then starts this one.
        m_pending = name;
        m_stopRequested = true;
        return;
    }
    QPointer<AuditViewerWindow> self(this);
    std::optional<QString> next = name;
    while (next && self && m_source != nullptr) {
        m_pending.reset();
        view(*next);
        if (!self)
            return;
        next = m_pending;
    }
}

void AuditViewerWindow::view(const QString& name) {
    const std::optional<AuditTable> audit = AuditTable::fromName(m_source->traits().store, name);
    if (!audit) {
        m_messages.show(invalidAuditNameMessage(), MessageIcon::Exclamation);
        return;
    }
    std::optional<AuditRows> rows;
    try {
        rows = m_source->openRows(*audit);
    } catch (const DbException& e) {
        m_messages.show(e.description(), MessageIcon::Critical);
        return;
    }
    if (!rows)
        return; // the connection's failure has been shown

    presentKeptWindow(*this, m_present);

    m_filling = true;
    m_stopRequested = false;
    m_sized = false;
    m_grdViewAudit->clear();
    QPointer<AuditViewerWindow> self(this);
    Recordset paced(
        std::make_unique<PacedRowSource>(rows->recordset(), RowsPerBatch, [this, self](qint64) {
            if (!self)
                return false;
            if (!m_sized)
                sizeColumns();
            QCoreApplication::processEvents();
            return self && !m_stopRequested;
        }));
    std::optional<QString> failure;
    try {
        m_grdViewAudit->loadRecordset(paced);
    } catch (const DbException& e) {
        failure = e.description(); // the rows read so far stay in the grid
    }
    paced.close();
    rows->close();
    m_filling = false;
    sizeColumns();
    if (failure)
        m_messages.show(*failure, MessageIcon::Critical);
}

void AuditViewerWindow::abandon() {
    m_stopRequested = true;
    m_pending.reset();
    m_source = nullptr;
}

void AuditViewerWindow::closeEvent(QCloseEvent* event) {
    m_stopRequested = true;
    m_pending.reset();
    event->accept();
}

} // namespace quorvex
