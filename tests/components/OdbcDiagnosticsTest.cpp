// Diagnostic records: the driver's leading tags become the source.
#include "components/OdbcDiagnostics.h"

#include <gtest/gtest.h>
#include <sqlext.h>

using namespace quorvex;

TEST(OdbcDiagnosticRecords, LeadingTagsBecomeTheSource) {
    const struct {
        SQLRETURN rc;
        const char* state;
        qint32 native;
        const char* message;
        DbErrorRecord record;
    } cases[] = {
        // clang-format off
        {SQL_ERROR, "28000", 18456, "[unixODBC][FreeTDS][SQL Server]Login failed for user 'sa'.",
         {-1, "Login failed for user 'sa'.", "[unixODBC][FreeTDS][SQL Server]", "28000", 18456}},
        {SQL_ERROR, "42S02", 208, " [FreeTDS][SQL Server] Invalid object name '[dbo].[X]'.\n",
         {-1, "Invalid object name '[dbo].[X]'.", "[FreeTDS][SQL Server]", "42S02", 208}},
        {SQL_ERROR, "HY000", 1, "near \"SELEKT\": syntax error",
         {-1, "near \"SELEKT\": syntax error", "ODBC", "HY000", 1}},
        {SQL_ERROR, "HY000", 0, "[unclosed tag", {-1, "[unclosed tag", "ODBC", "HY000", 0}},
        {SQL_INVALID_HANDLE, "HY000", 0, "x", {-2, "x", "ODBC", "HY000", 0}},
        // clang-format on
    };
    for (const auto& c : cases)
        EXPECT_EQ(OdbcDiagnostics::toRecord(c.rc, c.state, c.native, QString::fromUtf8(c.message)),
                  c.record)
            << c.message;
}
