#include "components/GridModel.h"

#include "components/Recordset.h"

#include <QStringEncoder>
#include <algorithm>
#include <cstring>

namespace quorvex {

namespace {

const QString TrueText = QStringLiteral("True");
const QString FalseText = QStringLiteral("False");

// Blocks start small so that the many small grids of a window cost little, and grow to a
// megabyte so that a large grid needs few allocations.
constexpr quint32 FirstChunkSize = 4096;
constexpr quint32 LargestChunkSize = 1u << 20;
// Garbage below this is not worth a pass over the rows.
constexpr quint64 GarbageWorthCompacting = 64 * 1024;
// Slots of removed columns still reachable in stored rows, tolerated before a rewrite.
constexpr quint32 DeadSlotsTolerated = 8;

// Lengths are stored as LEB128 varints: one byte for any cell under 128 bytes.
void appendVarint(std::string& out, quint32 value) {
    while (value >= 0x80) {
        out.push_back(static_cast<char>((value & 0x7F) | 0x80));
        value >>= 7;
    }
    out.push_back(static_cast<char>(value));
}

quint32 readVarint(const char*& p) {
    quint32 value = 0;
    int shift = 0;
    for (;;) {
        const auto byte = static_cast<unsigned char>(*p++);
        value |= static_cast<quint32>(byte & 0x7F) << shift;
        if ((byte & 0x80) == 0)
            return value;
        shift += 7;
    }
}

void encodeUtf8(QStringView text, std::string& out) {
    // Stateless: a lone surrogate at the end of one cell must not carry into the next.
    QStringEncoder encoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    out.resize(static_cast<std::size_t>(encoder.requiredSpace(text.size())));
    char* end = encoder.appendToBuffer(out.data(), text);
    out.resize(static_cast<std::size_t>(end - out.data()));
}

} // namespace

GridModel::GridModel(QObject* parent) : QAbstractTableModel(parent) {}

GridModel::~GridModel() = default;

// --- QAbstractItemModel -------------------------------------------------------------------

bool GridModel::isCell(const QModelIndex& index) const {
    // Views ask about the invalid index too; that is an answer of "nothing", not a misuse.
    return index.isValid() &&
           checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid);
}

int GridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int GridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!isCell(index))
        return {};
    const int row = index.row();
    const int column = index.column();
    const bool check = m_columns[static_cast<std::size_t>(column)].check;
    switch (role) {
    case Qt::DisplayRole:
        // A check cell shows its box only; its text is still there for EditRole and callers.
        if (check)
            return {};
        return cellText(row, column);
    case Qt::EditRole:
        return cellText(row, column);
    case Qt::CheckStateRole:
        if (!check)
            return {};
        return static_cast<int>(cellText(row, column) == TrueText ? Qt::Checked : Qt::Unchecked);
    case SelectedMarkRole:
        return isRowSelected(row);
    case Qt::BackgroundRole:
    case Qt::ForegroundRole: {
        const RowColours* colours = rowColours(row);
        if (colours == nullptr)
            return {};
        const QColor& colour =
            role == Qt::BackgroundRole ? colours->background : colours->foreground;
        return colour.isValid() ? QVariant(colour) : QVariant();
    }
    default:
        return {};
    }
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!isCell(index))
        return false;
    switch (role) {
    case Qt::CheckStateRole:
        if (!isCheckColumn(index.column()))
            return false;
        return setCellText(index.row(), index.column(),
                           value.toInt() == Qt::Checked ? TrueText : FalseText);
    case Qt::EditRole:
    case Qt::DisplayRole:
        return setCellText(index.row(), index.column(), value.toString());
    default:
        return false;
    }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= columnCount())
            return {};
        return cellText(HeaderIndex, section);
    }
    if (!isDataRow(section))
        return {};
    return cellText(section, HeaderIndex);
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
    if (!isCell(index))
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (isCheckColumn(index.column()))
        result |= Qt::ItemIsUserCheckable;
    return result;
}

bool GridModel::insertRows(int row, int count, const QModelIndex& parent) {
    if (parent.isValid() || count <= 0 || row < 0 || row > rowCount())
        return false;
    beginInsertRows(QModelIndex(), row, row + count - 1);
    m_rows.insert(m_rows.begin() + row, static_cast<std::size_t>(count), RowRef{});
    m_selectedRowsValid = false;
    endInsertRows();
    return true;
}

