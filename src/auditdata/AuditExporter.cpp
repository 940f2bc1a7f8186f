#include "auditdata/AuditExporter.h"

#include "auditdata/CsvAuditWriter.h"
#include "auditdata/ExportError.h"
#include "auditdata/XlsxAuditWriter.h"
#include "auditdata/XmlAuditWriter.h"
#include "components/DbException.h"
#include "components/Recordset.h"

#include <QCoreApplication>
#include <QDir>

namespace quorvex {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("AuditExporter", text);
}

ExportResult failed(qint64 records, QString message) {
    return ExportResult{ExportResult::Outcome::Failed, records, std::move(message), {}};
}

} // namespace

AuditExporter::AuditExporter(ExportFormat format, QString targetPath, QString sheetName,
                             FileAccess access)
    : m_format(format), m_target(std::move(targetPath)), m_sheetName(std::move(sheetName)),
      m_access(access) {}

AuditExporter::~AuditExporter() = default;

void AuditExporter::setProgress(Progress progress, qint64 everyRecords) {
    m_progress = std::move(progress);
    m_progressEvery = std::max<qint64>(1, everyRecords);
}

ExportResult AuditExporter::run(Recordset& rows) {
    ExportResult result = stage(rows);
    if (result.completed()) {
        QString message;
        if (!publish(&message))
            result = failed(result.records, message);
    }
    return result;
}

template <typename Writer> ExportResult AuditExporter::writeRows(Recordset& rows, Writer& writer) {
    qint64 written = 0;
    try {
        writer.begin(rows.fields());
        while (!rows.eof()) {
            if (m_progress && written % m_progressEvery == 0 && written > 0 && !m_progress(written))
                return ExportResult{ExportResult::Outcome::Cancelled, written, {}, {}};
            writer.row(rows.currentRow());
            ++written;
            rows.moveNext();
        }
        writer.end();
    } catch (const DbException& e) {
        ExportResult result = failed(written, e.description());
        result.databaseErrors = e.errors();
        return result;
    } catch (const ExportError& e) {
        return failed(written, e.message());
    } catch (const std::bad_alloc&) {
        return failed(written, tr("There was not enough memory to export the audit."));
    }
    return ExportResult{ExportResult::Outcome::Completed, written, {}, {}};
}

ExportResult AuditExporter::failedFile(qint64 records, const char* what) const {
    return failed(records, tr(what).arg(QDir::toNativeSeparators(m_target),
                                        m_staged ? m_staged->errorString() : QString()));
}

ExportResult AuditExporter::stage(Recordset& rows) {
    discard();
    m_staged = std::make_unique<StagedFile>(m_target, m_access);
    if (!m_staged->open()) {
        ExportResult result = failedFile(0, "The file %1 could not be created: %2");
        discard();
        return result;
    }
    ExportResult result;
    switch (m_format) {
    case ExportFormat::Csv: {
        CsvAuditWriter writer(m_staged->device());
        result = writeRows(rows, writer);
        break;
    }
    case ExportFormat::Xml: {
        XmlAuditWriter writer(m_staged->device());
        result = writeRows(rows, writer);
        break;
    }
    case ExportFormat::Xlsx: {
        // The library writes to a path of its own, not to a device: the temporary file's.
        m_staged->device().close();
        XlsxAuditWriter writer(m_staged->temporaryPath(), m_sheetName);
        if (m_recordLimit > 0)
            writer.setRecordLimit(m_recordLimit);
        result = writeRows(rows, writer);
        break;
    }
    }
    if (result.completed() && !m_staged->sync())
        result = failedFile(result.records, "The file %1 could not be written: %2");
    if (!result.completed())
        discard(); // the target stays as it was
    return result;
}

bool AuditExporter::publish(QString* message) {
    if (m_staged && m_staged->publish()) {
        m_staged.reset();
        return true;
    }
    if (message != nullptr)
        *message = failedFile(0, "The file %1 could not be written: %2").message;
    discard();
    return false;
}

void AuditExporter::discard() noexcept {
    m_staged.reset();
}

} // namespace quorvex
