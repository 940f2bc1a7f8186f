// One quorvex-export run against a scripted database, for what the engine cannot be made to
// show: a commit failing after the file is complete, and the password file.
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

TEST_F(ExportCommandRunnerTest, CommitFailingAfterACompleteFileHasItsOwnStatus) {
    m_command.purge = PurgeAfterExport::Yes;
    m_db.failOn(FakeDatabase::commitEntry(),
                FakeDatabase::error(QStringLiteral("Communication link failure"), 0, "08S01"));
    EXPECT_EQ(run(), ExportCommandRunner::PurgeFailed);
    EXPECT_EQ(
        m_db.statements(),
        (QStringList{"SET LOCK_TIMEOUT 10000", FakeDatabase::beginEntry(),
                     "Delete from tblZOTA_Orders Output deleted.*", FakeDatabase::commitEntry(),
                     FakeDatabase::rollbackEntry(), "SET LOCK_TIMEOUT -1"}));
    EXPECT_EQ(file().toStdString(), "ORDER_NO,UserName\r\n1,sa\r\n2,dbo\r\n3,sa\r\n\r\n");
    EXPECT_EQ(m_errText, QStringLiteral("The file is complete, but the purge failed:\n"
                                        "[FakeDatabase] [08S01] Communication link failure\n"));
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
    // One that cannot be read stops the run before it connects.
    m_db.clearLog();
    m_command.passwordFile = m_dir.filePath("none");
    EXPECT_EQ(run(), ExportCommandRunner::UsageError);
    EXPECT_EQ(m_db.connectionStrings(), QStringList());
}
