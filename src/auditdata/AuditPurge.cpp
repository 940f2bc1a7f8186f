#include "auditdata/AuditPurge.h"

#include "components/DbException.h"
#include "components/IConnection.h"
#include "components/LockTimeout.h"
#include "sqlite/SqliteTransaction.h"

#include <QCoreApplication>
#include <optional>

namespace quorvex {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("AuditPurge", text);
}

} // namespace

Recordset openAuditRows(IConnection& connection, const AuditTable& audit) {
    if (audit.store() == AuditStore::SqlServer)
        connection.execute(sqlServerLockTimeoutStatement());
    return connection.openRecordset(audit.selectStatement(), CursorType::ForwardOnly);
}

// A fresh SQL Server session waits for locks without limit (-1); the purge's wait is bounded
// and the session gets its unbounded wait back afterwards. SQLBase has no such statement: its
// connection's lock time-out bounds every wait.
class AuditPurge::LockWait {
public:
    // Throws DbException when the time-out cannot be set.
    LockWait(IConnection& connection, AuditStore store) : m_connection(connection) {
        if (store != AuditStore::SqlServer)
            return;
        m_connection.execute(sqlServerLockTimeoutStatement());
        m_set = true;
    }
    ~LockWait() {
        if (!m_set || m_connection.state() != ConnectionState::Open)
            return;
        try {
            m_connection.execute(sqlServerLockTimeoutStatement(-1));
        } catch (const DbException&) {
            // The session keeps the bounded wait, which harms nothing.
        }
    }
    LockWait(const LockWait&) = delete;
    LockWait& operator=(const LockWait&) = delete;

private:
    IConnection& m_connection;
    bool m_set = false;
};

AuditPurge::AuditPurge(IConnection& connection, AuditTable audit, const CancelToken* cancel)
    : m_connection(connection), m_audit(std::move(audit)), m_cancel(cancel) {}

PurgeResult AuditPurge::failure(const DbErrorList& errors, const QString& message,
                                qint64 records) const {
    if (isLockTimeout(errors))
        return {PurgeResult::Outcome::TableBusy, records, tableInUseMessage(m_audit.tableName()),
                errors};
    return {PurgeResult::Outcome::Failed, records, message, errors};
}

PurgeResult AuditPurge::purge() {
    try {
        LockWait wait(m_connection, m_audit.store());
        if (m_audit.store() == AuditStore::Sqlite) {
            // The wait for a busy database, in short attempts.
            sqlite::SqliteTransaction transaction(m_connection, m_cancel);
            m_connection.execute(m_audit.purgeStatement());
            transaction.commit();
        } else {
            m_connection.execute(m_audit.purgeStatement());
        }
    } catch (const DbException& e) {
        return failure(e.errors(), e.description(), 0);
    }
    return {PurgeResult::Outcome::Purged, 0, {}, {}};
}

namespace {

// The rows of a statement into the staged file. The statement is closed before this returns,
// so one cut short is cancelled before anything else is sent.
ExportResult stageRows(IConnection& connection, const QString& statement, AuditExporter& exporter) {
    Recordset rows = connection.openRecordset(statement, CursorType::ForwardOnly);
    return exporter.stage(rows);
}

} // namespace

// The export's transaction: the connection's own on SQL Server and SQLBase (there at
// repeatable read, so the rows read stay locked), SQLite's, which holds the write lock from its
// start, on SQLite.
class AuditPurge::Transaction {
public:
    Transaction(IConnection& connection, AuditStore store, const CancelToken* cancel)
        : m_connection(connection), m_store(store), m_cancel(cancel) {}
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // Throws DbException.
    void begin() {
        switch (m_store) {
        case AuditStore::SqlServer:
            m_connection.beginTransaction(TransactionIsolation::DriverDefault);
            return;
        case AuditStore::SqlBase:
            m_connection.beginTransaction(TransactionIsolation::RepeatableRead);
            return;
        case AuditStore::Sqlite:
            break;
        }
        m_sqlite.emplace(m_connection, m_cancel);
    }
    // Throws DbException; the transaction is then still open, for rollback().
    void commit() {
        if (m_store == AuditStore::Sqlite)
            m_sqlite->commit();
        else
            m_connection.commit();
    }
    void rollback() noexcept {
        if (m_store == AuditStore::Sqlite)
            m_sqlite.reset();
        else
            m_connection.rollback();
    }

private:
    IConnection& m_connection;
    AuditStore m_store;
    const CancelToken* m_cancel = nullptr;
    std::optional<sqlite::SqliteTransaction> m_sqlite;
};

