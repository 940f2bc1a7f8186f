// The SQL Server connection string of the login values and the report of a failed open (its
// use is tested where a save or a read opens a connection).
#include "sqlserver/SqlServerConnection.h"
#include "support/FakeDatabase.h"

#include <gtest/gtest.h>

namespace quorvex {
namespace {

using testing::FakeDatabase;

TEST(SqlServerConnectionString, PutsTheLoginValuesInTheProvidersOrder) {
    EXPECT_EQ(QStringLiteral("Provider=SQLOLEDB.1;Password=secret;Persist Security Info=True;"
                             "User ID=sa;Initial Catalog=Sales;Data Source=DBHOST\\SQLEXPRESS"),
              buildSqlServerConnectionString({"DBHOST\\SQLEXPRESS", "sa", "secret", "Sales"}));
    // An empty value leaves its key followed directly by the next ";".
    EXPECT_EQ(QStringLiteral("Provider=SQLOLEDB.1;Password=;Persist Security Info=True;User ID=sa;"
                             "Initial Catalog=;Data Source=DBHOST"),
              buildSqlServerConnectionString({"DBHOST", "sa", "", ""}));
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

} // namespace
} // namespace quorvex
