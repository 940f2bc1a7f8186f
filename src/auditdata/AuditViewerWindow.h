#pragma once

#include "auditdata/AuditTable.h"
#include "auditdata/WindowPresenter.h"

#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace quorvex {

class AuditDataSource;
class Grid;
class MessageService;
class WindowOperation;

// The viewer of an audit's recorded rows (frmSqlViewer, frmViewer): one grid, grdViewAudit,
// that shows the whole audit table, every field in table order, every row in the order the
// database gives them. One window per back end, reused by every view.
//
// The rows are read on a worker with a connection of its own and come to the grid in batches,
// so a large table neither freezes the window nor waits to be read in full. After half a
// second the window's operation panel counts the rows read and offers Cancel. Cancel, closing
// the window, and View pressed again while rows are still arriving stop the read at once
// (the statement is cancelled and its connection closed); the grid keeps the rows it shows by
// then, and View pressed again then starts the newly chosen audit. What the read had to say
// (a failure) is shown once it has ended.
class AuditViewerWindow : public QWidget {
    Q_OBJECT

public:
    // Widths are pixels and a grid keeps them in 16 bits.
    static constexpr int MaxColumnWidth = 32767;
    static constexpr int MinColumnWidth = 10;
    // The worker hands rows over in batches of at most this many, and at least this often.
    static constexpr std::size_t RowsPerBatch = 4096;
    static constexpr int BatchMilliseconds = 50;
    // Rows read but not yet in the grid, at most: a reader faster than the window waits.
    static constexpr std::size_t RowsWaitingAtMost = 65536;
    // How often the window takes rows, and how long it adds rows at a stretch before it answers
    // events again.
    static constexpr int TakeEveryMilliseconds = 10;
    static constexpr int AddingMilliseconds = 20;

    AuditViewerWindow(std::shared_ptr<AuditDataSource> source, MessageService& messages,
                      WindowPresenter present = {}, QWidget* parent = nullptr);
    ~AuditViewerWindow() override;

    // View: reads the name in the current row of the installed-audits grid, reads that audit's
    // table and shows it. No current row or an empty grid: nothing happens. The window is shown
    // once the statement has returned its rows (or once it has waited half a second); a failing
    // statement shows the database's message and, unless it waited that long, no window.
    void showAudit(const Grid& installedAudits);

    Grid* grid() const { return m_grdViewAudit; }
    WindowOperation& operation() const { return *m_operation; }
    // A read runs, its rows are still being added, or another View waits for it to end.
    bool isFilling() const { return m_read != nullptr || m_pending.has_value(); }

    // When the rows of this audit are being read: the read is cancelled and `ready` is called
    // once it has ended and its connection is closed (true). Otherwise false, and nothing is
    // kept of `ready`. A View of that audit waiting to start is dropped either way.
    bool releaseAudit(const QString& auditName, std::function<void()> ready);

    // 10 pixels per character of the header or of the first row's value, whichever is longer,
    // within MinColumnWidth and MaxColumnWidth. An empty table measures its header alone.
    static int columnWidth(const QString& header, const std::optional<QString>& firstValue);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    struct Read;

    void start(const AuditTable& audit);
    // Cancels a running read; one that has ended stops adding its rows and ends now.
    void stopReading();
    void presentEmpty();
    void takeRows();
    void workerEnded(const std::shared_ptr<Read>& read);
    void finish();
    void sizeColumns();

    std::shared_ptr<AuditDataSource> m_source;
    MessageService& m_messages;
    WindowPresenter m_present;
    Grid* m_grdViewAudit = nullptr;
    WindowOperation* m_operation = nullptr;
    QTimer m_takeTimer;
    std::shared_ptr<Read> m_read;        // the read running or whose rows are being added
    std::optional<AuditTable> m_pending; // a View pressed while a read ran
    bool m_sized = false;
    std::vector<std::function<void()>> m_whenEnded; // releaseAudit's callers
};

} // namespace quorvex
