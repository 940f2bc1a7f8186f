#pragma once

#include "auditdata/ExportFormat.h"
#include "auditdata/StagedFile.h"
#include "components/DbErrorRecord.h"

#include <QString>
#include <functional>
#include <memory>

namespace quorvex {

class Recordset;

// How one export ended.
struct ExportResult {
    enum class Outcome {
        Completed, // every record is in the file (run: at its place; stage: synced aside)
        Cancelled, // stopped on request; no file was left
        Failed,    // message says why; no file was left and an older one is untouched
    };
    Outcome outcome = Outcome::Failed;
    qint64 records = 0; // records written (when it stopped: before it stopped)
    QString message;
    DbErrorList databaseErrors; // when the database failed: its records

    bool completed() const { return outcome == Outcome::Completed; }
};

// Writes a result's rows to a file in one format, record by record as they are fetched. The
// file is written beside the target under a temporary name, synced to the disk, and moved over
// the target only once it is complete: a failure or a cancel never leaves half a file and never
// replaces a good one.
//
// run() does it all. A purge goes in two steps, so that the rows are deleted only once their
// file is complete: stage() writes and syncs the file aside, publish() puts it in place (or
// discard() drops it).
class AuditExporter {
public:
    // Told the records written so far now and then; returning false cancels the export.
    using Progress = std::function<bool(qint64 recordsWritten)>;

    AuditExporter(ExportFormat format, QString targetPath, QString sheetName,
                  FileAccess access = FileAccess::LikeTarget);
    ~AuditExporter();

    // How often progress is told, in records (256 unless set).
    void setProgress(Progress progress, qint64 everyRecords = 256);
    // The spreadsheet's record limit (tests only; a sheet's own limit otherwise).
    void setRecordLimit(qint64 limit) { m_recordLimit = limit; }


    // Reads the recordset from its current row to the end. A database failure while reading is
    // a Failed result carrying the database's own message.
    ExportResult run(Recordset& rows);

    // The first step: every row into the temporary file, synced to the disk; the target is not
    // touched yet.
    ExportResult stage(Recordset& rows);
    // The second step, after a Completed stage(): the file takes the target's place. False:
    // *message says why (nothing replaced the target, unless only its folder failed to sync).
    bool publish(QString* message);
    // Drops a staged file.
    void discard() noexcept;

private:
    // Returns Completed when every row was handed to write; otherwise the reason it stopped.
    template <typename Writer> ExportResult writeRows(Recordset& rows, Writer& writer);
    ExportResult failedFile(qint64 records, const char* what) const;

    ExportFormat m_format;
    QString m_target;
    QString m_sheetName;
    FileAccess m_access;
    std::unique_ptr<StagedFile> m_staged;
    Progress m_progress;
    qint64 m_progressEvery = 256;
    qint64 m_recordLimit = 0;
};

} // namespace quorvex
