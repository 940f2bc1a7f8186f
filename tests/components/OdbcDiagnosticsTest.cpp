// Diagnostic records: the driver's tags become the source, every record is kept in order.
#include "components/OdbcDiagnostics.h"
#include "components/DbException.h"
#include "components/OdbcConnectionHandle.h"
#include "components/OdbcEnvironmentHandle.h"
#include "components/OdbcEnvironmentProbe.h"

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

TEST(OdbcDiagnosticRecords, CheckPassesEveryOutcomeButFailure) {
    for (const SQLRETURN rc : {SQL_SUCCESS, SQL_SUCCESS_WITH_INFO, SQL_NO_DATA})
        EXPECT_EQ(OdbcDiagnostics::check(rc, SQL_HANDLE_ENV, SQL_NULL_HANDLE), rc);
    try {
        OdbcDiagnostics::check(SQL_ERROR, SQL_HANDLE_ENV, SQL_NULL_HANDLE);
        ADD_FAILURE() << "no exception";
    } catch (const DbException& e) {
        EXPECT_EQ(e.errors(), (DbErrorList{{-1, "The ODBC call failed without a diagnostic record.",
                                            "ODBC", "HY000", 0}}));
    }
}

TEST(OdbcDiagnosticRecords, CheckThrowsWhatCollectReads) {
    // A failed connect leaves records on the connection handle; check() hands on exactly those.
    OdbcConnectionHandle connection(OdbcEnvironmentHandle::shared());
    const SQLRETURN rc = SQLDriverConnectW(
        connection.handle(), nullptr,
        reinterpret_cast<SQLWCHAR*>(const_cast<char16_t*>(u"DRIVER={NoSuchDriver}")), SQL_NTS,
        nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    ASSERT_EQ(rc, SQL_ERROR);
    const DbErrorList collected = OdbcDiagnostics::collect(rc, SQL_HANDLE_DBC, connection.handle());
    ASSERT_FALSE(collected.isEmpty());
    EXPECT_EQ(collected[0].source, QStringLiteral("[unixODBC][Driver Manager]"));
    try {
        OdbcDiagnostics::check(rc, SQL_HANDLE_DBC, connection.handle());
        ADD_FAILURE() << "no exception";
    } catch (const DbException& e) {
        EXPECT_EQ(e.errors(), collected);
    }
}

TEST(OdbcEnvironmentProbing, FreeTdsConfNamedByTheEnvironmentComesFirst) {
    qputenv("FREETDSCONF", "/some/where/freetds.conf");
    const QStringList files = OdbcEnvironmentProbe::freeTdsConfigFiles();
    qunsetenv("FREETDSCONF");
    ASSERT_EQ(files.size(), 3);
    EXPECT_EQ(files[0], QStringLiteral("/some/where/freetds.conf"));
    EXPECT_TRUE(files[1].endsWith(QStringLiteral("/.freetds.conf")));
    EXPECT_EQ(files[2], QStringLiteral("/etc/freetds/freetds.conf"));
}

TEST(OdbcEnvironmentProbing, InstalledDriversAreListed) {
    // The SQLite and FreeTDS drivers are part of the machine's set-up.
    const QStringList drivers = OdbcEnvironmentProbe::read().drivers;
    EXPECT_TRUE(drivers.contains("SQLite3") && drivers.contains("FreeTDS"))
        << drivers.join(',').toStdString();
}
