// The purge against a scripted database, for failures a real server cannot be made to show at
// will, and for SQLBase: the statements in their order; nothing deleted and no file, while a
// failed commit leaves the complete file and the rows.
#include "auditdata/AuditPurge.h"
#include "auditdata/ExportCommandRunner.h"
#include "components/LockTimeout.h"

#include "AuditDataTesting.h"
#include "support/ExportedFiles.h"
#include "support/FakeDatabase.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <functional>
#include <gtest/gtest.h>

using namespace quorvex;
using namespace quorvex::testing;
using Outcome = PurgeResult::Outcome;

namespace {

const QString deleteReturning = QStringLiteral("Delete from tblZOTA_Orders Output deleted.*");
const QString selectSqlBase = QStringLiteral("Select * from ZOTA_ORDERS");
const QString deleteSqlBase = QStringLiteral("Delete from ZOTA_ORDERS");
const QString boundedWait = QStringLiteral("SET LOCK_TIMEOUT 10000");
const QString unboundedWait = QStringLiteral("SET LOCK_TIMEOUT -1");

// Rows of an order number and a user.
std::vector<Row> numberedRows(int count) {
    std::vector<Row> rows;
    for (int i = 0; i < count; ++i)
        rows.push_back(Row{FieldValue(QString::number(i)), FieldValue(QStringLiteral("sa"))});
    return rows;
}

// One purge: the scripted database (three rows on each back end) and a folder for the file.
struct Stand {
    explicit Stand(AuditStore store)
        : audit(*AuditTable::fromName(store, store == AuditStore::SqlServer
                                                 ? QStringLiteral("Orders")
                                                 : QStringLiteral("ZOTA_ORDERS"))),
          target(folder.filePath(QStringLiteral("archive.csv"))) {}

    PurgeResult run() {
        const std::vector<Row> rows = numberedRows(3);
        db.onQuery(deleteReturning, QStringList{"ORDER_NO", "UserName"}, rows);
        db.onQuery(selectSqlBase, QStringList{"ORDER_NO", "UserName"}, rows);
        db.onExecute(deleteSqlBase, 3);
        std::unique_ptr<IConnection> connection = db.createConnection();
        EXPECT_TRUE(connection->open(QStringLiteral("test")));
        AuditExporter exporter(ExportFormat::Csv, target, audit.name());
        if (cancelAfter > 0)
            exporter.setProgress([](qint64) { return false; }, cancelAfter);
        return AuditPurge(*connection, audit).exportAndPurge(exporter);
    }

