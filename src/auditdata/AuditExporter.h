#pragma once

#include "auditdata/ExportFormat.h"

#include <QString>
#include <functional>

namespace quorvex {

class Recordset;

// How one export ended.
struct ExportResult {
    enum class Outcome {
        Completed, // the file is complete at its place
        Cancelled, // stopped on request; no file was left
        Failed,    // message says why; no file was left and an older one is untouched
    };
    Outcome outcome = Outcome::Failed;
    qint64 records = 0; // records written (when it stopped: before it stopped)
    QString message;

    bool completed() const { return outcome == Outcome::Completed; }
};

// Writes a result's rows to a file in one format, record by record as they are fetched. The
// file is written beside the target under a temporary name and moved over the target only once
// it is complete: a failure or a cancel never leaves half a file and never replaces a good one.
class AuditExporter {
public:
    // Told the records written so far now and then; returning false cancels the export.
    using Progress = std::function<bool(qint64 recordsWritten)>;

    AuditExporter(ExportFormat format, QString targetPath, QString sheetName);

    // How often progress is told, in records (256 unless set).
    void setProgress(Progress progress, qint64 everyRecords = 256);
    // The spreadsheet's record limit (tests only; a sheet's own limit otherwise).
    void setRecordLimit(qint64 limit) { m_recordLimit = limit; }

    // Reads the recordset from its current row to the end. A database failure while reading is
    // a Failed result carrying the database's own message.
    ExportResult run(Recordset& rows);

private:
    ExportResult writeToDevice(Recordset& rows);
    ExportResult writeWorkbook(Recordset& rows);
    // Returns Completed when every row was handed to write; otherwise the reason it stopped.
    template <typename Writer> ExportResult writeRows(Recordset& rows, Writer& writer);

    ExportFormat m_format;
    QString m_target;
    QString m_sheetName;
    Progress m_progress;
    qint64 m_progressEvery = 256;
    qint64 m_recordLimit = 0;
};

} // namespace quorvex
