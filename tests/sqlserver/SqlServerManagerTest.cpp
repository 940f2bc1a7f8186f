// The SQL Server management layer against the scripted database: failures, and names a real
// engine may not take. On a real engine it is driven by the engine tests.
#include "sqlserver/SqlServerManager.h"
#include "components/ConnectionString.h"
#include "components/DbException.h"
#include "sqlserver/SqlServerConnection.h"
#include "support/FakeDatabase.h"

#include "components/ComponentsTestSupport.h"
#include <gtest/gtest.h>

using namespace quorvex;
using quorvex::testing::FakeDatabase;
using quorvex::testing::textRow;

namespace {

const QStringList tableFields{"schema_name", "table_name", "is_ms_shipped"};

DbErrorList loginFailed() {
    return {{-1, "Login failed for user 'sa'.", "[FreeTDS][SQL Server]", "42000", 18456},
            {-1, "Unable to connect to data source", "[FreeTDS][SQL Server]", "08001", 0}};
}

// The failure a call is expected to throw.
template <typename Call> DbException thrownBy(Call call) {
    try {
        call();
    } catch (const DbException& e) {
        return e;
    }
    ADD_FAILURE() << "no DbException";
    return DbException(DbErrorList{});
}

// A manager already connected to the scripted server.
class ConnectedManager : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_manager.connectServer("DBHOST", "sa", "pw"));
        m_db.clearLog();
    }

    FakeDatabase m_db;
    SqlServerManager m_manager{m_db};
};

} // namespace

TEST(SqlServerManagerConnect, OpensMasterWithEveryLoginValueQuotedWhereNeeded) {
    FakeDatabase db;
    SqlServerManager manager(db);
    ASSERT_TRUE(manager.connectServer("DBHOST\\SQLEXPRESS", "sa", "se;cret"));
    EXPECT_EQ(db.connectionStrings(),
              QStringList{"Provider=SQLOLEDB.1;Password=\"se;cret\";Persist Security Info=True;"
                          "User ID=sa;Initial Catalog=master;Data Source=DBHOST\\SQLEXPRESS"});
    // The quoted password reads back whole, so the ";" does not cut the string.
    EXPECT_EQ(parseConnectionString(db.connectionStrings().value(0)).value(1),
              std::make_pair(QString("Password"), QString("se;cret")));
    EXPECT_EQ(db.connectionTimeouts(), QList<int>{15});
    // Every later statement waits at most ten seconds for another session's locks.
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
        EXPECT_EQ(manager.serverName(), QString());
        EXPECT_EQ(thrownBy([&] { manager.databases(); }).description(),
                  QString("No SQL Server is connected."));
        EXPECT_THROW(manager.runBatch("Sales", "DROP TABLE tblZOTA_Big"), DbException);
        // Only the first connection's bounded lock wait was sent.
        EXPECT_EQ(db.statements(), QStringList{SqlServerManager::lockTimeoutStatement()});
        db.failOpen({});
        EXPECT_TRUE(manager.connectServer("SECOND", "sa", "pw"));
        EXPECT_EQ(manager.errors(), DbErrorList());
    }
    EXPECT_EQ(db.openNow(), 0); // the manager closes its connection when it goes
}

TEST(SqlServerManagerStatements, BracketTheDatabaseAndDoubleQuotesInNames) {
    const QString database = "[Q]]1 data].INFORMATION_SCHEMA.";
    for (const QString& statement : {SqlServerManager::tablesStatement("Q]1 data"),
                                     SqlServerManager::columnsStatement("Q]1 data", "O'Brien]"),
                                     SqlServerManager::lookUpStatement("Q]1 data", "O'Brien]")}) {
        EXPECT_TRUE(statement.contains(database)) << statement.toStdString();
        EXPECT_FALSE(statement.contains("[Q]1")) << statement.toStdString();
    }
    EXPECT_TRUE(SqlServerManager::columnsStatement("Q]1 data", "O'Brien]")
                    .contains(" = N'O''Brien]' ORDER BY c.ORDINAL_POSITION"));
    EXPECT_TRUE(
        SqlServerManager::lookUpStatement("Q]1 data", "O'Brien]").endsWith(" = N'O''Brien]'"));
}

TEST_F(ConnectedManager, AMissingTableIsNotFoundByItsOwnName) {
    m_db.onQuery(SqlServerManager::lookUpStatement("Sales", "tblZOTA_SYSTEM_TABLE"), tableFields,
                 {});
    const DbException missing =
        thrownBy([&] { m_manager.lookUpUserTable("Sales", "tblZOTA_SYSTEM_TABLE"); });
    EXPECT_EQ(missing.description(), QString("The name 'tblZOTA_SYSTEM_TABLE' was not found in the "
                                             "Tables collection of database 'Sales'."));
    EXPECT_EQ(missing.errors().value(0).sqlState, QString("42S02"));
}

TEST_F(ConnectedManager, RunsABatchInTheChosenDatabaseOnlyWhenItCanBeUsed) {
    const QString trigger = "CREATE TRIGGER trgZOTA_Big ON ORDERS FOR INSERT AS\r\nBEGIN\r\nEND";
    m_manager.runBatch("Sales", trigger);
    m_manager.runBatch("Q]1", "DROP TABLE tblZOTA_Big");
    m_db.failOn("USE [Gone]", FakeDatabase::error("Database 'Gone' does not exist.", 911));
    EXPECT_THROW(m_manager.runBatch("Gone", "DROP TABLE tblZOTA_Big"), DbException);
    EXPECT_EQ(m_db.statements(), (QStringList{"USE [Sales]", trigger, "USE [Q]]1]",
                                              "DROP TABLE tblZOTA_Big", "USE [Gone]"}));
}

TEST(SqlServerConnectionReport, FiveLinesAndABlankLinePerError) {
    DbErrorList errors = loginFailed();
    EXPECT_EQ(QStringLiteral("Error #: -1\r\nDescription: Login failed for user 'sa'.\r\n"
                             "Source: [FreeTDS][SQL Server]\r\nSQL State: 42000\r\nNative Error: "
                             "18456\r\n\r\nError #: -1\r\nDescription: Unable to connect to data "
                             "source\r\nSource: [FreeTDS][SQL Server]\r\nSQL State: 08001\r\n"
                             "Native Error: 0\r\n\r\n"),
              sqlServerConnectionReport(errors));
    EXPECT_EQ(QString(), sqlServerConnectionReport({}));
}
