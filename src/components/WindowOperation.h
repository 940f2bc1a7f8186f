#pragma once

#include "components/BackgroundTask.h"

#include <QFrame>
#include <QList>
#include <QPointer>

class QLabel;
class QProgressBar;
class QPushButton;

namespace quorvex {

class MessageService;

// The one operation a window runs at a time off its thread, and what the user sees of it. The
// controls that would start a conflicting operation are disabled while it runs; after half a
// second a panel at the window's foot says what runs, how far it is (when known) and offers
// Cancel. The window goes on repainting and can be moved all the while.
class WindowOperation : public QObject {
    Q_OBJECT

public:
    explicit WindowOperation(QWidget* window);
    ~WindowOperation() override;

    // Disabled while an operation runs, enabled again afterwards (unless something else
    // disabled them meanwhile).
    void blockWhileBusy(const QList<QWidget*>& controls);

    // Starts the work unless one runs (then false). `what` names it on the panel. `done` runs on
    // the window's thread afterwards, not when the window is gone by then.
    bool run(const QString& what, BackgroundTask::Work work, BackgroundTask::Done done = {});
    // The same, with the work's messages kept in a log: once it has ended they are shown
    // through `messages`, then `then` runs if the work returned true.
    bool runLogged(const QString& what,
                   std::function<bool(MessageService& log, TaskContext& task)> work,
                   MessageService& messages, std::function<void()> then);
    bool isBusy() const { return m_task.isRunning(); }
    void cancel() { m_task.cancel(); }

    BackgroundTask& task() { return m_task; }
    // The panel, for tests: visible once the operation has run half a second.
    QWidget* panel() const;
    QPushButton* cancelButton() const { return m_cancel; }

Q_SIGNALS:
    void busyChanged(bool busy);

private:
    void showPanel();
    void showProgress(qint64 done, qint64 total, const QString& step);
    void ended();

    QPointer<QWidget> m_window;
    BackgroundTask m_task;
    QString m_what;
    QList<QPointer<QWidget>> m_blocked;
    QList<QPointer<QWidget>> m_disabledByUs;
    QFrame* m_panel = nullptr;
    QLabel* m_label = nullptr;
    QProgressBar* m_bar = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace quorvex
