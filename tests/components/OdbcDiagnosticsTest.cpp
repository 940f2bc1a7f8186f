// Diagnostic records: the driver's leading tags become the source; lock time-outs are known
// from every other failure.
#include "components/OdbcDiagnostics.h"
#include "components/DbException.h"
#include "components/LockTimeout.h"

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
        {SQL_ERROR, "42S02", 208, " [FreeTDS][SQL Server] Invalid object name '[dbo].[X]'.\n",
         {-1, "Invalid object name '[dbo].[X]'.", "[FreeTDS][SQL Server]", "42S02", 208}},
        {SQL_ERROR, "HY000", 0, "[unclosed tag", {-1, "[unclosed tag", "ODBC", "HY000", 0}},
        {SQL_INVALID_HANDLE, "HY000", 0, "x", {-2, "x", "ODBC", "HY000", 0}},
        // clang-format on
    };
    for (const auto& c : cases)
        EXPECT_EQ(OdbcDiagnostics::toRecord(c.rc, c.state, c.native, QString::fromUtf8(c.message)),
                  c.record)
            << c.message;
}

TEST(LockTimeouts, AreToldApartFromOtherFailures) {
    const struct {
        qint32 native;
        const char* message;
        bool lockTimeout;
    } cases[] = {
        {1222, "", true}, // the number alone, whatever the server's language
        {33557097, "canceling statement due to lock timeout", true},
        {0, "Timed out waiting for a lock on ZOTA_ORDERS", true},
        {33557097, "relation \"tblzota_x\" does not exist", false}, // the engine's generic number
        {1205, "Transaction was deadlocked on lock resources with another process", false},
        {0, "Query timeout expired", false},
    };
    for (const auto& c : cases) {
        DbErrorRecord record{-1, QString::fromUtf8(c.message), "[FreeTDS][SQL Server]", "HY000",
                             c.native};
        EXPECT_EQ(isLockTimeout({record}), c.lockTimeout) << c.message;
        EXPECT_EQ(DbException({record}).isLockTimeout(), c.lockTimeout) << c.message;
    }
}

TEST(DbExceptions, DescribeEveryRecordOnALineOfItsOwn) {
    const DbErrorList records{
        {-1, "There is already an object named 'T'.", "[FreeTDS]", "42S01", 2714},
        {-1, "The statement has been terminated.", "[FreeTDS]", "01000", 3621}};
    EXPECT_EQ(
        DbException(records).description(),
        QString("There is already an object named 'T'.\r\nThe statement has been terminated."));
}
