// The SQLite back end on real database files, without windows: each kind of audit installed
// through the back end and fired by another connection's single- and multi-row statements,
// Disable and Enable across a restart, Delete, a busy database, a cancel, the purge, the sample
// database, and the scripts of quorvex-sql and the runs of quorvex-export as the programs.
#include "SqliteTestFile.h"

#include "auditdata/AuditPurge.h"
#include "components/LockTimeout.h"
#include "components/OdbcConnectionFactory.h"
#include "components/TaskContext.h"
#include "sqlite/SqliteAuditData.h"
#include "sqlite/SqliteBackend.h"
#include "sqlite/SqliteCatalog.h"
#include "sqlite/SqliteSample.h"
#include "support/ScriptedMessageService.h"

#include <QFile>
#include <QProcess>

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
    QList<InstalledAuditRow> row(const QString& name) {
        TaskContext task;
        const std::optional<AuditListing> listing = backend.listAudits(messages, task);
        for (const Row& row : listing->rows)
            if (row.at(0) == name)
                return {InstalledAuditRow{row.at(0).value_or(""), row.at(1).value_or(""),
                                          row.at(2).value_or(""), row.at(3).value_or("")}};
        return {};
    }
    QStringList catalogRow(const QString& name) {
        return db.rows("SELECT ENABLED, TRIGGERTABLE, DISABLED_TRIGGER IS NOT NULL FROM "
                       "tblZOTA_SYSTEM_TABLE WHERE AUDIT_NAME = '" +
                       name + "'");
    }
    QStringList objects(const QString& name) {
        return db.rows("SELECT type || ':' || name FROM sqlite_master WHERE name LIKE '%ZOTA\\_" +
                       name + "' ESCAPE '\\' ORDER BY type");
    }
};

} // namespace

TEST(SqliteEngine, EachKindOfAuditRecordsExactlyTheRowsItsDefinitionSays) {
    Stand s;
    ASSERT_EQ(s.db.run(ordersTable), QString());
    ASSERT_EQ(s.db.run("CREATE TABLE Stock (Code TEXT, Qty INTEGER)"), QString());
    ASSERT_TRUE(s.load()) << s.messages.texts().join('\n').toStdString();
    const QString orders = "Order s";
    const QString cust = "Cust 'Name'";

    AuditDefinition ins = audit(AuditKind::Insert, orders, "Ins", {"No", cust, "Amount"});
    ins.mode = AuditMode::OnlyWhen;
    ins.connective = Connective::Or;
    ins.conditions = {{"Amount", ">", "1000", {}}, {cust, "=", "O'Brien", "OR"}, {}};
    AuditDefinition del = audit(AuditKind::Delete, orders, "Del", {"No", cust});
    del.conditions = {{cust, "=", "Keep", {}}, {"Amount", ">", "100", "AND"}};
    AuditDefinition upd = audit(AuditKind::Update, orders, "Upd", {cust, "Amount", "Notiz ü"});
    upd.saveOldValue = {false, true, false};
    upd.changedFields = {"Amount"};
    AuditDefinition stk = audit(AuditKind::Update, "Stock", "Stk", {"Code", "Qty"});
    stk.saveOldValue = {false, true};
    for (const AuditDefinition& definition : {ins, del, upd, stk})
        ASSERT_TRUE(s.save(definition)) << s.messages.texts().join('\n').toStdString();
    EXPECT_EQ(s.messages.texts(), QStringList());

    for (const char* statement : {
             "INSERT INTO \"Order s\" VALUES (1, 'ACME', 5000, 'a')",
             "INSERT INTO \"Order s\" VALUES (2, 'O''Brien', 10, 'b'), (3, 'Bolt', 50, 'c'), "
             "(4, 'Keep', 2000, 'd'), (5, NULL, NULL, 'e'), (6, 'Keep', NULL, 'f')",
             "UPDATE \"Order s\" SET Amount = 6000 WHERE \"No\" = 1",
             "UPDATE \"Order s\" SET Amount = Amount + 1 WHERE \"No\" IN (2, 3)",
             "UPDATE \"Order s\" SET \"Cust 'Name'\" = 'Bolts' WHERE \"No\" = 3",
             "DELETE FROM \"Order s\" WHERE \"No\" = 4",
             "DELETE FROM \"Order s\" WHERE \"No\" IN (1, 2, 3, 5, 6)",
             "INSERT INTO Stock VALUES ('A', 1), ('B', 2)",
             "UPDATE Stock SET Qty = Qty + 100",
         })
        ASSERT_EQ(s.db.run(QString::fromUtf8(statement)), QString()) << statement;

    // An unknown outcome (NULL) counts as the conditions not holding, as on SQL Server.
    EXPECT_EQ(s.db.rows("SELECT \"No\", \"Cust 'Name'\", Amount, UserName, AuditDate IS NOT NULL "
                        "FROM tblZOTA_Ins ORDER BY \"No\""),
              (QStringList{"1|ACME|5000|NULL|1", "2|O'Brien|10|NULL|1", "4|Keep|2000|NULL|1"}));
    EXPECT_EQ(s.db.rows("SELECT \"Cust 'Name'\", Amount, oldAmount, \"Notiz ü\" FROM tblZOTA_Upd "
                        "ORDER BY rowid"),
              (QStringList{"ACME|6000|5000|a", "O'Brien|11|10|b", "Bolt|51|50|c"}));
    EXPECT_EQ(s.db.rows("SELECT \"No\", \"Cust 'Name'\" FROM tblZOTA_Del ORDER BY \"No\""),
              (QStringList{"1|ACME", "2|O'Brien", "3|Bolts", "5|NULL", "6|Keep"}));
    // Every row of a multi-row update is paired with its own old row, key or not.
    EXPECT_EQ(s.db.rows("SELECT Code, Qty, oldQty FROM tblZOTA_Stk ORDER BY Code"),
              (QStringList{"A|101|1", "B|102|2"}));
    EXPECT_EQ(s.db.rows("SELECT AUDIT_NAME, ENABLED, TRIGGERTABLE FROM tblZOTA_SYSTEM_TABLE"),
              (QStringList{"Ins|Y|Order s", "Del|Y|Order s", "Upd|Y|Order s", "Stk|Y|Stock"}));

    // A name taken in another letter case names the same table on SQLite.
    EXPECT_FALSE(s.save(audit(AuditKind::Insert, orders, "INS", {"No"})));
    EXPECT_EQ(s.messages.texts().value(0),
              "You already have an Audit with that name.  Please enter another name.");
}

