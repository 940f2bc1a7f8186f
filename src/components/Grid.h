#pragma once

#include "components/FieldInfo.h"
#include "components/GridModel.h"

#include <QTableView>

namespace quorvex {

class Recordset;

// The grid of every window: a table view over a GridModel, addressed as the windows expect.
// Data rows and columns count from 0; row -1 is the header row and column -1 the row-header
// column (shown in the vertical header), both readable and writable; the current row is
// NoCurrentRow (-32767) when there is none.
//
// Out-of-range addresses never fail: reads give "" (or false, or NoCurrentRow), writes and
// structural changes outside the grid are ignored. removeRows() removes up to the last row
// when asked for more rows than there are.
//
// Each data row carries a selected mark, independent of the current row. The current row is
// the row of the clicked cell (or of the cell set with setCurrentCell); it follows its row when
// rows are inserted above it, and when it is removed the row above the removed ones becomes
// current (the row below when there is none above; none when no row is left). How clicks
// change the marks is set with setRowSelection(); by default it is RowSelection::Extended.
//
// A click on a cell of a check column toggles its text between "True" and "False" and leaves
// the marks alone. Every click on a cell or a row header raises clicked(column) after the
// grid has done its part (current row, toggle, marks); a row-header click reports column -1.
// A double-click counts as two clicks, as on a check box.
class Grid : public QTableView {
    Q_OBJECT

public:
    static constexpr int NoCurrentRow = GridModel::NoRow;
    static constexpr int HeaderIndex = GridModel::HeaderIndex;

    enum class RowSelection {
        // A plain click marks the clicked row only; Ctrl+click toggles its mark; Shift+click
        // marks the rows from the last plainly or Ctrl-clicked row to the clicked one
        // (Ctrl+Shift adds them to the marks already there).
        Extended,
        // Clicks leave the marks alone: the program sets them, for instance inverting the
        // clicked row's mark in its clicked() handler.
        Manual,
    };

    explicit Grid(QWidget* parent = nullptr);
    ~Grid() override;

    GridModel* gridModel() const { return m_model; }

    void setRowSelection(RowSelection selection) { m_rowSelection = selection; }
    RowSelection rowSelection() const { return m_rowSelection; }

    int rowCount() const;
    int colCount() const;
    // Fewer columns drop the last ones, more append empty ones; 0 leaves the rows without cells.
    void setColCount(int count);

    int currentRow() const;
    // Makes the cell current, scrolling it into view. Column -1 makes the row current at
    // column 0. A grid without columns has no current cell, so no current row either.
    void setCurrentCell(int row, int column);

    QString cellText(int row, int column) const;
    void setCellText(int row, int column, const QString& text);

    bool isRowSelected(int row) const;
    void setRowSelected(int row, bool selected);
    int selectedCount() const;
    // i from 1 to selectedCount(), in ascending row order; NoCurrentRow for any other i.
    int selectedRow(int i) const;

    // Empty rows before position (rowCount() appends).
    void insertRows(int position, int count);
    void removeRows(int first, int count);
    // Empty columns with empty headers before position (colCount() appends).
    void insertCols(int position, int count);
    // Width in pixels; column -1 is the row-header column (0 hides it).
    void setColWidth(int column, int width);
    void setCheckColumn(int column);

    // Replaces everything with the rows of a result set (see GridModel::loadRecordset). The
    // recordset is read to its end and may be closed afterwards.
    void loadRecordset(Recordset& recordset);
    // For callers that feed rows themselves.
    void appendRow(const Row& row);
    void appendRows(std::span<const Row> rows);
    // No rows, no columns, no header texts, no check columns, no current row.
    void clear();

Q_SIGNALS:
    void clicked(int column);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void onCellClicked(const QModelIndex& index);
    void onRowHeaderClicked(int row);
    void markClickedRow(int row, Qt::KeyboardModifiers modifiers);

    GridModel* m_model;
    RowSelection m_rowSelection = RowSelection::Extended;
    int m_anchorRow = NoCurrentRow;
    Qt::KeyboardModifiers m_clickModifiers;
};

} // namespace quorvex
