#include "auditdata/AuditDataSource.h"

#include "auditdata/AuditPurge.h"
#include "components/DbException.h"
#include "components/IConnection.h"
#include "components/LockTimeout.h"
#include "components/TaskContext.h"

namespace quorvex {

namespace {

// A statement a cancel stopped fails with the driver's "Operation canceled": that is the
// cancel, not a failure to report. Whatever changed nothing stays a cancel; what the database
// did all the same (a purge that ended before the cancel reached it) stays as it ended.
PurgeResult settled(PurgeResult result, const TaskContext& task) {
    if (task.isCancelled() && result.outcome == PurgeResult::Outcome::Failed)
        return {PurgeResult::Outcome::Cancelled, result.records, {}, {}};
    return result;
}

PurgeResult cancelledPurge() {
    return {PurgeResult::Outcome::Cancelled, 0, {}, {}};
}

} // namespace

QString readFailureText(const AuditTable& audit, const DbErrorList& errors,
                        const QString& description) {
    return isLockTimeout(errors) ? tableInUseMessage(audit.tableName()) : description;
}

std::optional<AuditRows> AuditDataSource::openRows(const AuditTable& audit,
                                                   MessageService& messages,
                                                   TaskContext& task) const {
    std::unique_ptr<IConnection> connection = connect(messages);
    if (!connection)
        return std::nullopt;
    // The connection closes itself when it goes, after its watch, however the read ends.
    auto watch = std::make_unique<CancelToken::Watch>(task.cancelToken(), *connection);
    // Watched first, then asked: a cancel in between still stops the read.
    if (task.isCancelled())
        return std::nullopt;
    // The connection is the read's own, so its bounded lock wait stays with it.
    Recordset rows = openAuditRows(*connection, audit);
    return AuditRows(std::move(rows), std::move(connection), std::move(watch));
}

std::optional<ExportResult> AuditDataSource::exportRows(const AuditTable& audit,
                                                        AuditExporter& exporter,
                                                        MessageService& messages,
                                                        TaskContext& task) const {
    std::optional<AuditRows> rows;
    try {
        rows = openRows(audit, messages, task);
    } catch (const DbException& e) {
        if (task.isCancelled())
            return ExportResult{ExportResult::Outcome::Cancelled, 0, {}, {}};
        return ExportResult{ExportResult::Outcome::Failed, 0,
                            readFailureText(audit, e.errors(), e.description()), e.errors()};
    }
    if (!rows) {
        if (task.isCancelled())
            return ExportResult{ExportResult::Outcome::Cancelled, 0, {}, {}};
        return std::nullopt;
    }
    ExportResult result = exporter.run(rows->recordset());
    rows->close();
    if (result.outcome == ExportResult::Outcome::Failed) {
        if (task.isCancelled())
            return ExportResult{ExportResult::Outcome::Cancelled, result.records, {}, {}};
        result.message = readFailureText(audit, result.databaseErrors, result.message);
    }
    return result;
}

std::optional<PurgeResult> AuditDataSource::purge(const AuditTable& audit, MessageService& messages,
                                                  TaskContext& task) const {
    return purgeWith(audit, messages, task, [](AuditPurge& purge) { return purge.purge(); });
}

std::optional<PurgeResult> AuditDataSource::exportAndPurge(const AuditTable& audit,
                                                           AuditExporter& exporter,
                                                           MessageService& messages,
                                                           TaskContext& task) const {
    return purgeWith(audit, messages, task,
                     [&exporter](AuditPurge& purge) { return purge.exportAndPurge(exporter); });
}

std::optional<PurgeResult>
AuditDataSource::purgeWith(const AuditTable& audit, MessageService& messages, TaskContext& task,
                           const std::function<PurgeResult(AuditPurge&)>& how) const {
    std::unique_ptr<IConnection> connection = connect(messages);
    if (!connection)
        return std::nullopt;
    CancelToken::Watch watch(task.cancelToken(), *connection);
    if (task.isCancelled())
        return cancelledPurge();
    AuditPurge purge(*connection, audit, &task.cancelToken());
    return settled(how(purge), task);
}

} // namespace quorvex