TEST(SqliteEngine, DisableKeepsTheTriggersTextAcrossARestartEnableBringsItBackDeleteRemovesAll) {
    Stand s;
    ASSERT_EQ(s.db.run(ordersTable), QString());
    ASSERT_TRUE(s.load());
    AuditDefinition definition = audit(AuditKind::Insert, "Order s", "Sw", {"No", "Amount"});
    definition.conditions = {{"Amount", "<", "0", {}}};
    ASSERT_TRUE(s.save(definition)) << s.messages.texts().join('\n').toStdString();
    const QStringList trigger =
        s.db.rows("SELECT sql FROM sqlite_master WHERE name = 'trgZOTA_Sw'");
    const auto insert = [&](int no) {
        return s.db.run(
            QStringLiteral("INSERT INTO \"Order s\" (\"No\", Amount) VALUES (%1, %1)").arg(no));
    };
    const auto recorded = [&] { return s.db.rows("SELECT \"No\" FROM tblZOTA_Sw ORDER BY 1"); };
    TaskContext task;

    ASSERT_EQ(insert(1), QString());
    ASSERT_TRUE(s.backend.disableAudits(s.row("Sw"), s.messages, task));
    EXPECT_EQ(s.objects("Sw"), QStringList{"table:tblZOTA_Sw"});
    EXPECT_EQ(s.catalogRow("Sw"), QStringList{"N|Order s|1"});
    ASSERT_EQ(insert(2), QString());
    // Disable again changes nothing.
    ASSERT_TRUE(s.backend.disableAudits(s.row("Sw"), s.messages, task));
    EXPECT_EQ(recorded(), QStringList{"1"});

    s.db.close();
    SqliteBackend restarted(s.connections, s.db.path());
    ASSERT_TRUE(restarted.enableAudits(s.row("Sw"), s.messages, task));
    EXPECT_EQ(s.db.rows("SELECT sql FROM sqlite_master WHERE name = 'trgZOTA_Sw'"), trigger);
    EXPECT_EQ(s.catalogRow("Sw"), QStringList{"Y|Order s|0"});
    ASSERT_EQ(insert(3), QString());
    EXPECT_EQ(recorded(), (QStringList{"1", "3"}));
    EXPECT_EQ(s.messages.texts(), QStringList());

    ASSERT_TRUE(
        restarted.deleteAudits(s.row("Sw"), AuditBackend::DeleteAnswer::Yes, s.messages, task));
    EXPECT_EQ(s.objects("Sw"), QStringList());
    EXPECT_EQ(s.catalogRow("Sw"), QStringList());
    EXPECT_EQ(insert(4), QString());
    EXPECT_EQ(s.messages.texts(), QStringList());
}

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
    EXPECT_EQ(s.objects("Busy"), QStringList());
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
