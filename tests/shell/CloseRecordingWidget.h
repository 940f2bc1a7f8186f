#pragma once

#include <QCloseEvent>
#include <QWidget>

namespace quorvex::testing {

// A child window that counts how often its close handling ran, and can refuse to close.
class CloseRecordingWidget : public QWidget {
public:
    enum class OnClose { Accept, Refuse };

    explicit CloseRecordingWidget(int* closeCount, OnClose onClose = OnClose::Accept)
        : m_closeCount(closeCount), m_onClose(onClose) {
        setObjectName(QStringLiteral("closeRecorder"));
        setWindowTitle(QStringLiteral("child"));
        resize(200, 120);
    }

protected:
    void closeEvent(QCloseEvent* event) override {
        ++*m_closeCount;
        if (m_onClose == OnClose::Refuse) {
            event->ignore();
        } else {
            event->accept();
        }
    }

private:
    int* m_closeCount;
    OnClose m_onClose;
};

} // namespace quorvex::testing
