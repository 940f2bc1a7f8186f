// One quorvex-export run against a scripted database: the connection string, the statements,
// and the rule that nothing is purged unless the file is complete.
#include "auditdata/ExportCommandRunner.h"

#include "support/ExportedFiles.h"
#include "support/FakeDatabase.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <gtest/gtest.h>

using namespace quorvex;
using namespace quorvex::testing;

namespace {

class ExportCommandRunnerTest : public ::testing::Test {
protected:
    ExportCommandRunnerTest() : m_out(&m_outText), m_err(&m_errText) {
        m_command.store = AuditStore::SqlServer;
        m_command.audit = "Orders";
        m_command.format = ExportFormat::Csv;
        m_command.file = m_dir.filePath("orders.csv");
        m_command.server = "db1";
        m_command.user = "sa";
        m_command.password = "secret";
        m_command.database = "Sales";
    }

    int run(IConnectionFactory& factory) {
        // Three rows; scripted last, as the first match answers and a test's own script wins.
        for (const char* statement :
             {"Select * from tblZOTA_Orders", "Delete from tblZOTA_Orders Output deleted.*"})
            m_db.onQuery(statement, QStringList{"ORDER_NO", "UserName"},
                         {textRow({"1", "sa"}), textRow({"2", "dbo"}), textRow({"3", "sa"})});
        ExportCommandRunner runner(factory, m_out, m_err);
        const int status = runner.run(m_command);
        m_out.flush();
        m_err.flush();
        return status;
    }
    int run() { return run(m_db); }

    QByteArray file() const { return fileContents(m_command.file); }

    QTemporaryDir m_dir;
    FakeDatabase m_db;
    ExportCommand m_command;
    QString m_outText;
    QString m_errText;
    QTextStream m_out;
    QTextStream m_err;
};

} // namespace

TEST_F(ExportCommandRunnerTest, ConnectionStringsAreTheLoginWindowsOwn) {
    EXPECT_EQ(ExportCommandRunner::connectionString(m_command),
              QStringLiteral("Provider=SQLOLEDB.1;Password=secret;Persist Security Info=True;"
                             "User ID=sa;Initial Catalog=Sales;Data Source=db1"));
    ExportCommand sqlBase;
    sqlBase.store = AuditStore::SqlBase;
    sqlBase.database = "ISLAND";
    sqlBase.password = "p;w";
    EXPECT_EQ(ExportCommandRunner::connectionString(sqlBase),
              QStringLiteral("Provider=SQLBASEOLEDB.1;Password=\"p;w\";Persist Security "
                             "Info=True;User ID=SYSADM;Data Source=ISLAND"));
    sqlBase.odbc = "DSN=island;UID=SYSADM";
    EXPECT_EQ(ExportCommandRunner::connectionString(sqlBase),
              QStringLiteral("DSN=island;UID=SYSADM"));
}

namespace {

// A purging export on SQL Server: the statements around the one that deletes and returns the
// rows, with `end` (the commit, or the rollback) in its place.
QStringList purgingExport(const QStringList& end) {
    return QStringList{"SET LOCK_TIMEOUT 10000", FakeDatabase::beginEntry(),
                       "Delete from tblZOTA_Orders Output deleted.*"} +
           end + QStringList{"SET LOCK_TIMEOUT -1"};
}

} // namespace

TEST_F(ExportCommandRunnerTest, ExportThenPurgeOnceTheFileIsComplete) {
    m_command.purge = PurgeAfterExport::Yes;
    EXPECT_EQ(run(), ExportCommandRunner::Success);
    EXPECT_EQ(m_db.statements(), purgingExport({FakeDatabase::commitEntry()}));
    EXPECT_EQ(file().toStdString(), "ORDER_NO,UserName\r\n1,sa\r\n2,dbo\r\n3,sa\r\n\r\n");
    EXPECT_EQ(m_outText, QStringLiteral("3 records written to %1\ntblZOTA_Orders purged\n")
                             .arg(QDir::toNativeSeparators(m_command.file)));
    EXPECT_EQ(m_errText, QString());
    EXPECT_EQ(m_db.openNow(), 0);
}

TEST_F(ExportCommandRunnerTest, OlderThanExportsAndPurgesTheOlderRowsOnly) {
    const QString older = QStringLiteral(" Where AuditDate < DATEADD(day, -30, GETDATE())");
    m_db.onQuery("Select * from tblZOTA_Orders" + older, QStringList{"ORDER_NO"}, {textRow({"1"})});
    m_db.onQuery("Delete from tblZOTA_Orders Output deleted.*" + older, QStringList{"ORDER_NO"},
                 {textRow({"1"})});
    m_command.olderThanDays = 30;
    EXPECT_EQ(run(), ExportCommandRunner::Success);
    m_command.purge = PurgeAfterExport::Yes;
    EXPECT_EQ(run(), ExportCommandRunner::Success);
    // The export alone waits for a busy table a bounded time too.
    const QStringList sent{"SET LOCK_TIMEOUT 10000",
                           "Select * from tblZOTA_Orders" + older,
                           "SET LOCK_TIMEOUT 10000",
                           FakeDatabase::beginEntry(),
                           "Delete from tblZOTA_Orders Output deleted.*" + older,
                           FakeDatabase::commitEntry(),
                           "SET LOCK_TIMEOUT -1"};
    EXPECT_EQ(m_db.statements(), sent);
    EXPECT_TRUE(m_outText.endsWith("tblZOTA_Orders: the rows older than 30 days purged\n"))
        << m_outText.toStdString();
}

