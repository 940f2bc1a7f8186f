// The SQL Server management layer against the scripted database: failures, and names a real
// engine may not take.
#include "sqlserver/SqlServerManager.h"
#include "components/ConnectionString.h"
#include "components/DbException.h"
#include "sqlserver/SqlServerConnection.h"
#include "support/FakeDatabase.h"

#include "components/ComponentsTestSupport.h"
#include <gtest/gtest.h>

using namespace quorvex;
using quorvex::testing::FakeDatabase;

namespace {

DbErrorList loginFailed() {
    return {{-1, "Login failed for user 'sa'.", "[FreeTDS][SQL Server]", "42000", 18456},
            {-1, "Unable to connect to data source", "[FreeTDS][SQL Server]", "08001", 0}};
}

} // namespace

TEST(SqlServerManagerConnect, OpensMasterWithEveryLoginValueQuotedWhereNeeded) {
    FakeDatabase db;
    SqlServerManager manager(db);
    ASSERT_TRUE(manager.connectServer("DBHOST\\SQLEXPRESS", "sa", "se;cret"));
    EXPECT_EQ(db.connectionStrings(),
              QStringList{"Provider=SQLOLEDB.1;Password=\"se;cret\";Persist Security Info=True;"
                          "User ID=sa;Initial Catalog=master;Data Source=DBHOST\\SQLEXPRESS"});
    EXPECT_EQ(parseConnectionString(db.connectionStrings().value(0)).value(1),
              std::make_pair(QString("Password"), QString("se;cret")));
    EXPECT_EQ(db.connectionTimeouts(), QList<int>{15});
    EXPECT_EQ(db.statements(), QStringList{"SET LOCK_TIMEOUT 10000"});
}

// A failed connect leaves no connection to the server chosen before.
TEST(SqlServerManagerConnect, AFailedConnectKeepsEveryRecordAndRunsNothing) {
    FakeDatabase db;
    {
        SqlServerManager manager(db);
        ASSERT_TRUE(manager.connectServer("FIRST", "sa", "pw"));
        db.failOpen(loginFailed());
        EXPECT_FALSE(manager.connectServer("DBHOST", "sa", "wrong"));
        EXPECT_EQ(manager.errors(), loginFailed());
        EXPECT_EQ(db.openNow(), 0);
        EXPECT_FALSE(manager.isConnected());
        EXPECT_THROW(manager.runBatch("Sales", "DROP TABLE tblZOTA_Big"), DbException);
        EXPECT_EQ(db.statements(), QStringList{SqlServerManager::lockTimeoutStatement()});
    }
    EXPECT_EQ(db.openNow(), 0);
}

TEST(SqlServerManagerStatements, BracketTheDatabaseAndDoubleQuotesInNames) {
    for (const QString& statement : {SqlServerManager::tablesStatement("Q]1 data"),
                                     SqlServerManager::columnsStatement("Q]1 data", "O'Brien]"),
                                     SqlServerManager::lookUpStatement("Q]1 data", "O'Brien]")})
        EXPECT_TRUE(statement.contains("[Q]]1 data].INFORMATION_SCHEMA."))
            << statement.toStdString();
    EXPECT_TRUE(
        SqlServerManager::lookUpStatement("Q]1 data", "O'Brien]").endsWith(" = N'O''Brien]'"));

    FakeDatabase db;
    SqlServerManager manager(db);
    ASSERT_TRUE(manager.connectServer("DBHOST", "sa", "pw"));
    db.clearLog();
    manager.runBatch("Q]1", "DROP TABLE tblZOTA_Big");
    db.failOn("USE [Gone]", FakeDatabase::error("Database 'Gone' does not exist.", 911));
    EXPECT_THROW(manager.runBatch("Gone", "DROP TABLE tblZOTA_Big"), DbException);
    EXPECT_EQ(db.statements(), (QStringList{"USE [Q]]1]", "DROP TABLE tblZOTA_Big", "USE [Gone]"}));
}

TEST(SqlServerConnectionReport, FiveLinesAndABlankLinePerError) {
    EXPECT_EQ(QStringLiteral("Error #: -1\r\nDescription: Login failed for user 'sa'.\r\n"
                             "Source: [FreeTDS][SQL Server]\r\nSQL State: 42000\r\nNative Error: "
                             "18456\r\n\r\nError #: -1\r\nDescription: Unable to connect to data "
                             "source\r\nSource: [FreeTDS][SQL Server]\r\nSQL State: 08001\r\n"
                             "Native Error: 0\r\n\r\n"),
              sqlServerConnectionReport(loginFailed()));
}
