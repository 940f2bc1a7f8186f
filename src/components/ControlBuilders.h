#pragma once

#include <QString>

class QAbstractButton;
class QCheckBox;
class QFont;
class QFrame;
class QGroupBox;
class QIcon;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace quorvex {

// Builders for the controls of every window. Every control is placed from its layout in twips;
// originTop is where the parent widget itself starts in the tab's coordinates, so a widget that
// holds the lower half of a tab can use the tab's own numbers.
//
// The look: labels and option buttons in bold; text boxes, lists and combo boxes in a fixed
// pitch font on light grey with blue text.

void placeAt(QWidget* control, int left, int top, int width, int height, int originTop = 0);

QLabel* newLabel(QWidget* parent, const QString& name, const QString& caption, int left, int top,
                 int width, int height, int originTop = 0);
QRadioButton* newOption(QWidget* parent, const QString& name, const QString& caption, int left,
                        int top, int width, int height, int originTop = 0);
// A check box for an option of the window's own, captioned in the window's plain font.
QCheckBox* newCheckBox(QWidget* parent, const QString& name, const QString& caption, int left,
                       int top, int width, int height, int originTop = 0);
QPushButton* newButton(QWidget* parent, const QString& name, const QString& caption, int left,
                       int top, int width, int height, int originTop = 0);
QLineEdit* newTextBox(QWidget* parent, const QString& name, int left, int top, int width,
                      int height, int originTop = 0);
// A frame without caption that carries option buttons.
QGroupBox* newFrame(QWidget* parent, const QString& name, int left, int top, int width, int height,
                    int originTop = 0);
// A rectangle or line without function.
QFrame* newShape(QWidget* parent, const QString& name, int left, int top, int width, int height,
                 int originTop = 0);

// The window's own font: the small sans serif the layout was measured in.
QFont windowFont();
void setBold(QWidget* control);
// Rows as high as the grid's font needs, so a grid shows as many rows as its height allows.
void setCompactRows(QWidget* grid);
void setEntryLook(QWidget* control);
QFont entryFont();

// The picture of the Add buttons: an arrow pointing down to the condition grid.
QIcon downArrowIcon();

} // namespace quorvex