    QStringList files() const {
        return QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QTemporaryDir folder;
    FakeDatabase db;
    AuditTable audit;
    QString target;
    qint64 cancelAfter = 0;
};

DbErrorList linkFailure() {
    return FakeDatabase::error(QStringLiteral("Communication link failure"), 0,
                               QStringLiteral("08S01"));
}

const QByteArray completeFile = "ORDER_NO,UserName\r\n0,sa\r\n1,sa\r\n2,sa\r\n\r\n";

} // namespace

TEST(AuditPurge, EveryStepThatFailsLeavesTheRowsAndNoFile) {
    const QStringList sqlServerStart{boundedWait, FakeDatabase::beginEntry(), deleteReturning};
    const QStringList sqlBaseStart{FakeDatabase::beginEntry(TransactionIsolation::RepeatableRead),
                                   selectSqlBase};
    const QString rollback = FakeDatabase::rollbackEntry();
    const QString commit = FakeDatabase::commitEntry();
    const struct {
        const char* name;
        AuditStore store;
        std::function<void(Stand&)> arrange;
        Outcome outcome;
        QStringList statements;
        bool fileLeft;
    } cases[] = {
        {"SQL Server: the file cannot take its place", AuditStore::SqlServer,
         [](Stand& s) {
             QDir(s.folder.path()).mkdir(QStringLiteral("archive.csv"));
             s.target = s.folder.filePath(QStringLiteral("archive.csv"));
         },
         Outcome::Failed, sqlServerStart + QStringList{rollback, unboundedWait}, false},
        {"SQL Server: the commit fails", AuditStore::SqlServer,
         [](Stand& s) { s.db.failOn(FakeDatabase::commitEntry(), linkFailure()); },
         Outcome::FileOnly, sqlServerStart + QStringList{commit, rollback, unboundedWait}, true},
        {"SQLBase: rows were added while the file was written", AuditStore::SqlBase,
         [](Stand& s) { s.db.onExecute(deleteSqlBase, 4); }, Outcome::TableBusy,
         sqlBaseStart + QStringList{deleteSqlBase, rollback}, false},
        {"SQLBase: the driver does not count", AuditStore::SqlBase,
         [](Stand& s) { s.db.onExecute(deleteSqlBase, -1); }, Outcome::Failed,
         sqlBaseStart + QStringList{deleteSqlBase, rollback}, false},
        {"SQLBase: cancelled", AuditStore::SqlBase, [](Stand& s) { s.cancelAfter = 2; },
         Outcome::Cancelled, sqlBaseStart + QStringList{rollback}, false},
        {"SQLBase: the commit fails", AuditStore::SqlBase,
         [](Stand& s) { s.db.failOn(FakeDatabase::commitEntry(), linkFailure()); },
         Outcome::FileOnly, sqlBaseStart + QStringList{deleteSqlBase, commit, rollback}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Stand s(c.store);
        c.arrange(s);
        const PurgeResult result = s.run();
        EXPECT_EQ(result.outcome, c.outcome) << result.message.toStdString();
        EXPECT_EQ(s.db.statements(), c.statements);
        if (c.outcome == Outcome::TableBusy) {
            EXPECT_EQ(result.message, tableInUseMessage(s.audit.tableName()));
        }
        QFile file(s.target);
        if (c.fileLeft) {
            EXPECT_EQ(s.files(), QStringList{QStringLiteral("archive.csv")});
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_EQ(file.readAll(), completeFile);
        } else {
            EXPECT_FALSE(QFileInfo(s.target).isFile());
            EXPECT_EQ(s.files(), QStringList());
        }
    }
}

// Rows older than an age on SQLBase: the limit is read once from the server, so the read and the
// delete take the same rows; without a limit that is a timestamp nothing is changed.
TEST(AuditPurge, AnAgeLimitsTheRowsBothStatementsTake) {
    const QString limitQuery = QStringLiteral(
        "Select SYSDATETIME - 30 from SYSADM.SYSTABLES where CREATOR = 'SYSADM' and NAME = "
        "'SYSTABLES'");
    const QString oldRows = QStringLiteral(" Where DATE < {ts '2026-11-06 10:11:12.123456'}");
    const struct {
        const char* name;
        std::vector<Row> limit; // what the server says its limit is
        Outcome outcome;
        QStringList statements;
    } cases[] = {
        {"a timestamp",
         {textRow({"2026-11-06 10:11:12.123456"})},
         Outcome::Purged,
         QStringList{limitQuery, FakeDatabase::beginEntry(TransactionIsolation::RepeatableRead),
                     selectSqlBase + oldRows, deleteSqlBase + oldRows,
                     FakeDatabase::commitEntry()}},
        {"a limit that is no timestamp",
         {textRow({"2026-11-06'; delete from x"})},
         Outcome::Failed,
         {limitQuery}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Stand s(AuditStore::SqlBase);
        s.audit = s.audit.olderThan(30);
        s.db.onQuery(selectSqlBase + oldRows, QStringList{"ORDER_NO", "UserName"}, numberedRows(3));
        s.db.onExecute(deleteSqlBase + oldRows, 3);
        s.db.onQuery(limitQuery, QStringList{"limit"}, c.limit);
        const PurgeResult result = s.run();
        EXPECT_EQ(result.outcome, c.outcome) << result.message.toStdString();
        EXPECT_EQ(s.db.statements(), c.statements);
        if (c.outcome == Outcome::Failed) {
            EXPECT_EQ(result.message,
                      QStringLiteral("The server did not tell its time, so the rows older than 30 "
                                     "days of ZOTA_ORDERS could not be told apart; nothing was "
                                     "changed."));
            EXPECT_EQ(s.files(), QStringList());
        }
    }
}

// quorvex-export's own status and message for a commit failing after the file is complete; a
// password file that cannot be read stops the run before it connects.
TEST(ExportCommandRunner, CommitFailingAfterACompleteFileAndAnUnreadablePasswordFile) {
    QTemporaryDir dir;
    FakeDatabase db;
    db.failOn(FakeDatabase::commitEntry(), linkFailure());
    db.onQuery(deleteReturning, QStringList{"ORDER_NO", "UserName"}, numberedRows(3));
    ExportCommand command;
    command.store = AuditStore::SqlServer;
    command.audit = "Orders";
    command.format = ExportFormat::Csv;
    command.file = dir.filePath("orders.csv");
    command.server = "db1";
    command.user = "sa";
    command.password = "secret";
    command.database = "Sales";
    command.purge = PurgeAfterExport::Yes;
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    EXPECT_EQ(ExportCommandRunner(db, outStream, errStream).run(command),
              ExportCommandRunner::PurgeFailed);
    errStream.flush();
    EXPECT_EQ(db.statements(), (QStringList{boundedWait, FakeDatabase::beginEntry(),
                                            deleteReturning, FakeDatabase::commitEntry(),
                                            FakeDatabase::rollbackEntry(), unboundedWait}));
    EXPECT_EQ(fileContents(command.file), completeFile);
    EXPECT_EQ(err, QStringLiteral("The file is complete, but the purge failed:\n"
                                  "[FakeDatabase] [08S01] Communication link failure\n"));

    db.clearLog();
    command.password.clear();
    command.passwordFile = dir.filePath("none");
    EXPECT_EQ(ExportCommandRunner(db, outStream, errStream).run(command),
              ExportCommandRunner::UsageError);
    EXPECT_EQ(db.connectionStrings(), QStringList());
}
