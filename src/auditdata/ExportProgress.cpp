#include "auditdata/ExportProgress.h"

#include "components/MessageService.h"

#include <QCoreApplication>
#include <QLocale>
#include <QProgressDialog>

namespace quorvex {

namespace {

// How often the dialog's count is rewritten, in milliseconds.
constexpr qint64 labelInterval = 100;

} // namespace

ExportProgress::ExportProgress(QWidget* parent, QString auditName, std::chrono::milliseconds delay)
    : m_parent(parent), m_auditName(std::move(auditName)), m_delay(delay) {
    m_clock.start();
}

ExportProgress::~ExportProgress() {
    delete m_dialog.data();
}

bool ExportProgress::update(qint64 recordsWritten) {
    if (m_dialog == nullptr) {
        if (m_clock.elapsed() < m_delay.count())
            return true;
        auto* dialog = new QProgressDialog(m_parent);
        dialog->setObjectName(QStringLiteral("exportProgress"));
        dialog->setWindowTitle(applicationTitle());
        dialog->setCancelButtonText(QCoreApplication::translate("ExportProgress", "Cancel"));
        dialog->setRange(0, 0); // the total is not known before the last row
        dialog->setMinimumDuration(0);
        dialog->setAutoClose(false);
        dialog->setAutoReset(false);
        // Nothing else may start while the rows are read; Cancel stays reachable.
        dialog->setWindowModality(Qt::ApplicationModal);
        m_dialog = dialog;
        dialog->show();
    }
    if (m_lastLabel < 0 || m_clock.elapsed() - m_lastLabel >= labelInterval) {
        m_lastLabel = m_clock.elapsed();
        m_dialog->setLabelText(
            QCoreApplication::translate("ExportProgress", "Exporting %1: %2 records written")
                .arg(m_auditName, QLocale().toString(recordsWritten)));
    }
    QCoreApplication::processEvents();
    return m_dialog != nullptr && !m_dialog->wasCanceled();
}

} // namespace quorvex