bool GridModel::removeRows(int row, int count, const QModelIndex& parent) {
    if (parent.isValid() || count <= 0 || row < 0 || static_cast<qint64>(row) + count > rowCount())
        return false;
    beginRemoveRows(QModelIndex(), row, row + count - 1);
    const auto first = m_rows.begin() + row;
    const auto last = first + count;
    for (auto it = first; it != last; ++it) {
        forget(*it);
        if (it->selected)
            --m_selectedCount;
    }
    m_rows.erase(first, last);
    m_selectedRowsValid = false;
    endRemoveRows();
    compactIfWasteful();
    return true;
}

bool GridModel::insertColumns(int column, int count, const QModelIndex& parent) {
    if (parent.isValid() || count <= 0 || column < 0 || column > columnCount())
        return false;
    beginInsertColumns(QModelIndex(), column, column + count - 1);
    std::vector<Column> added(static_cast<std::size_t>(count));
    // A fresh slot is beyond every stored row, so the new column reads empty everywhere.
    for (Column& c : added)
        c.slot = m_nextSlot++;
    m_columns.insert(m_columns.begin() + column, added.begin(), added.end());
    endInsertColumns();
    return true;
}

bool GridModel::removeColumns(int column, int count, const QModelIndex& parent) {
    if (parent.isValid() || count <= 0 || column < 0 ||
        static_cast<qint64>(column) + count > columnCount())
        return false;
    const bool removesColourColumn =
        std::any_of(m_columns.begin() + column, m_columns.begin() + column + count,
                    [](const Column& c) { return c.coloursRows; });
    beginRemoveColumns(QModelIndex(), column, column + count - 1);
    m_columns.erase(m_columns.begin() + column, m_columns.begin() + column + count);
    endRemoveColumns();
    if (removesColourColumn)
        setRowColours(-1, {});
    compactIfWasteful();
    return true;
}

// --- cells --------------------------------------------------------------------------------

bool GridModel::isAddressable(int row, int column) const {
    return (row == HeaderIndex || isDataRow(row)) &&
           (column == HeaderIndex || (column >= 0 && column < columnCount()));
}

const GridModel::RowRef& GridModel::rowRef(int row) const {
    return row == HeaderIndex ? m_header : m_rows[static_cast<std::size_t>(row)];
}

GridModel::RowRef& GridModel::rowRef(int row) {
    return row == HeaderIndex ? m_header : m_rows[static_cast<std::size_t>(row)];
}

quint32 GridModel::slotOf(int column) const {
    return column == HeaderIndex ? 0 : m_columns[static_cast<std::size_t>(column)].slot;
}

QString GridModel::cellText(int row, int column) const {
    if (!isAddressable(row, column))
        return {};
    const CellBytes cell = cellOf(rowRef(row), slotOf(column));
    return QString::fromUtf8(cell.data, cell.size);
}

bool GridModel::setCellText(int row, int column, const QString& text) {
    if (!isAddressable(row, column))
        return false;
    writeCellText(rowRef(row), slotOf(column), text);
    if (row != HeaderIndex && column != HeaderIndex) {
        const QModelIndex changed = index(row, column);
        Q_EMIT dataChanged(changed, changed, {Qt::DisplayRole, Qt::EditRole, Qt::CheckStateRole});
        if (m_columns[static_cast<std::size_t>(column)].coloursRows)
            Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1),
                               {Qt::BackgroundRole, Qt::ForegroundRole});
    } else if (row == HeaderIndex && column != HeaderIndex) {
        Q_EMIT headerDataChanged(Qt::Horizontal, column, column);
    } else if (row != HeaderIndex) {
        Q_EMIT headerDataChanged(Qt::Vertical, row, row);
    }
    compactIfWasteful();
    return true;
}

void GridModel::setColumnCount(int count) {
    if (count < 0)
        return;
    const int current = columnCount();
    if (count < current)
        removeColumns(count, current - count);
    else if (count > current)
        insertColumns(current, count - current);
}

void GridModel::setCheckColumn(int column) {
    if (column < 0 || column >= columnCount())
        return;
    Column& c = m_columns[static_cast<std::size_t>(column)];
    if (c.check)
        return;
    c.check = true;
    if (rowCount() > 0)
        Q_EMIT dataChanged(index(0, column), index(rowCount() - 1, column),
                           {Qt::DisplayRole, Qt::CheckStateRole});
}

bool GridModel::isCheckColumn(int column) const {
    return column >= 0 && column < columnCount() &&
           m_columns[static_cast<std::size_t>(column)].check;
}

