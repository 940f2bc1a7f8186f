#pragma once

#include "auditdata/AuditExporter.h"
#include "auditdata/AuditTable.h"

#include <QString>
#include <optional>

namespace quorvex {

class CancelToken;
class IConnection;

// Opens the audit's rows for reading, forward only. On SQL Server a table another session holds
// is waited for a bounded time first (SET LOCK_TIMEOUT), as by a purge, so a read never hangs on
// it. Throws DbException.
Recordset openAuditRows(IConnection& connection, const AuditTable& audit);

// How a purge ended. Only Purged and FileOnly leave anything changed.
struct PurgeResult {
    enum class Outcome {
        Purged,    // the rows are deleted (with an export: exactly the rows its file holds,
                   // and the file is complete at its place)
        Cancelled, // stopped on request: nothing was changed, no file was left
        TableBusy, // another session held the table too long (or added rows while the file was
                   // written): nothing was changed, no file was left; message says so
        Failed,    // message says why: nothing was changed, no file was left
        FileOnly,  // the file is complete at its place, but the rows were not deleted (the
                   // commit failed; message says why): a later export writes them again
    };
    Outcome outcome = Outcome::Failed;
    qint64 records = 0; // records written to the file
    QString message;
    DbErrorList databaseErrors; // when the database failed: its records
};

// The purge of one audit table, alone or with an export, on a connection of the audit's back
// end. Nothing is ever deleted that is not in the completed file, and every failure, a cancel
// or the end of the process in the middle leaves the table as it was:
//
// SQL Server, in one transaction: "Delete from tblZOTA_x Output deleted.*" deletes the rows
// and streams each deleted row into the file; once the file is complete and on the disk it
// takes its place, then the transaction commits. Any failure rolls back, and the server rolls
// back by itself when the connection ends. Other sessions' inserts may wait for the table
// until the commit (the triggers of the audited table among them).
//
// SQLBase, in one transaction at repeatable read: "Select * from ZOTA_x" into the file, then
// "Delete from ZOTA_x", which must delete as many rows as the file holds. The rows read stay
// locked until the end, so none of them can change or go meanwhile; a row count that differs
// means another session added rows, and everything is rolled back.
//
// SQLite, in one transaction that holds the database's write lock from its start (BEGIN
// IMMEDIATE): "Select * from tblZOTA_x" into the file, then "Delete from tblZOTA_x", which must
// delete as many rows as the file holds. No other connection can write meanwhile (the audited
// table's triggers wait, up to their busy time-out), so no row is added between the read and
// the delete.
//
// An audit table limited to rows older than an age (AuditTable::olderThan) purges only those,
// the same way; on SQLBase both statements compare with one limit the server gave first.
//
// Every statement waits a bounded time for a table another session holds (SQL Server: SET
// LOCK_TIMEOUT 10000; SQLBase: the lock time-out of the connection, 300 seconds unless its
// data source says otherwise; SQLite: the connection's busy time-out), then gives up with "The
// table ... is in use by another session; nothing was changed. Try again when it is quiet."
class AuditPurge {
public:
    // `cancel` (SQLite) is looked at between the short waits for a busy database.
    AuditPurge(IConnection& connection, AuditTable audit, const CancelToken* cancel = nullptr);

    // Deletes every row of the audit table.
    PurgeResult purge();
    // Writes the rows with the exporter and deletes exactly those rows.
    PurgeResult exportAndPurge(AuditExporter& exporter);

private:
    // SQL Server: the session's lock time-out is set for the purge and put back after it.
    class LockWait;
    // The export's transaction, as the back end has it.
    class Transaction;

    // With an age (SQLBase, SQLite): the table with its limit read from the server; nothing
    // when it could not be read (`failed` says why).
    std::optional<AuditTable> withFixedAgeLimit(PurgeResult& failed);
    // SQLBase, SQLite: the delete took another number of rows than the file holds.
    PurgeResult deletedOtherRows(qint64 records, qint64 deleted) const;
    PurgeResult failure(const DbErrorList& errors, const QString& message, qint64 records) const;

    IConnection& m_connection;
    AuditTable m_audit;
    const CancelToken* m_cancel = nullptr;
};

} // namespace quorvex
