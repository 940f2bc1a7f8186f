// The SQL Server connection string of the login values and the report of a failed open.
#include "sqlserver/SqlServerConnection.h"
#include "components/ConnectionString.h"
#include "support/FakeDatabase.h"
#include "support/ScriptedMessageService.h"

#include <gtest/gtest.h>

namespace quorvex {
namespace {

using testing::FakeDatabase;
using testing::ScriptedMessageService;

TEST(SqlServerConnectionString, PutsTheLoginValuesInTheProvidersOrder) {
    EXPECT_EQ(QStringLiteral("Provider=SQLOLEDB.1;Password=secret;Persist Security Info=True;"
                             "User ID=sa;Initial Catalog=Sales;Data Source=DBHOST\\SQLEXPRESS"),
              buildSqlServerConnectionString({"DBHOST\\SQLEXPRESS", "sa", "secret", "Sales"}));
    // An empty value leaves its key followed directly by the next ";".
    EXPECT_EQ(QStringLiteral("Provider=SQLOLEDB.1;Password=;Persist Security Info=True;User ID=sa;"
                             "Initial Catalog=;Data Source=DBHOST"),
              buildSqlServerConnectionString({"DBHOST", "sa", "", ""}));
}

TEST(SqlServerConnectionString, AValueWithASemicolonArrivesWhole) {
    const QString text = buildSqlServerConnectionString({"DBHOST", "sa", "pa;ss", "My;Db"});
    EXPECT_EQ(QStringLiteral("Provider=SQLOLEDB.1;Password=\"pa;ss\";Persist Security Info=True;"
                             "User ID=sa;Initial Catalog=\"My;Db\";Data Source=DBHOST"),
              text);
    const ConnectionStringPairs pairs = parseConnectionString(text);
    ASSERT_EQ(6, pairs.size());
    EXPECT_EQ(QStringLiteral("pa;ss"), pairs[1].second);
    EXPECT_EQ(QStringLiteral("My;Db"), pairs[4].second);
}

TEST(SqlServerConnectionReport, FiveLinesAndABlankLinePerError) {
    DbErrorList errors = FakeDatabase::error("Login failed for user 'sa'.", 18456, "28000");
    errors += FakeDatabase::error("Unable to connect to data source", 0, "08001");
    EXPECT_EQ(QStringLiteral("Error #: -1\r\nDescription: Login failed for user 'sa'.\r\n"
                             "Source: [FakeDatabase]\r\nSQL State: 28000\r\nNative Error: 18456\r\n"
                             "\r\n"
                             "Error #: -1\r\nDescription: Unable to connect to data source\r\n"
                             "Source: [FakeDatabase]\r\nSQL State: 08001\r\nNative Error: 0\r\n"
                             "\r\n"),
              sqlServerConnectionReport(errors));
    EXPECT_EQ(QString(), sqlServerConnectionReport({}));
}

TEST(SqlServerConnectionOpen, OpensQuietlyOrShowsOneReportAndStaysClosed) {
    FakeDatabase db;
    ScriptedMessageService messages;
    auto connection = db.createConnection();
    EXPECT_TRUE(openSqlServerConnection(*connection, {"DBHOST", "sa", "pw", "Sales"}, messages));
    EXPECT_EQ(ConnectionState::Open, connection->state());
    EXPECT_EQ(QStringList(), messages.texts());
    const DbErrorList refused = FakeDatabase::error("Login failed for user 'sa'.", 18456, "28000");
    db.failOpen(refused);
    db.clearLog();
    auto second = db.createConnection();
    EXPECT_FALSE(openSqlServerConnection(*second, {"DBHOST", "sa", "wrong", "Sales"}, messages));
    EXPECT_EQ(ConnectionState::Closed, second->state());
    EXPECT_EQ(QStringList{sqlServerConnectionReport(refused)}, messages.texts());
    EXPECT_EQ(QStringList{buildSqlServerConnectionString({"DBHOST", "sa", "wrong", "Sales"})},
              db.connectionStrings());
}

} // namespace
} // namespace quorvex
