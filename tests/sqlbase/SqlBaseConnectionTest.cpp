#include "sqlbase/SqlBaseConnection.h"
#include "SqlBaseStand.h"
#include "components/ConnectionString.h"
#include "components/IConnection.h"

#include <gtest/gtest.h>

namespace quorvex::testing {
namespace {

using sqlbase::buildSqlBaseConnectionString;
using sqlbase::connectToSqlBase;
using sqlbase::openSqlBaseConnection;
using sqlbase::sqlBaseConnectionReport;
using sqlbase::SqlBaseLoginValues;

TEST(SqlBaseConnectionString, LogsOnAsSysadmToTheTypedDatabase) {
    EXPECT_EQ(buildSqlBaseConnectionString({"ORDERSDB", "secret"}).toStdString(),
              "Provider=SQLBASEOLEDB.1;Password=secret;Persist Security Info=True;"
              "User ID=SYSADM;Data Source=ORDERSDB");
    EXPECT_EQ(buildSqlBaseConnectionString({"ISLAND", ""}).toStdString(),
              "Provider=SQLBASEOLEDB.1;Password=;Persist Security Info=True;"
              "User ID=SYSADM;Data Source=ISLAND");
}

TEST(SqlBaseConnectionString, SemicolonInAValueArrivesWhole) {
    const QString text = buildSqlBaseConnectionString({"DB;X", "pa;ss\"word"});
    EXPECT_EQ(text.toStdString(), "Provider=SQLBASEOLEDB.1;Password=\"pa;ss\"\"word\";Persist "
                                  "Security Info=True;User ID=SYSADM;Data Source=\"DB;X\"");
    // Read back the way the ODBC layer reads it, each value is what was typed.
    const ConnectionStringPairs pairs = parseConnectionString(text);
    ASSERT_EQ(pairs.size(), 5);
    EXPECT_EQ(pairs[1].second.toStdString(), "pa;ss\"word");
    EXPECT_EQ(pairs[3].second.toStdString(), "SYSADM");
    EXPECT_EQ(pairs[4].second.toStdString(), "DB;X");
}

TEST(SqlBaseConnectionReport, FiveLinesAndABlankLinePerError) {
    DbErrorList errors;
    errors << DbErrorRecord{-1, "Login failed", "[unixODBC][SQLBase]", "28000", 1001}
           << DbErrorRecord{-1, "Database not found", "[unixODBC][SQLBase]", "08001", -401};
    EXPECT_EQ(sqlBaseConnectionReport(errors).toStdString(),
              "Error #: -1\r\nError: Login failed\r\nSource: [unixODBC][SQLBase]\r\n"
              "SQL State: 28000\r\nNative Error: 1001\r\n\r\n"
              "Error #: -1\r\nError: Database not found\r\nSource: [unixODBC][SQLBase]\r\n"
              "SQL State: 08001\r\nNative Error: -401\r\n\r\n");
    EXPECT_EQ(sqlBaseConnectionReport({}).toStdString(), "");
}

TEST(SqlBaseOpenConnection, OpensWithoutTimeLimitFromTheLoginValues) {
    SqlBaseStand stand;
    auto connection = stand.database.createConnection();
    EXPECT_TRUE(openSqlBaseConnection(*connection, stand.login, stand.messages));
    EXPECT_EQ(connection->state(), ConnectionState::Open);
    EXPECT_EQ(strings(stand.database.connectionStrings()), strings({standConnectionString()}));
    EXPECT_EQ(stand.database.connectionTimeouts(), QList<int>{0});
    EXPECT_EQ(strings(stand.messages.texts()), strings({}));
}

TEST(SqlBaseOpenConnection, FailureShowsTheReportOnceAndLeavesTheConnectionClosed) {
    SqlBaseStand stand;
    DbErrorList errors = FakeDatabase::error("Invalid password", 1002, "28000");
    errors << FakeDatabase::error("Logon refused", 1003, "08004");
    stand.database.failOpen(errors);
    auto connection = stand.database.createConnection();

    EXPECT_FALSE(openSqlBaseConnection(*connection, stand.login, stand.messages));

    EXPECT_EQ(connection->state(), ConnectionState::Closed);
    ASSERT_EQ(stand.messages.shown().size(), 1);
    EXPECT_EQ(stand.messages.shown()[0].text.toStdString(),
              sqlBaseConnectionReport(errors).toStdString());
    EXPECT_EQ(stand.messages.shown()[0].icon, MessageIcon::None);
    EXPECT_EQ(stand.database.openNow(), 0);
}

TEST(SqlBaseOpenConnection, OperationConnectionIsNullAfterAFailedOpen) {
    SqlBaseStand stand;
    auto connection = connectToSqlBase(stand.database, stand.login, stand.messages);
    ASSERT_NE(connection, nullptr);
    EXPECT_EQ(stand.database.openNow(), 1);
    connection.reset();
    EXPECT_EQ(stand.database.openNow(), 0);

    stand.database.failOpen(FakeDatabase::error("Database ORDERSDB not found"));
    EXPECT_EQ(connectToSqlBase(stand.database, stand.login, stand.messages), nullptr);
    EXPECT_EQ(stand.messages.texts().size(), 1);
}

} // namespace
} // namespace quorvex::testing
