// The SQLite back end on real database files, without windows: a busy database and a cancel,
// and the purge while the audited table is written to.
#include "SqliteTestFile.h"

#include "auditdata/AuditPurge.h"
#include "components/LockTimeout.h"
#include "components/OdbcConnectionFactory.h"
#include "components/TaskContext.h"
#include "sqlite/SqliteAuditData.h"
#include "sqlite/SqliteBackend.h"
#include "sqlite/SqliteCatalog.h"
#include "support/ScriptedMessageService.h"

#include <QFile>

#include <chrono>
#include <future>
#include <thread>

#include <gtest/gtest.h>

using namespace quorvex;
using namespace quorvex::sqlite;
using namespace quorvex::testing;

namespace {

const QString ordersTable = QStringLiteral(
    "CREATE TABLE \"Order s\" (\"No\" INTEGER PRIMARY KEY, \"Cust 'Name'\" VARCHAR(40), "
    "Amount INTEGER, \"Notiz ü\" TEXT)");

AuditDefinition audit(AuditKind kind, const QString& table, const QString& name,
                      QStringList columns) {
    AuditDefinition definition;
    definition.kind = kind;
    definition.table = table;
    definition.name = name;
    definition.description = name + " audit";
    definition.columns = std::move(columns);
    return definition;
}

struct Stand {
    SqliteTestFile db;
    OdbcConnectionFactory connections;
    ScriptedMessageService messages;
    SqliteBackend backend{connections, db.path()};

    bool load() {
        TaskContext task;
        return backend.load(messages, task).has_value();
    }
    // GO: true when saved; the messages tell why not.
    bool save(const AuditDefinition& definition) {
        TaskContext task;
        return backend.save(definition, messages, task).outcome == SaveResult::Outcome::Saved;
    }
};

} // namespace

// Another connection holds the write lock: GO waits for it a bounded time, or until Cancel,
// and leaves nothing behind either way.
TEST(SqliteEngine, ABusyDatabaseIsWaitedForABoundedTimeOrUntilCancelAndNothingIsLeft) {
    Stand s;
    ASSERT_EQ(s.db.run(ordersTable), QString());
    ASSERT_TRUE(s.load());
    ASSERT_EQ(s.db.run("BEGIN IMMEDIATE"), QString());
    const AuditDefinition definition = audit(AuditKind::Insert, "Order s", "Busy", {"No"});
    using Clock = std::chrono::steady_clock;

    TaskContext cancelled;
    auto started = Clock::now();
    auto saving = std::async(std::launch::async, [&] {
        return s.backend.save(definition, s.messages, cancelled).outcome;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    cancelled.cancelToken().cancel();
    EXPECT_EQ(saving.get(), SaveResult::Outcome::NotSaved);
    // SQLite's busy wait does not see SQLCancel: the cancel is looked at between its short
    // attempts.
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(4));
    EXPECT_EQ(s.messages.texts(),
              QStringList{"The audit Busy was not installed: the save was cancelled."});

    s.messages.clear();
    started = Clock::now();
    EXPECT_FALSE(s.save(definition));
    EXPECT_GE(Clock::now() - started, std::chrono::milliseconds(lockTimeoutMilliseconds));
    EXPECT_EQ(s.messages.texts(),
              (QStringList{"The audit Busy was not installed; nothing was changed.",
                           SqliteCatalog::databaseInUseMessage()}));
    ASSERT_EQ(s.db.run("ROLLBACK"), QString());
    EXPECT_EQ(s.db.rows("SELECT name FROM sqlite_master WHERE name LIKE '%Busy'"), QStringList());
}

// The purge holds the write lock while it writes the file: an audited insert meanwhile waits,
// then lands after it, so nothing is deleted that is not in the file and nothing is lost.
TEST(SqliteEngine, ExportAndPurgeDeletesExactlyTheRowsInTheFileWhileInsertsWait) {
    Stand s;
    ASSERT_EQ(s.db.run(ordersTable), QString());
    ASSERT_TRUE(s.load());
    ASSERT_TRUE(s.save(audit(AuditKind::Insert, "Order s", "Arc", {"No", "Amount"})));
    ASSERT_EQ(s.db.run("INSERT INTO \"Order s\" (\"No\", Amount) WITH RECURSIVE n(v) AS "
                       "(SELECT 1 UNION ALL SELECT v + 1 FROM n WHERE v < 600) SELECT v, v * 10 "
                       "FROM n"),
              QString());
    const QString file = s.db.folder() + "/archive.csv";
    const AuditTable table = *AuditTable::fromName(AuditStore::Sqlite, "Arc");
    AuditExporter exporter(ExportFormat::Csv, file, table.name());
    std::future<QString> waiting;
    exporter.setProgress(
        [&](qint64) {
            if (!waiting.valid())
                waiting = std::async(std::launch::async, [path = s.db.path()] {
                    return SqliteTestFile::runAlone(
                        path, "INSERT INTO \"Order s\" (\"No\", Amount) VALUES (999, 1)");
                });
            return true;
        },
        100);
    TaskContext task;
    const std::optional<PurgeResult> result =
        SqliteAuditData(s.connections, s.db.path())
            .exportAndPurge(table, exporter, s.messages, task);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->outcome, PurgeResult::Outcome::Purged) << result->message.toStdString();
    EXPECT_EQ(result->records, 600);
    EXPECT_EQ(waiting.get(), QString());
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = written.readAll().split('\n');
    EXPECT_EQ(lines.size(), 1 + 600 + 2);
    EXPECT_TRUE(lines.value(600).startsWith("600,6000,")) << lines.value(600).toStdString();
    EXPECT_EQ(s.db.rows("SELECT \"No\" FROM tblZOTA_Arc"), QStringList{"999"});
}
