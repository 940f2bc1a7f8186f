#include "components/QtMessageService.h"

#include <QApplication>
#include <QMessageBox>

namespace quorvex {

namespace {

QMessageBox::Icon boxIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Critical:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

void QtMessageService::show(const QString& text, MessageIcon icon) {
    QMessageBox box(boxIcon(icon), applicationTitle(), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setObjectName(QStringLiteral("messageBox"));
    box.setWindowModality(Qt::ApplicationModal);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool QtMessageService::askYesNo(const QString& text, MessageIcon icon) {
    QMessageBox box(boxIcon(icon), applicationTitle(), text, QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    box.setObjectName(QStringLiteral("messageBox"));
    box.setWindowModality(Qt::ApplicationModal);
    box.setTextFormat(Qt::PlainText);
    // Yes is the answer that goes ahead and the one Enter gives; Esc answers No.
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

} // namespace quorvex
