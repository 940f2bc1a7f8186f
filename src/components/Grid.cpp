#include "components/Grid.h"

#include "components/Recordset.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <algorithm>

namespace quorvex {

namespace {

// The light grey of every list, text box and grid.
const QColor GridBackground(0xE0, 0xE0, 0xE0);

// Paints a row's selected mark the way the style paints a selection (Qt's own selection is
// off: the marks live in the model). Mouse clicks on check cells are left to the grid, which
// toggles on a click anywhere in the cell rather than on the box alone; Space still toggles.
class MarkDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.data(GridModel::SelectedMarkRole).toBool())
            option->state |= QStyle::State_Selected;
        else
            option->state &= ~QStyle::State_Selected;
    }

    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
            return false;
        default:
            return QStyledItemDelegate::editorEvent(event, model, option, index);
        }
    }
};

} // namespace

Grid::Grid(QWidget* parent) : QTableView(parent), m_model(new GridModel(this)) {
    setModel(m_model);
    setItemDelegate(new MarkDelegate(this));
    setSelectionMode(QAbstractItemView::NoSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    // A header click would make a column current and move the current row with it.
    horizontalHeader()->setSectionsClickable(false);
    // Callers give narrow widths (a 10-pixel row-header column, small flag columns).
    horizontalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setMinimumSectionSize(1);
    // Rows keep their height: a click on a row header is a click, never the start of a resize.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);

    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setFamilies({QStringLiteral("Fixedsys"), font.family()});
    font.setStyleHint(QFont::TypeWriter);
    setFont(font);
    QPalette colours = palette();
    colours.setColor(QPalette::Base, GridBackground);
    colours.setColor(QPalette::Window, GridBackground);
    setPalette(colours);

    connect(this, &QAbstractItemView::clicked, this, &Grid::onCellClicked);
    connect(verticalHeader(), &QHeaderView::sectionClicked, this, &Grid::onRowHeaderClicked);
}

Grid::~Grid() = default;

int Grid::rowCount() const {
    return m_model->rowCount();
}

int Grid::colCount() const {
    return m_model->columnCount();
}

void Grid::setColCount(int count) {
    m_model->setColumnCount(count);
}

int Grid::currentRow() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : NoCurrentRow;
}

void Grid::setCurrentCell(int row, int column) {
    if (column == HeaderIndex)
        column = 0;
    const QModelIndex cell = m_model->index(row, column);
    if (cell.isValid())
        setCurrentIndex(cell);
}

QString Grid::cellText(int row, int column) const {
    return m_model->cellText(row, column);
}

void Grid::setCellText(int row, int column, const QString& text) {
    m_model->setCellText(row, column, text);
}

bool Grid::isRowSelected(int row) const {
    return m_model->isRowSelected(row);
}

void Grid::setRowSelected(int row, bool selected) {
    m_model->setRowSelected(row, selected);
}

int Grid::selectedCount() const {
    return m_model->selectedCount();
}

int Grid::selectedRow(int i) const {
    return m_model->selectedRow(i);
}

void Grid::insertRows(int position, int count) {
    if (m_model->insertRows(position, count))
        m_anchorRow = NoCurrentRow;
}

void Grid::removeRows(int first, int count) {
    if (first < 0 || first >= rowCount() || count <= 0)
        return;
    if (m_model->removeRows(first, std::min(count, rowCount() - first)))
        m_anchorRow = NoCurrentRow;
}

void Grid::insertCols(int position, int count) {
    m_model->insertColumns(position, count);
}

void Grid::setColWidth(int column, int width) {
    if (width < 0)
        return;
    if (column == HeaderIndex)
        verticalHeader()->setFixedWidth(width);
    else if (column >= 0 && column < colCount())
        setColumnWidth(column, width);
}

void Grid::setCheckColumn(int column) {
    m_model->setCheckColumn(column);
}

void Grid::loadRecordset(Recordset& recordset) {
    m_anchorRow = NoCurrentRow;
    m_model->loadRecordset(recordset);
}

void Grid::appendRow(const Row& row) {
    m_model->appendRow(row);
}

void Grid::appendRows(std::span<const Row> rows) {
    m_model->appendRows(rows);
}

void Grid::clear() {
    m_anchorRow = NoCurrentRow;
    m_model->clear();
}

void Grid::mouseReleaseEvent(QMouseEvent* event) {
    // The base class raises clicked(QModelIndex) from here; keep the modifiers for it.
    m_clickModifiers = event->modifiers();
    QTableView::mouseReleaseEvent(event);
    m_clickModifiers = Qt::NoModifier;
}

void Grid::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second click of a double-click is a click of its own: it toggles a check cell back.
    mousePressEvent(event);
}

void Grid::onCellClicked(const QModelIndex& index) {
    if (!index.isValid())
        return;
    if (currentIndex() != index)
        setCurrentIndex(index);
    if (m_model->isCheckColumn(index.column()))
        m_model->toggleCheck(index.row(), index.column());
    else if (m_rowSelection == RowSelection::Extended)
        markClickedRow(index.row(), m_clickModifiers);
    Q_EMIT clicked(index.column());
}

void Grid::onRowHeaderClicked(int row) {
    if (row < 0 || row >= rowCount())
        return;
    // Pressing the row header has made the row current already (when there are columns).
    if (m_rowSelection == RowSelection::Extended)
        markClickedRow(row, QGuiApplication::keyboardModifiers());
    Q_EMIT clicked(HeaderIndex);
}

void Grid::markClickedRow(int row, Qt::KeyboardModifiers modifiers) {
    const bool adding = modifiers.testFlag(Qt::ControlModifier);
    const bool extending =
        modifiers.testFlag(Qt::ShiftModifier) && m_anchorRow >= 0 && m_anchorRow < rowCount();
    if (extending) {
        if (!adding)
            m_model->clearRowSelection();
        for (int r = std::min(row, m_anchorRow); r <= std::max(row, m_anchorRow); ++r)
            m_model->setRowSelected(r, true);
        return;
    }
    if (adding) {
        m_model->setRowSelected(row, !m_model->isRowSelected(row));
    } else {
        m_model->clearRowSelection();
        m_model->setRowSelected(row, true);
    }
    m_anchorRow = row;
}

} // namespace quorvex
