#pragma once

#include "auditdata/WindowPresenter.h"

#include <QWidget>
#include <optional>

namespace quorvex {

class AuditDataSource;
class Grid;
class MessageService;

// The viewer of an audit's recorded rows (frmSqlViewer, frmViewer): one grid, grdViewAudit,
// that shows the whole audit table, every field in table order, every row in the order the
// database gives them. One window per back end, reused by every view.
//
// Rows arrive in the grid as they are fetched, in batches, and the program keeps answering
// between batches, so a large table neither freezes the window nor waits to be read in full.
// Pressing View again while rows are still arriving starts the newly chosen audit instead;
// closing the window stops the reading.
class AuditViewerWindow : public QWidget {
    Q_OBJECT

public:
    // Widths are pixels and a grid keeps them in 16 bits.
    static constexpr int MaxColumnWidth = 32767;
    static constexpr int MinColumnWidth = 10;
    // Rows read between two looks at the event queue.
    static constexpr qint64 RowsPerBatch = 2048;

    AuditViewerWindow(AuditDataSource& source, MessageService& messages,
                      WindowPresenter present = {}, QWidget* parent = nullptr);
    ~AuditViewerWindow() override;

    // View: reads the name in the current row of the installed-audits grid, reads that audit's
    // table and shows it. No current row or an empty grid: nothing happens. A failing statement
    // shows the database's message and the window is not shown.
    void showAudit(const Grid& installedAudits);

    Grid* grid() const { return m_grdViewAudit; }
    bool isFilling() const { return m_filling; }

    // Stops any reading at the next batch and forgets the data source: for an owner that is
    // going away while rows are still arriving.
    void abandon();

    // 10 pixels per character of the header or of the first row's value, whichever is longer,
    // within MinColumnWidth and MaxColumnWidth. An empty table measures its header alone.
    static int columnWidth(const QString& header, const std::optional<QString>& firstValue);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void view(const QString& name);
    void sizeColumns();

    AuditDataSource* m_source;
    MessageService& m_messages;
    WindowPresenter m_present;
    Grid* m_grdViewAudit = nullptr;
    bool m_filling = false;
    bool m_stopRequested = false;
    bool m_sized = false;
    std::optional<QString> m_pending; // a View pressed while rows were arriving
};

} // namespace quorvex
