#include "components/WindowOperation.h"

#include "components/MessageLog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorvex {

namespace {

constexpr int panelHeight = 64;
constexpr int panelMargin = 8;

} // namespace

WindowOperation::WindowOperation(QWidget* window) : QObject(window), m_window(window) {
    m_panel = new QFrame(window);
    m_panel->setObjectName(QStringLiteral("operationPanel"));
    m_panel->setFrameShape(QFrame::StyledPanel);
    m_panel->setAutoFillBackground(true);
    auto* rows = new QVBoxLayout(m_panel);
    m_label = new QLabel(m_panel);
    m_label->setObjectName(QStringLiteral("operationText"));
    auto* line = new QHBoxLayout;
    m_bar = new QProgressBar(m_panel);
    m_bar->setObjectName(QStringLiteral("operationProgress"));
    m_bar->setTextVisible(false);
    m_cancel = new QPushButton(tr("Cancel"), m_panel);
    m_cancel->setObjectName(QStringLiteral("operationCancel"));
    line->addWidget(m_bar, 1);
    line->addWidget(m_cancel);
    rows->addWidget(m_label);
    rows->addLayout(line);
    m_panel->hide();

    connect(m_cancel, &QPushButton::clicked, this, [this] {
        m_task.cancel();
        m_cancel->setEnabled(false);
        m_label->setText(tr("Cancelling: %1").arg(m_what));
    });
    connect(&m_task, &BackgroundTask::busyLong, this, &WindowOperation::showPanel);
    connect(&m_task, &BackgroundTask::progressed, this, &WindowOperation::showProgress);
}

WindowOperation::~WindowOperation() = default;

QWidget* WindowOperation::panel() const {
    return m_panel;
}

void WindowOperation::blockWhileBusy(const QList<QWidget*>& controls) {
    for (QWidget* control : controls)
        m_blocked << control;
}

bool WindowOperation::run(const QString& what, BackgroundTask::Work work,
                          BackgroundTask::Done done) {
    if (m_task.isRunning())
        return false;
    m_what = what;
    m_disabledByUs.clear();
    for (const QPointer<QWidget>& control : std::as_const(m_blocked)) {
        if (control && control->isEnabled()) {
            control->setEnabled(false);
            m_disabledByUs << control;
        }
    }
    const bool started = m_task.start(std::move(work), [this, done = std::move(done)] {
        ended();
        if (done)
            done();
    });
    Q_EMIT busyChanged(true);
    return started;
}

bool WindowOperation::runLogged(const QString& what,
                                std::function<bool(MessageService& log, TaskContext& task)> work,
                                MessageService& messages, std::function<void()> then) {
    auto log = std::make_shared<MessageLog>();
    auto succeeded = std::make_shared<bool>(false);
    return run(
        what,
        [log, succeeded, work = std::move(work)](TaskContext& task) {
            *succeeded = work(*log, task);
        },
        [log, succeeded, messages = &messages, then = std::move(then)] {
            log->replay(*messages);
            if (*succeeded && then)
                then();
        });
}

void WindowOperation::showPanel() {
    if (!m_window)
        return;
    const QRect area = m_window->rect();
    m_panel->setGeometry(area.left() + panelMargin, area.bottom() - panelHeight - panelMargin,
                         area.width() - 2 * panelMargin, panelHeight);
    m_label->setText(m_what);
    m_cancel->setEnabled(true);
    m_bar->setRange(0, 0); // moving until the amount is known
    m_panel->raise();
    m_panel->show();
}

void WindowOperation::showProgress(qint64 done, qint64 total, const QString& step) {
    if (!m_panel->isVisible() || !m_cancel->isEnabled())
        return;
    const QLocale locale;
    QString text = step.isEmpty() ? m_what : m_what + QStringLiteral(": ") + step;
    if (total > 0) {
        // The bar counts in thousandths, so totals beyond int's range fit.
        m_bar->setRange(0, 1000);
        m_bar->setValue(int(std::min<qint64>(1000, done * 1000 / total)));
        text += QStringLiteral(" (%1 of %2)").arg(locale.toString(done), locale.toString(total));
    } else if (done > 0) {
        text += QStringLiteral(" (%1)").arg(locale.toString(done));
    }
    m_label->setText(text);
}

void WindowOperation::ended() {
    m_panel->hide();
    for (const QPointer<QWidget>& control : std::as_const(m_disabledByUs)) {
        if (control)
            control->setEnabled(true);
    }
    m_disabledByUs.clear();
    Q_EMIT busyChanged(false);
}

} // namespace quorvex