bool GridModel::toggleCheck(int row, int column) {
    if (!isDataRow(row) || !isCheckColumn(column))
        return false;
    return setCellText(row, column, cellText(row, column) == TrueText ? FalseText : TrueText);
}

// --- row colours --------------------------------------------------------------------------

void GridModel::setRowColours(int column, QHash<QString, RowColours> byText) {
    for (Column& c : m_columns)
        c.coloursRows = false;
    m_rowColours.clear();
    if (column >= 0 && column < columnCount()) {
        m_columns[static_cast<std::size_t>(column)].coloursRows = true;
        m_rowColours = std::move(byText);
    }
    if (rowCount() > 0 && columnCount() > 0)
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                           {Qt::BackgroundRole, Qt::ForegroundRole});
}

const GridModel::RowColours* GridModel::rowColours(int row) const {
    if (m_rowColours.isEmpty() || !isDataRow(row))
        return nullptr;
    for (int column = 0; column < columnCount(); ++column) {
        if (!m_columns[static_cast<std::size_t>(column)].coloursRows)
            continue;
        const auto found = m_rowColours.constFind(cellText(row, column).trimmed());
        return found == m_rowColours.constEnd() ? nullptr : &*found;
    }
    return nullptr;
}

// --- selected marks -----------------------------------------------------------------------

bool GridModel::isRowSelected(int row) const {
    return isDataRow(row) && m_rows[static_cast<std::size_t>(row)].selected;
}

void GridModel::setRowSelected(int row, bool selected) {
    if (!isDataRow(row))
        return;
    RowRef& ref = m_rows[static_cast<std::size_t>(row)];
    if (static_cast<bool>(ref.selected) == selected)
        return;
    ref.selected = selected ? 1 : 0;
    m_selectedCount += selected ? 1 : -1;
    m_selectedRowsValid = false;
    emitRowMarkChanged(row);
}

void GridModel::clearRowSelection() {
    if (m_selectedCount == 0)
        return;
    int first = -1;
    int last = -1;
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        if (!m_rows[i].selected)
            continue;
        m_rows[i].selected = 0;
        if (first < 0)
            first = static_cast<int>(i);
        last = static_cast<int>(i);
    }
    m_selectedCount = 0;
    m_selectedRowsValid = false;
    if (columnCount() > 0)
        Q_EMIT dataChanged(index(first, 0), index(last, columnCount() - 1), {SelectedMarkRole});
}

int GridModel::selectedRow(int i) const {
    if (i < 1 || i > m_selectedCount)
        return NoRow;
    if (!m_selectedRowsValid) {
        m_selectedRows.clear();
        for (std::size_t r = 0; r < m_rows.size(); ++r) {
            if (m_rows[r].selected)
                m_selectedRows.push_back(static_cast<int>(r));
        }
        m_selectedRowsValid = true;
    }
    return m_selectedRows[static_cast<std::size_t>(i - 1)];
}

void GridModel::emitRowMarkChanged(int row) {
    if (columnCount() > 0)
        Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1), {SelectedMarkRole});
}

// --- filling ------------------------------------------------------------------------------

void GridModel::loadRecordset(Recordset& recordset) {
    beginResetModel();
    resetStore();
    const std::vector<FieldInfo>& fields = recordset.fields();
    m_columns.resize(fields.size());
    for (std::size_t i = 0; i < fields.size(); ++i)
        m_columns[i].slot = static_cast<quint32>(i + 1);
    m_nextSlot = static_cast<quint32>(fields.size() + 1);
    Row names;
    names.reserve(fields.size());
    for (const FieldInfo& field : fields)
        names.emplace_back(field.name);
    m_header = packRow(names);
    endResetModel();

    // Rows are packed as they are fetched and shown to the views in batches that double, so
    // a million rows cost about ten insertions.
    std::vector<RowRef> pending;
    std::size_t batch = 1024;
    const auto flush = [&] {
        if (pending.empty())
            return;
        const int first = rowCount();
        beginInsertRows(QModelIndex(), first, first + static_cast<int>(pending.size()) - 1);
        m_rows.insert(m_rows.end(), pending.begin(), pending.end());
        endInsertRows();
        pending.clear();
    };
    try {
        while (!recordset.eof()) {
            pending.push_back(packRow(recordset.currentRow()));
            if (pending.size() >= batch) {
                flush();
                batch = std::max(batch, m_rows.size());
            }
            recordset.moveNext();
        }
    } catch (...) {
        flush();
        throw;
    }
    flush();
}

