#include "mainwindow/AuditOptionBoxes.h"

#include "components/ControlBuilders.h"
#include "mainwindow/AuditBackend.h"

#include <QCheckBox>

namespace quorvex {

namespace {

constexpr int boxWidth = 3375;
constexpr int boxHeight = 300;

// The layout was measured in a narrow sans serif; where the platform's font is wider, the
// caption's font gives way a little rather than the caption being cut.
void fitCaption(QCheckBox* box) {
    QFont font = box->font();
    while (box->sizeHint().width() > box->width() && font.pointSizeF() > 6.5) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
        box->setFont(font);
    }
}

} // namespace

QCheckBox* newRecordWhoBox(QWidget* parent, const MainWindowTraits& traits, const QString& name,
                           int left, int top) {
    QCheckBox* box =
        newCheckBox(parent, name, QStringLiteral("Also record login, host and application"), left,
                    top, boxWidth, boxHeight);
    fitCaption(box);
    if (!traits.recordsWho) {
        box->setEnabled(false);
        box->setToolTip(traits.recordsWhoUnavailableReason);
    }
    return box;
}

QCheckBox* newChangedValuesOnlyBox(QWidget* parent, const QString& name, int left, int top) {
    QCheckBox* box = newCheckBox(parent, name, QStringLiteral("Only rows whose values changed"),
                                 left, top, boxWidth, boxHeight);
    fitCaption(box);
    return box;
}

} // namespace quorvex
