#include "mainwindow/MainWindowOpener.h"

#include <QMdiSubWindow>
#include <QPointer>
#include <QWidget>

namespace quorvex {

void openMainWindowInstead(QWidget* login, const MainWindowOpener& openMainWindow,
                           WindowOperation& operation) {
    if (!openMainWindow)
        return;
    QPointer<QWidget> self(login);
    openMainWindow(operation, [self](bool started) {
        if (!self || !started)
            return;
        if (auto* sub = qobject_cast<QMdiSubWindow*>(self->parentWidget()))
            sub->close();
        else
            self->close();
    });
}

} // namespace quorvex
