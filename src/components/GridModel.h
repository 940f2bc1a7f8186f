#pragma once

#include "components/FieldInfo.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QHash>
#include <QString>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace quorvex {

class Recordset;

// The rows of a grid, kept compactly so that a grid holding a whole audit table of a million
// rows costs tens of megabytes, not a widget item or a QString per cell.
//
// Addressing: data rows and columns count from 0; row -1 is the header row and column -1 the
// row-header column (shown in the vertical header), both holding text like any cell; (-1, -1)
// is the corner. Every cell holds text; an address outside the grid reads as "" and a write to
// it is ignored.
//
// Storage: each row is one block of bytes in a chunked arena: the number of cells it stores,
// then per cell a length and the UTF-8 bytes. Trailing empty cells are not stored, so an empty
// row takes no bytes at all. Cells are stored by slot, not by column: slot 0 is the row-header
// cell and each column maps to a slot of its own, so inserting or removing a column rewrites
// no row. A changed or removed row leaves its old block behind; the arena is compacted once
// more than half of it is such garbage.
class GridModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // What a grid answers when there is no such row (no current row, no i-th selected row).
    static constexpr int NoRow = -32767;
    // The header row and the row-header column.
    static constexpr int HeaderIndex = -1;
    // Data role carrying a row's selected mark (bool) for the view to paint.
    static constexpr int SelectedMarkRole = Qt::UserRole + 1;

    explicit GridModel(QObject* parent = nullptr);
    ~GridModel() override;

    // --- QAbstractItemModel ---
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Empty rows and columns; the inserted columns are plain text columns with empty headers.
    bool insertRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;
    bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;
    bool insertColumns(int column, int count, const QModelIndex& parent = QModelIndex()) override;
    bool removeColumns(int column, int count, const QModelIndex& parent = QModelIndex()) override;

    // --- cells ---
    QString cellText(int row, int column) const;
    // False (and nothing changes) when the address is outside the grid.
    bool setCellText(int row, int column, const QString& text);

    // Fewer columns drop the last ones, more append empty ones; 0 leaves the rows without cells.
    void setColumnCount(int count);

    // A check column shows its cells as check boxes: "True" is checked, any other text
    // (including "false") unchecked.
    void setCheckColumn(int column);
    bool isCheckColumn(int column) const;
    // "True" becomes "False"; anything else becomes "True". False when not a check cell.
    bool toggleCheck(int row, int column);

    // --- row colours ---
    // A row may be painted in colours of its own, told by the text of one column (a state
    // column, say): a row whose cell in that column reads one of the texts (blanks around it
    // aside) gets that text's background and text colour; an invalid colour leaves the view's.
    // The column keeps the role when columns are inserted or removed before it; the colours go
    // with the columns (clear(), loadRecordset()). A column out of range clears them.
    struct RowColours {
        QColor background;
        QColor foreground;
    };
    void setRowColours(int column, QHash<QString, RowColours> byText);
    // The colours of a data row, or null when it has none of its own.
    const RowColours* rowColours(int row) const;

    // --- selected marks (independent of any current row) ---
    bool isRowSelected(int row) const;
    void setRowSelected(int row, bool selected);
    void clearRowSelection();
    int selectedCount() const { return m_selectedCount; }
    // Row index of the i-th selected row, i from 1, in ascending row order; NoRow when there is
    // no such row.
    int selectedRow(int i) const;

    // --- filling ---
    // Replaces everything with the result's rows: one column per field with the field's name in
    // the header row, one row per record, NULL as empty text. Reads the recordset to its end;
    // rows are added in growing batches, each one insertion for the views. When the driver fails
    // part way, the rows read so far stay and the DbException goes to the caller.
    void loadRecordset(Recordset& recordset);
    // One more row at the end; values beyond the column count are not kept, missing ones are
    // empty.
    void appendRow(const Row& row);
    // Rows at the end, shown to the views as one insertion (rows that arrive in batches).
    void appendRows(std::span<const Row> rows);
    // No rows, no columns, no header texts, no check columns.
    void clear();

    // Bytes the store holds (arena chunks, row table, column table), for sizing and benches.
    qint64 storageBytes() const;

private:
    static constexpr quint32 NoBlock = 0xFFFFFFFFu;

    // Where a row's block lives; NoBlock in chunk means every cell is empty.
    struct RowRef {
        quint32 chunk = NoBlock;
        quint32 offset : 31 = 0;
        quint32 selected : 1 = 0;
    };
    struct Chunk {
        std::unique_ptr<char[]> data;
        quint32 capacity = 0;
        quint32 used = 0;
    };
    struct Column {
        quint32 slot = 0;
        bool check = false;
        bool coloursRows = false; // its text picks the row's colours
    };
    // One cell's stored bytes, pointing into the arena.
    struct CellBytes {
        const char* data = nullptr;
        quint32 size = 0;
    };

    bool isCell(const QModelIndex& index) const;
    bool isDataRow(int row) const { return row >= 0 && row < static_cast<int>(m_rows.size()); }
    bool isAddressable(int row, int column) const;
    const RowRef& rowRef(int row) const;
    RowRef& rowRef(int row);
    quint32 slotOf(int column) const;

    // Cells of a stored block, by slot; empty for slots the block does not reach.
    std::vector<CellBytes> cellsOf(const RowRef& ref) const;
    CellBytes cellOf(const RowRef& ref, quint32 slot) const;
    quint32 blockSize(const RowRef& ref) const;

    // Builds a block from slot cells in m_scratch and stores it; returns the new reference
    // (NoBlock when every cell is empty). The selected mark is not touched.
    void packCells(const std::vector<CellBytes>& cells);
    RowRef storeScratch();
    void appendEncodedCell(QStringView text);
    void writeCellText(RowRef& ref, quint32 slot, QStringView text);
    char* allocate(quint32 size, quint32& chunk, quint32& offset);
    void forget(const RowRef& ref);

    RowRef packRow(const Row& values);
    void compactIfWasteful();
    void compact();
    void resetStore();
    void emitRowMarkChanged(int row);

    std::vector<RowRef> m_rows;
    RowRef m_header; // the header row; its slot 0 is the corner cell
    std::vector<Column> m_columns;
    quint32 m_nextSlot = 1;
    std::vector<Chunk> m_chunks;
    quint64 m_storedBytes = 0;               // bytes handed out from the arena
    quint64 m_garbageBytes = 0;              // of those, bytes no row refers to any more
    QHash<QString, RowColours> m_rowColours; // by the text of the column that colours rows
    int m_selectedCount = 0;
    // Rows of the selected marks in order, rebuilt on demand after a change.
    mutable std::vector<int> m_selectedRows;
    mutable bool m_selectedRowsValid = true;
    std::string m_scratch; // the block being built; reused to avoid an allocation per row
    std::string m_cellScratch;
};

} // namespace quorvex
