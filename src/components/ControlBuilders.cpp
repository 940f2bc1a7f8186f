#include "components/ControlBuilders.h"

#include "components/Twips.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <algorithm>

namespace quorvex {

namespace {

const QColor EntryBackground(0xE0, 0xE0, 0xE0);
const QColor EntryText(0x00, 0x00, 0xFF);

// What every builder does to its new control: name it and place it.
template <typename Control>
Control* namedAt(Control* control, const QString& name, int left, int top, int width, int height,
                 int originTop) {
    control->setObjectName(name);
    placeAt(control, left, top, width, height, originTop);
    return control;
}

} // namespace

void placeAt(QWidget* control, int left, int top, int width, int height, int originTop) {
    control->setGeometry(rectFromTwips(left, top - originTop, width, height));
}

void setBold(QWidget* control) {
    QFont font = control->font();
    font.setBold(true);
    control->setFont(font);
}

QFont windowFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    // MS Sans Serif where it exists, else a font of the same width (Arial's metrics).
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Nimbus Sans"), font.family()});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    return font;
}

void setCompactRows(QWidget* grid) {
    if (auto* view = qobject_cast<QTableView*>(grid))
        view->verticalHeader()->setDefaultSectionSize(QFontMetrics(view->font()).height() + 4);
}

QFont entryFont() {
    // Fixedsys where it exists, the system's fixed pitch font elsewhere.
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setFamilies({QStringLiteral("Fixedsys"), font.family()});
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

void setEntryLook(QWidget* control) {
    control->setFont(entryFont());
    QPalette colours = control->palette();
    colours.setColor(QPalette::Base, EntryBackground);
    colours.setColor(QPalette::Text, EntryText);
    colours.setColor(QPalette::ButtonText, EntryText);
    control->setPalette(colours);
}

QLabel* newLabel(QWidget* parent, const QString& name, const QString& caption, int left, int top,
                 int width, int height, int originTop) {
    auto* label = namedAt(new QLabel(caption, parent), name, left, top, width, height, originTop);
    setBold(label);
    return label;
}

QRadioButton* newOption(QWidget* parent, const QString& name, const QString& caption, int left,
                        int top, int width, int height, int originTop) {
    auto* option =
        namedAt(new QRadioButton(caption, parent), name, left, top, width, height, originTop);
    setBold(option);
    return option;
}

QCheckBox* newCheckBox(QWidget* parent, const QString& name, const QString& caption, int left,
                       int top, int width, int height, int originTop) {
    return namedAt(new QCheckBox(caption, parent), name, left, top, width, height, originTop);
}

QPushButton* newButton(QWidget* parent, const QString& name, const QString& caption, int left,
                       int top, int width, int height, int originTop) {
    return namedAt(new QPushButton(caption, parent), name, left, top, width, height, originTop);
}

QLineEdit* newTextBox(QWidget* parent, const QString& name, int left, int top, int width,
                      int height, int originTop) {
    auto* box = namedAt(new QLineEdit(parent), name, left, top, width, height, originTop);
    setEntryLook(box);
    return box;
}

QGroupBox* newFrame(QWidget* parent, const QString& name, int left, int top, int width, int height,
                    int originTop) {
    return namedAt(new QGroupBox(parent), name, left, top, width, height, originTop);
}

QFrame* newShape(QWidget* parent, const QString& name, int left, int top, int width, int height,
                 int originTop) {
    auto* shape = new QFrame(parent);
    shape->setObjectName(name);
    shape->setFrameShape(height <= 15 ? QFrame::HLine
                                      : (width <= 15 ? QFrame::VLine : QFrame::Box));
    shape->setFrameShadow(QFrame::Plain);
    // A line is one pixel; give it a little room so the frame can draw it.
    placeAt(shape, left, top, std::max(width, 15), std::max(height, 15), originTop);
    // Decoration only: it must never take a click meant for a control near it.
    shape->setAttribute(Qt::WA_TransparentForMouseEvents);
    shape->lower();
    return shape;
}

QIcon downArrowIcon() {
    QPixmap picture(16, 16);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    QPainterPath arrow;
    arrow.moveTo(6, 1);
    arrow.lineTo(10, 1);
    arrow.lineTo(10, 8);
    arrow.lineTo(14, 8);
    arrow.lineTo(8, 15);
    arrow.lineTo(2, 8);
    arrow.lineTo(6, 8);
    arrow.closeSubpath();
    painter.drawPath(arrow);
    painter.end();
    return QIcon(picture);
}

} // namespace quorvex
