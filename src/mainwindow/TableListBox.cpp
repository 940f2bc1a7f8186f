#include "mainwindow/TableListBox.h"

#include <QSignalBlocker>

namespace quorvex {

TableListBox::TableListBox(ColumnsListedWhen when, QWidget* parent)
    : QListWidget(parent), m_when(when) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    if (m_when == ColumnsListedWhen::SelectionChanged)
        connect(this, &QListWidget::itemSelectionChanged, this, &TableListBox::columnsWanted);
}

QString TableListBox::chosenTable() const {
    const QList<QListWidgetItem*> chosen = selectedItems();
    return chosen.isEmpty() ? QString() : chosen.first()->text();
}

void TableListBox::unchooseAll() {
    const QSignalBlocker quiet(this);
    clearSelection();
}

void TableListBox::mouseReleaseEvent(QMouseEvent* event) {
    QListWidget::mouseReleaseEvent(event);
    if (m_when == ColumnsListedWhen::MouseReleased)
        Q_EMIT columnsWanted();
}

void TableListBox::keyPressEvent(QKeyEvent* event) {
    const QString before = chosenTable();
    QListWidget::keyPressEvent(event);
    if (m_when == ColumnsListedWhen::MouseReleased && chosenTable() != before)
        Q_EMIT columnsWanted();
}

} // namespace quorvex