void GridModel::appendRow(const Row& row) {
    const RowRef ref = packRow(row);
    const int position = rowCount();
    beginInsertRows(QModelIndex(), position, position);
    m_rows.push_back(ref);
    endInsertRows();
}

void GridModel::appendRows(std::span<const Row> rows) {
    if (rows.empty())
        return;
    const int first = rowCount();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(rows.size()) - 1);
    for (const Row& row : rows)
        m_rows.push_back(packRow(row));
    endInsertRows();
}

void GridModel::clear() {
    beginResetModel();
    resetStore();
    endResetModel();
}

void GridModel::resetStore() {
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_header = RowRef{};
    m_columns.clear();
    m_rowColours.clear();
    m_nextSlot = 1;
    m_chunks.clear();
    m_storedBytes = 0;
    m_garbageBytes = 0;
    m_selectedCount = 0;
    m_selectedRows.clear();
    m_selectedRowsValid = true;
}

qint64 GridModel::storageBytes() const {
    qint64 bytes = 0;
    for (const Chunk& chunk : m_chunks)
        bytes += chunk.capacity;
    bytes += static_cast<qint64>(m_chunks.capacity() * sizeof(Chunk));
    bytes += static_cast<qint64>(m_rows.capacity() * sizeof(RowRef));
    bytes += static_cast<qint64>(m_columns.capacity() * sizeof(Column));
    bytes += static_cast<qint64>(m_selectedRows.capacity() * sizeof(int));
    bytes += static_cast<qint64>(m_scratch.capacity() + m_cellScratch.capacity());
    return bytes;
}

// --- the row store ------------------------------------------------------------------------

std::vector<GridModel::CellBytes> GridModel::cellsOf(const RowRef& ref) const {
    std::vector<CellBytes> cells;
    if (ref.chunk == NoBlock)
        return cells;
    const char* p = m_chunks[ref.chunk].data.get() + ref.offset;
    const quint32 count = readVarint(p);
    cells.reserve(count);
    for (quint32 i = 0; i < count; ++i) {
        const quint32 size = readVarint(p);
        cells.push_back({p, size});
        p += size;
    }
    return cells;
}

GridModel::CellBytes GridModel::cellOf(const RowRef& ref, quint32 slot) const {
    if (ref.chunk == NoBlock)
        return {};
    const char* p = m_chunks[ref.chunk].data.get() + ref.offset;
    const quint32 count = readVarint(p);
    if (slot >= count)
        return {};
    for (quint32 i = 0; i < slot; ++i)
        p += readVarint(p);
    const quint32 size = readVarint(p);
    return {p, size};
}

quint32 GridModel::blockSize(const RowRef& ref) const {
    if (ref.chunk == NoBlock)
        return 0;
    const char* start = m_chunks[ref.chunk].data.get() + ref.offset;
    const char* p = start;
    const quint32 count = readVarint(p);
    for (quint32 i = 0; i < count; ++i)
        p += readVarint(p);
    return static_cast<quint32>(p - start);
}

void GridModel::packCells(const std::vector<CellBytes>& cells) {
    m_scratch.clear();
    std::size_t count = cells.size();
    while (count > 0 && cells[count - 1].size == 0)
        --count;
    if (count == 0)
        return;
    appendVarint(m_scratch, static_cast<quint32>(count));
    for (std::size_t i = 0; i < count; ++i) {
        appendVarint(m_scratch, cells[i].size);
        m_scratch.append(cells[i].data, cells[i].size);
    }
}

GridModel::RowRef GridModel::storeScratch() {
    RowRef ref;
    if (m_scratch.empty())
        return ref;
    const auto size = static_cast<quint32>(m_scratch.size());
    quint32 chunk = 0;
    quint32 offset = 0;
    char* target = allocate(size, chunk, offset);
    std::memcpy(target, m_scratch.data(), size);
    ref.chunk = chunk;
    ref.offset = offset;
    return ref;
}

char* GridModel::allocate(quint32 size, quint32& chunk, quint32& offset) {
    if (m_chunks.empty() || m_chunks.back().capacity - m_chunks.back().used < size) {
        const quint32 previous = m_chunks.empty() ? 0 : m_chunks.back().capacity;
        const quint32 grown = previous >= LargestChunkSize / 2
                                  ? LargestChunkSize
                                  : std::max(previous * 2, FirstChunkSize);
        Chunk added;
        added.capacity = std::max(grown, size);
        added.data = std::make_unique_for_overwrite<char[]>(added.capacity);
        m_chunks.push_back(std::move(added));
    }
    Chunk& target = m_chunks.back();
    chunk = static_cast<quint32>(m_chunks.size() - 1);
    offset = target.used;
    target.used += size;
    m_storedBytes += size;
    return target.data.get() + offset;
}

