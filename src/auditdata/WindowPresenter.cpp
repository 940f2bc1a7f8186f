#include "auditdata/WindowPresenter.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QWidget>

namespace quorvex {

void presentKeptWindow(QWidget& window, const WindowPresenter& present) {
    auto* sub = qobject_cast<QMdiSubWindow*>(window.parentWidget());
    if (sub == nullptr && present) {
        present(window);
        sub = qobject_cast<QMdiSubWindow*>(window.parentWidget());
        // The frame deletes a closed child; this one is reused, so a close just hides it.
        if (sub != nullptr)
            sub->setAttribute(Qt::WA_DeleteOnClose, false);
    }
    if (sub != nullptr) {
        window.show();
        sub->show();
        sub->raise();
        if (QMdiArea* area = sub->mdiArea())
            area->setActiveSubWindow(sub);
    } else if (!window.isVisible()) {
        window.show();
    } else {
        window.raise();
        window.activateWindow();
    }
}

} // namespace quorvex
