#include "mainwindow/MainWindowOpener.h"

#include <QMdiSubWindow>
#include <QPointer>
#include <QWidget>

namespace quorvex {

void openMainWindowInstead(QWidget* login, const MainWindowOpener& openMainWindow,
                           WindowOperation& operation, LoginWindowEnd end,
                           std::function<void()> afterOpened) {
    if (!openMainWindow)
        return;
    QPointer<QWidget> self(login);
    openMainWindow(operation, [self, end, afterOpened](bool started) {
        if (!self || !started)
            return;
        QWidget* window = self;
        if (auto* sub = qobject_cast<QMdiSubWindow*>(self->parentWidget()))
            window = sub;
        if (end == LoginWindowEnd::Hide)
            window->hide();
        else
            window->close();
        if (afterOpened)
            afterOpened();
    });
}

} // namespace quorvex
