#include "auditdata/AuditViewerWindow.h"

#include "auditdata/AuditDataSource.h"
#include "auditdata/RowBatchQueue.h"
#include "components/DbException.h"
#include "components/Grid.h"
#include "components/LockTimeout.h"
#include "components/MemoryRowSource.h"
#include "components/MessageLog.h"
#include "components/TaskContext.h"
#include "components/Twips.h"
#include "components/WindowOperation.h"
#include "sqlserver/AuditNameRules.h"

#include <QCloseEvent>
#include <QElapsedTimer>
#include <QPointer>
#include <algorithm>

namespace quorvex {

namespace {

// Rows added to the grid in one insertion.
constexpr std::size_t rowsPerInsertion = 2048;

// What a read shares with its worker.
struct ReadShared {
    RowBatchQueue queue{AuditViewerWindow::RowsWaitingAtMost};
    MessageLog log;
    bool cancelled = false; // written by the worker as it ends
};

// A busy table is a warning; anything else is the database's own error.
void tellFailure(MessageLog& log, const AuditTable& audit, const DbException& e) {
    log.show(readFailureText(audit, e.errors(), e.description()),
             isLockTimeout(e.errors()) ? MessageIcon::Exclamation : MessageIcon::Critical);
}

void readInto(const AuditDataSource& source, const AuditTable& audit, ReadShared& shared,
              TaskContext& task) {
    std::optional<AuditRows> rows;
    try {
        rows = source.openRows(audit, shared.log, task);
    } catch (const DbException& e) {
        if (!task.isCancelled())
            tellFailure(shared.log, audit, e);
        return;
    }
    if (!rows)
        return; // the connection's failure has been told, or the read was cancelled
    Recordset& records = rows->recordset();
    shared.queue.setFields(records.fields());
    std::vector<Row> batch;
    qint64 count = 0;
    bool stopped = false;
    QElapsedTimer clock;
    clock.start();
    try {
        while (!records.eof()) {
            // The row goes before the fetch of the next one, which may fail.
            batch.push_back(records.currentRow());
            ++count;
            if (batch.size() >= AuditViewerWindow::RowsPerBatch ||
                clock.hasExpired(AuditViewerWindow::BatchMilliseconds)) {
                if (!shared.queue.put(std::exchange(batch, {}), task.cancelToken())) {
                    stopped = true;
                    break;
                }
                task.reportProgress(count);
                clock.restart();
            }
            records.moveNext();
        }
    } catch (const DbException& e) {
        if (!task.isCancelled())
            tellFailure(shared.log, audit, e); // the rows so far stay
    }
    if (!stopped)
        shared.queue.put(std::move(batch), task.cancelToken());
    task.reportProgress(count);
    rows->close();
}

} // namespace

struct AuditViewerWindow::Read {
    std::shared_ptr<ReadShared> shared = std::make_shared<ReadShared>();
    QString auditName;
    bool workerEnded = false;
    bool shown = false; // the grid belongs to this read
};

AuditViewerWindow::AuditViewerWindow(std::shared_ptr<AuditDataSource> source,
                                     MessageService& messages, WindowPresenter present,
                                     QWidget* parent)
    : QWidget(parent), m_source(std::move(source)), m_messages(messages),
      m_present(std::move(present)) {
    setObjectName(m_source->traits().viewerObjectName);
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

    m_operation = new WindowOperation(this);
    // A statement that keeps the rows waiting shows the window with its panel, and Cancel.
    connect(&m_operation->task(), &BackgroundTask::busyLong, this, [this] {
        if (m_read && !m_read->shown)
            presentEmpty();
    });
    m_takeTimer.setInterval(TakeEveryMilliseconds);
    connect(&m_takeTimer, &QTimer::timeout, this, &AuditViewerWindow::takeRows);
}

AuditViewerWindow::~AuditViewerWindow() {
    // The worker ends on its own: its statement is cancelled and it adds nothing more.
    m_pending.reset();
    if (m_read) {
        m_operation->cancel();
        m_read->shared->queue.close();
    }
}

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
    const int row = installedAudits.currentRow();
    if (row == Grid::NoCurrentRow || installedAudits.rowCount() <= 0)
        return;
    const AuditDataTraits& traits = m_source->traits();
    const std::optional<AuditTable> audit =
        AuditTable::fromName(traits.store, installedAudits.cellText(row, traits.nameColumn));
    if (!audit) {
        m_messages.show(invalidAuditNameMessage(), MessageIcon::Exclamation);
        return;
    }
    if (m_read) {
        // The running read stops; this one starts once it has ended.
        m_pending = *audit;
        stopReading();
        return;
    }
    start(*audit);
}