TEST_F(ExportCommandRunnerTest, ConnectionFailureIsReportedWithEveryRecord) {
    DbErrorList errors = FakeDatabase::error(QStringLiteral("Login failed for user 'sa'."), 18456,
                                             QStringLiteral("28000"));
    errors += FakeDatabase::error(QStringLiteral("Unable to connect"), 0, QStringLiteral("08001"));
    m_db.failOpen(errors);
    EXPECT_EQ(run(), ExportCommandRunner::Failure);
    EXPECT_EQ(m_errText, QStringLiteral("The connection could not be opened:\n"
                                        "[FakeDatabase] [28000] Login failed for user 'sa'.\n"
                                        "[FakeDatabase] [08001] Unable to connect\n"));
    EXPECT_FALSE(QFile::exists(m_command.file));
}

TEST_F(ExportCommandRunnerTest, MissingAuditTableIsAFailureWithTheServersMessage) {
    m_command.audit = "Gone";
    m_db.failOn("Select * from tblZOTA_Gone",
                FakeDatabase::error(QStringLiteral("Invalid object name 'tblZOTA_Gone'."), 208,
                                    QStringLiteral("42S02")));
    EXPECT_EQ(run(), ExportCommandRunner::Failure);
    EXPECT_EQ(m_errText, QStringLiteral("The audit's rows could not be read:\n"
                                        "[FakeDatabase] [42S02] Invalid object name "
                                        "'tblZOTA_Gone'.\n"));
}

TEST_F(ExportCommandRunnerTest, CommitFailingAfterACompleteFileHasItsOwnStatus) {
    m_command.purge = PurgeAfterExport::Yes;
    m_db.failOn(FakeDatabase::commitEntry(),
                FakeDatabase::error(QStringLiteral("Communication link failure"), 0, "08S01"));
    EXPECT_EQ(run(), ExportCommandRunner::PurgeFailed);
    EXPECT_EQ(m_db.statements(),
              purgingExport({FakeDatabase::commitEntry(), FakeDatabase::rollbackEntry()}));
    EXPECT_EQ(file().toStdString(), "ORDER_NO,UserName\r\n1,sa\r\n2,dbo\r\n3,sa\r\n\r\n");
    EXPECT_EQ(m_errText, QStringLiteral("The file is complete, but the purge failed:\n"
                                        "[FakeDatabase] [08S01] Communication link failure\n"));
}

TEST_F(ExportCommandRunnerTest, BusyTableGivesUpWithNothingWrittenOrPurged) {
    m_command.purge = PurgeAfterExport::Yes;
    m_db.failOn(
        "Delete from tblZOTA_Orders Output deleted.*",
        FakeDatabase::error(QStringLiteral("canceling statement due to lock timeout"), 33557097));
    EXPECT_EQ(run(), ExportCommandRunner::Failure);
    EXPECT_FALSE(QFile::exists(m_command.file));
    EXPECT_EQ(m_errText, QStringLiteral("The table tblZOTA_Orders is in use by another session; "
                                        "nothing was changed. Try again when it is quiet.\n"
                                        "No file was written and nothing was purged.\n"));
}

TEST_F(ExportCommandRunnerTest, PasswordFileGivesTheFirstLine) {
    const QString path = m_dir.filePath("pw");
    QFile pw(path);
    ASSERT_TRUE(pw.open(QIODevice::WriteOnly));
    pw.write("s3cr;et\nsecond line\n");
    pw.close();
    m_command.password.clear();
    m_command.passwordFile = path;
    EXPECT_EQ(run(), ExportCommandRunner::Success);
    EXPECT_EQ(m_db.connectionStrings(),
              QStringList{QStringLiteral("Provider=SQLOLEDB.1;Password=\"s3cr;et\";Persist "
                                         "Security Info=True;User ID=sa;Initial Catalog=Sales;"
                                         "Data Source=db1")});
}

TEST_F(ExportCommandRunnerTest, UnreadablePasswordFileStopsBeforeConnecting) {
    m_command.passwordFile = m_dir.filePath("none");
    EXPECT_EQ(run(), ExportCommandRunner::UsageError);
    EXPECT_EQ(m_db.connectionStrings(), QStringList());
}