void GridModel::forget(const RowRef& ref) {
    m_garbageBytes += blockSize(ref);
}

void GridModel::appendEncodedCell(QStringView text) {
    encodeUtf8(text, m_cellScratch);
    appendVarint(m_scratch, static_cast<quint32>(m_cellScratch.size()));
    m_scratch.append(m_cellScratch);
}

void GridModel::writeCellText(RowRef& ref, quint32 slot, QStringView text) {
    std::vector<CellBytes> cells = cellsOf(ref);
    if (slot >= cells.size()) {
        if (text.isEmpty())
            return; // already empty
        cells.resize(slot + 1);
    }
    encodeUtf8(text, m_cellScratch);
    cells[slot] = {m_cellScratch.data(), static_cast<quint32>(m_cellScratch.size())};
    packCells(cells);
    const RowRef stored = storeScratch();
    forget(ref);
    ref.chunk = stored.chunk;
    ref.offset = stored.offset;
}

GridModel::RowRef GridModel::packRow(const Row& values) {
    const std::size_t count = std::min(values.size(), m_columns.size());
    bool slotsInOrder = true;
    for (std::size_t c = 0; c < count && slotsInOrder; ++c)
        slotsInOrder = m_columns[c].slot == c + 1;
    if (!slotsInOrder) {
        // Columns were inserted or removed since the last rewrite: place cell by cell.
        RowRef ref;
        for (std::size_t c = 0; c < count; ++c) {
            if (values[c])
                writeCellText(ref, m_columns[c].slot, *values[c]);
        }
        return ref;
    }
    std::size_t stored = count;
    while (stored > 0 && (!values[stored - 1] || values[stored - 1]->isEmpty()))
        --stored;
    m_scratch.clear();
    if (stored > 0) {
        appendVarint(m_scratch, static_cast<quint32>(stored + 1));
        appendVarint(m_scratch, 0); // the row-header cell
        for (std::size_t c = 0; c < stored; ++c)
            appendEncodedCell(values[c] ? QStringView(*values[c]) : QStringView());
    }
    return storeScratch();
}

void GridModel::compactIfWasteful() {
    const quint32 deadSlots = m_nextSlot - 1 - static_cast<quint32>(m_columns.size());
    const bool wasteful =
        m_garbageBytes >= GarbageWorthCompacting && m_garbageBytes * 2 > m_storedBytes;
    const bool manyDeadSlots =
        deadSlots > std::max<quint32>(DeadSlotsTolerated, static_cast<quint32>(m_columns.size()));
    if (wasteful || manyDeadSlots)
        compact();
}

void GridModel::compact() {
    // Rewrites every row into a fresh arena, in column order, without the cells of removed
    // columns. The old arena stays readable until every row is copied.
    std::vector<Chunk> old = std::move(m_chunks);
    m_chunks.clear();
    m_storedBytes = 0;
    m_garbageBytes = 0;
    std::vector<CellBytes> stored;
    std::vector<CellBytes> ordered(m_columns.size() + 1);
    const auto rewrite = [&](RowRef& ref) {
        if (ref.chunk == NoBlock)
            return;
        stored.clear();
        const char* p = old[ref.chunk].data.get() + ref.offset;
        const quint32 count = readVarint(p);
        for (quint32 i = 0; i < count; ++i) {
            const quint32 size = readVarint(p);
            stored.push_back({p, size});
            p += size;
        }
        const auto at = [&](quint32 slot) { return slot < count ? stored[slot] : CellBytes{}; };
        ordered[0] = at(0);
        for (std::size_t c = 0; c < m_columns.size(); ++c)
            ordered[c + 1] = at(m_columns[c].slot);
        packCells(ordered);
        const RowRef fresh = storeScratch();
        ref.chunk = fresh.chunk;
        ref.offset = fresh.offset;
    };
    rewrite(m_header);
    for (RowRef& ref : m_rows)
        rewrite(ref);
    for (std::size_t c = 0; c < m_columns.size(); ++c)
        m_columns[c].slot = static_cast<quint32>(c + 1);
    m_nextSlot = static_cast<quint32>(m_columns.size() + 1);
}

} // namespace quorvex