void AuditViewerWindow::start(const AuditTable& audit) {
    auto read = std::make_shared<Read>();
    read->auditName = audit.name();
    m_read = read;
    m_sized = false;
    const bool started = m_operation->run(
        tr("Reading %1").arg(audit.tableName()),
        [source = m_source, audit, shared = read->shared,
         step = tr("rows read")](TaskContext& task) {
            task.reportStep(step);
            readInto(*source, audit, *shared, task);
            shared->cancelled = task.isCancelled();
        },
        [this, read] {
            if (read == m_read)
                workerEnded(read);
        });
    if (!started) {
        m_read.reset();
        return;
    }
    m_takeTimer.start();
}

void AuditViewerWindow::presentEmpty() {
    m_grdViewAudit->clear();
    m_sized = false;
    m_read->shown = true;
    presentKeptWindow(*this, m_present);
}

void AuditViewerWindow::takeRows() {
    if (!m_read) {
        m_takeTimer.stop();
        return;
    }
    const std::shared_ptr<Read> read = m_read;
    RowBatchQueue& queue = read->shared->queue;
    if (std::optional<std::vector<FieldInfo>> fields = queue.takeFields()) {
        // The statement has returned: the previous contents make way for its columns.
        Recordset header(std::make_unique<MemoryRowSource>(std::move(*fields), std::vector<Row>{}));
        m_grdViewAudit->loadRecordset(header);
        m_sized = false;
        if (!read->shown) {
            read->shown = true;
            presentKeptWindow(*this, m_present);
            if (m_read != read)
                return; // presenting answered events meanwhile
        }
    }
    QElapsedTimer clock;
    clock.start();
    do {
        const std::vector<Row> rows = queue.take(rowsPerInsertion);
        if (rows.empty())
            break;
        m_grdViewAudit->appendRows(rows);
        if (!m_sized)
            sizeColumns();
    } while (!clock.hasExpired(AddingMilliseconds));
    if (read->workerEnded && queue.size() == 0)
        finish();
}

void AuditViewerWindow::workerEnded(const std::shared_ptr<Read>& read) {
    read->workerEnded = true;
    if (read->shared->cancelled) {
        // Rows read but not yet shown are dropped: the grid keeps what it shows.
        read->shared->queue.close();
        finish();
        return;
    }
    takeRows(); // the rest goes in a slice at a time; the last slice ends the read
}

void AuditViewerWindow::stopReading() {
    if (!m_read)
        return;
    if (!m_read->workerEnded) {
        m_operation->cancel(); // ends in workerEnded()
        return;
    }
    m_read->shared->queue.close();
    finish();
}

void AuditViewerWindow::finish() {
    m_takeTimer.stop();
    const std::shared_ptr<Read> read = std::exchange(m_read, nullptr);
    if (read == nullptr)
        return;
    if (read->shown)
        sizeColumns();
    QPointer<AuditViewerWindow> self(this);
    // The worker has ended: its log is the window's to read.
    read->shared->log.replay(m_messages);
    if (!self)
        return;
    for (std::function<void()>& ready : std::exchange(m_whenEnded, {})) {
        ready();
        if (!self)
            return;
    }
    if (m_pending && m_read == nullptr)
        start(*std::exchange(m_pending, std::nullopt));
}

bool AuditViewerWindow::releaseAudit(const QString& auditName, std::function<void()> ready) {
    const auto same = [&auditName](const QString& name) {
        return name.compare(auditName.trimmed(), Qt::CaseInsensitive) == 0;
    };
    if (m_pending && same(m_pending->name()))
        m_pending.reset();
    if (!m_read || m_read->workerEnded || !same(m_read->auditName))
        return false;
    m_whenEnded.push_back(std::move(ready));
    m_operation->cancel();
    return true;
}

void AuditViewerWindow::closeEvent(QCloseEvent* event) {
    m_pending.reset();
    stopReading();
    event->accept();
}

} // namespace quorvex
