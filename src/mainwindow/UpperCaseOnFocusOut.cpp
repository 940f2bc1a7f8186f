#include "mainwindow/UpperCaseOnFocusOut.h"

#include <QEvent>
#include <QLineEdit>

namespace quorvex {

UpperCaseOnFocusOut::UpperCaseOnFocusOut(QLineEdit* box) : QObject(box) {}

void UpperCaseOnFocusOut::attachTo(QLineEdit* box) {
    box->installEventFilter(new UpperCaseOnFocusOut(box));
}

bool UpperCaseOnFocusOut::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        if (auto* box = qobject_cast<QLineEdit*>(watched)) {
            const QString upper = box->text().toUpper();
            if (upper != box->text())
                box->setText(upper);
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace quorvex
