#pragma once

#include "mainwindow/AuditBackend.h"

#include <QListWidget>

namespace quorvex {

// A list of tables from which one is chosen at a time. It says when the chosen table's columns
// are to be listed:
//  - MouseReleased: whenever the mouse button is released over it, whatever is chosen then,
//    and also when the keyboard moves the choice, so the listed columns never belong to
//    another table than the chosen one;
//  - SelectionChanged: whenever the user changes the chosen item, by mouse or keyboard.
// unchooseAll() is the program's own change and never asks for a listing.
class TableListBox : public QListWidget {
    Q_OBJECT

public:
    explicit TableListBox(ColumnsListedWhen when, QWidget* parent = nullptr);

    // The chosen item's text; empty when nothing is chosen.
    QString chosenTable() const;
    void unchooseAll();

Q_SIGNALS:
    void columnsWanted();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    ColumnsListedWhen m_when;
};

} // namespace quorvex
