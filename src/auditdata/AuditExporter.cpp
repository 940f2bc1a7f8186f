#include "auditdata/AuditExporter.h"

#include "auditdata/CsvAuditWriter.h"
#include "auditdata/ExportError.h"
#include "auditdata/XlsxAuditWriter.h"
#include "auditdata/XmlAuditWriter.h"
#include "components/DbException.h"
#include "components/Recordset.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace quorvex {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("AuditExporter", text);
}

ExportResult failed(qint64 records, QString message) {
    return ExportResult{ExportResult::Outcome::Failed, records, std::move(message)};
}

// The permissions a newly created file gets in this process.
QFileDevice::Permissions newFilePermissions() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const mode_t mode = 0666 & ~mask;
    QFileDevice::Permissions p;
    if (mode & S_IRUSR)
        p |= QFileDevice::ReadOwner | QFileDevice::ReadUser;
    if (mode & S_IWUSR)
        p |= QFileDevice::WriteOwner | QFileDevice::WriteUser;
    if (mode & S_IRGRP)
        p |= QFileDevice::ReadGroup;
    if (mode & S_IWGRP)
        p |= QFileDevice::WriteGroup;
    if (mode & S_IROTH)
        p |= QFileDevice::ReadOther;
    if (mode & S_IWOTH)
        p |= QFileDevice::WriteOther;
    return p;
}

} // namespace

AuditExporter::AuditExporter(ExportFormat format, QString targetPath, QString sheetName)
    : m_format(format), m_target(std::move(targetPath)), m_sheetName(std::move(sheetName)) {}

void AuditExporter::setProgress(Progress progress, qint64 everyRecords) {
    m_progress = std::move(progress);
    m_progressEvery = std::max<qint64>(1, everyRecords);
}

ExportResult AuditExporter::run(Recordset& rows) {
    return m_format == ExportFormat::Xlsx ? writeWorkbook(rows) : writeToDevice(rows);
}

template <typename Writer> ExportResult AuditExporter::writeRows(Recordset& rows, Writer& writer) {
    qint64 written = 0;
    try {
        writer.begin(rows.fields());
        while (!rows.eof()) {
            if (m_progress && written % m_progressEvery == 0 && written > 0 && !m_progress(written))
                return ExportResult{ExportResult::Outcome::Cancelled, written, {}};
            writer.row(rows.currentRow());
            ++written;
            rows.moveNext();
        }
        writer.end();
    } catch (const DbException& e) {
        return failed(written, e.description());
    } catch (const ExportError& e) {
        return failed(written, e.message());
    } catch (const std::bad_alloc&) {
        return failed(written, tr("There was not enough memory to export the audit."));
    }
    return ExportResult{ExportResult::Outcome::Completed, written, {}};
}

ExportResult AuditExporter::writeToDevice(Recordset& rows) {
    QSaveFile file(m_target);
    if (!file.open(QIODevice::WriteOnly))
        return failed(0, tr("The file %1 could not be created: %2")
                             .arg(QDir::toNativeSeparators(m_target), file.errorString()));
    ExportResult result;
    if (m_format == ExportFormat::Csv) {
        CsvAuditWriter writer(file);
        result = writeRows(rows, writer);
    } else {
        XmlAuditWriter writer(file);
        result = writeRows(rows, writer);
    }
    if (!result.completed()) {
        file.cancelWriting(); // the temporary goes; the target stays as it was
        return result;
    }
    if (!file.commit())
        return failed(result.records,
                      tr("The file %1 could not be written: %2")
                          .arg(QDir::toNativeSeparators(m_target), file.errorString()));
    return result;
}

ExportResult AuditExporter::writeWorkbook(Recordset& rows) {
    // The library writes to a path of its own choosing, not to a device: it gets a fresh name
    // beside the target, which the finished workbook then replaces the target with.
    const QFileInfo target(m_target);
    QTemporaryFile temporary(target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                             QStringLiteral(".XXXXXX"));
    if (!temporary.open())
        return failed(0, tr("The file %1 could not be created: %2")
                             .arg(QDir::toNativeSeparators(m_target), temporary.errorString()));
    temporary.close();
    const QString workPath = temporary.fileName();

    ExportResult result;
    {
        XlsxAuditWriter writer(workPath, m_sheetName);
        if (m_recordLimit > 0)
            writer.setRecordLimit(m_recordLimit);
        result = writeRows(rows, writer);
    }
    if (!result.completed())
        return result; // the temporary file is removed with its object

    const QFileDevice::Permissions permissions =
        QFileInfo::exists(m_target) ? QFile::permissions(m_target) : newFilePermissions();
    QFile::setPermissions(workPath, permissions);
    if (std::rename(QFile::encodeName(workPath).constData(),
                    QFile::encodeName(m_target).constData()) != 0) {
        const QString cause = QString::fromLocal8Bit(std::strerror(errno));
        return failed(result.records, tr("The file %1 could not be written: %2")
                                          .arg(QDir::toNativeSeparators(m_target), cause));
    }
    temporary.setAutoRemove(false); // its name now belongs to the target
    return result;
}

} // namespace quorvex
