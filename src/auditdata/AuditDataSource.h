#pragma once

#include "auditdata/AuditDataTraits.h"
#include "auditdata/AuditExporter.h"
#include "auditdata/AuditPurge.h"
#include "auditdata/AuditRows.h"
#include "auditdata/AuditTable.h"

#include <functional>
#include <memory>
#include <optional>

namespace quorvex {

class IConnection;
class MessageService;
class TaskContext;

// What the viewer and the export window ask of their back end: the rows of an audit table, the
// export, the purge. The operations run on a worker thread. Each opens a connection of its own
// and closes it before it ends (the viewer's rows: when they are closed); while a statement
// runs, a cancel of the task stops it (SQLCancel). What an operation has to tell goes to
// `messages` (on a worker: a log the window shows once the operation has ended), never a
// question. Empty results mean that the connection could not be opened (the failure has been
// told) or that the task was cancelled before anything was sent.
class AuditDataSource {
public:
    virtual ~AuditDataSource() = default;

    virtual const AuditDataTraits& traits() const = 0;

    // The audit table's rows, to be read as they are fetched. Throws DbException when the query
    // fails. On SQL Server the read waits for a table another session holds as long as a purge
    // does (SET LOCK_TIMEOUT 10000) and then fails (readFailureText() says so).
    std::optional<AuditRows> openRows(const AuditTable& audit, MessageService& messages,
                                      TaskContext& task) const;

    // Writes the audit table's rows with the exporter. A read cancelled on the way ends
    // Cancelled, with no file.
    std::optional<ExportResult> exportRows(const AuditTable& audit, AuditExporter& exporter,
                                           MessageService& messages, TaskContext& task) const;

    // Deletes every row of the audit table, waiting a bounded time for a table another session
    // holds. A delete that a cancel stopped ends Cancelled, with nothing deleted.
    std::optional<PurgeResult> purge(const AuditTable& audit, MessageService& messages,
                                     TaskContext& task) const;

    // Writes the audit table's rows with the exporter and deletes exactly the rows the
    // completed file holds, in one transaction (see AuditPurge). Cancelled: no file, nothing
    // deleted.
    std::optional<PurgeResult> exportAndPurge(const AuditTable& audit, AuditExporter& exporter,
                                              MessageService& messages, TaskContext& task) const;

protected:
    // A new connection for one operation, open; null when it could not be opened (the failure
    // has been told through `messages`). Called on the worker.
    virtual std::unique_ptr<IConnection> connect(MessageService& messages) const = 0;

private:
    // Either purge on a connection of its own, watched by the task's cancel.
    std::optional<PurgeResult> purgeWith(const AuditTable& audit, MessageService& messages,
                                         TaskContext& task,
                                         const std::function<PurgeResult(AuditPurge&)>& how) const;
};

// What the user is told of a failed read: "The table ... is in use by another session; ..."
// when it waited too long for another session's lock, otherwise the database's message.
QString readFailureText(const AuditTable& audit, const DbErrorList& errors,
                        const QString& description);

} // namespace quorvex
