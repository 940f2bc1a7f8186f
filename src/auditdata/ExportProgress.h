#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QProgressDialog>
#include <QString>
#include <chrono>

class QWidget;

namespace quorvex {

// The progress of one export from the window: nothing for a short export; past the delay a
// dialog counts the records written and offers Cancel, and the window keeps painting.
class ExportProgress {
public:
    ExportProgress(QWidget* parent, QString auditName, std::chrono::milliseconds delay);
    ~ExportProgress();
    ExportProgress(const ExportProgress&) = delete;
    ExportProgress& operator=(const ExportProgress&) = delete;

    // The exporter's progress call: false once Cancel has been pressed.
    bool update(qint64 recordsWritten);

    bool shown() const { return m_dialog != nullptr; }

private:
    QWidget* m_parent;
    QString m_auditName;
    std::chrono::milliseconds m_delay;
    QElapsedTimer m_clock;
    qint64 m_lastLabel = -1;
    QPointer<QProgressDialog> m_dialog;
};

} // namespace quorvex