PurgeResult AuditPurge::exportAndPurge(AuditExporter& exporter) {
    std::optional<LockWait> wait;
    try {
        wait.emplace(m_connection, m_audit.store());
    } catch (const DbException& e) {
        return failure(e.errors(), e.description(), 0);
    }
    // The read and the delete take the rows older than one limit, read from the server first:
    // a limit that moved between them ('now' moves on) would delete rows the file does not hold.
    PurgeResult noLimit;
    const std::optional<AuditTable> audit = withFixedAgeLimit(noLimit);
    if (!audit)
        return noLimit;
    // SQL Server deletes the rows as it hands them over; the others read them, then delete
    // as many.
    const bool readThenDelete = m_audit.store() != AuditStore::SqlServer;
    Transaction transaction(m_connection, m_audit.store(), m_cancel);
    ExportResult exported;
    qint64 deleted = -1;
    try {
        transaction.begin();
        exported = stageRows(m_connection,
                             readThenDelete ? audit->selectStatement()
                                            : audit->deleteReturningRowsStatement(),
                             exporter);
        if (readThenDelete && exported.completed())
            deleted = m_connection.executeCounted(audit->purgeStatement());
    } catch (const DbException& e) {
        exporter.discard();
        transaction.rollback();
        return failure(e.errors(), e.description(), exported.records);
    }
    if (!exported.completed()) {
        exporter.discard();
        transaction.rollback();
        if (exported.outcome == ExportResult::Outcome::Cancelled)
            return {PurgeResult::Outcome::Cancelled, exported.records, {}, {}};
        return failure(exported.databaseErrors, exported.message, exported.records);
    }
    if (readThenDelete && deleted != exported.records) {
        exporter.discard();
        transaction.rollback();
        return deletedOtherRows(exported.records, deleted);
    }
    QString message;
    if (!exporter.publish(&message)) {
        transaction.rollback();
        return {PurgeResult::Outcome::Failed, exported.records, message, {}};
    }
    try {
        transaction.commit();
    } catch (const DbException& e) {
        transaction.rollback();
        return {PurgeResult::Outcome::FileOnly, exported.records, e.description(), e.errors()};
    }
    return {PurgeResult::Outcome::Purged, exported.records, {}, {}};
}

PurgeResult AuditPurge::deletedOtherRows(qint64 records, qint64 deleted) const {
    if (m_audit.store() == AuditStore::Sqlite) {
        // The write lock keeps every other connection out, so this is not expected; should it
        // happen all the same, rows would go that are not in the file.
        return {PurgeResult::Outcome::Failed,
                records,
                tr("%1 rows were written to the file, but the purge would have deleted %2 from "
                   "%3, so it was undone; nothing was changed.")
                    .arg(records)
                    .arg(deleted)
                    .arg(m_audit.tableName()),
                {}};
    }
    // SQLBase: the rows read are locked, so more rows deleted than read are rows another
    // session added while the file was written: they are not in the file.
    if (deleted < 0)
        return {PurgeResult::Outcome::Failed,
                records,
                tr("The database did not tell how many rows it deleted from %1, so the "
                   "purge was undone; nothing was changed.")
                    .arg(m_audit.tableName()),
                {}};
    return {PurgeResult::Outcome::TableBusy, records, tableInUseMessage(m_audit.tableName()), {}};
}

std::optional<AuditTable> AuditPurge::withFixedAgeLimit(PurgeResult& failed) {
    const QString query = m_audit.ageLimitQuery();
    if (query.isEmpty())
        return m_audit;
    std::optional<AuditTable> fixed;
    try {
        Recordset limit = m_connection.openRecordset(query, CursorType::ForwardOnly);
        if (!limit.eof())
            fixed = m_audit.fixedAt(limit.value(0).value_or(QString()));
    } catch (const DbException& e) {
        failed = failure(e.errors(), e.description(), 0);
        return std::nullopt;
    }
    if (!fixed)
        failed = {PurgeResult::Outcome::Failed,
                  0,
                  tr("The server did not tell its time, so the rows older than %1 days of %2 "
                     "could not be told apart; nothing was changed.")
                      .arg(*m_audit.olderThanDays())
                      .arg(m_audit.tableName()),
                  {}};
    return fixed;
}

} // namespace quorvex
