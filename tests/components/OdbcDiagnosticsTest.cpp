// Diagnostic records: the driver's tags become the source, every record is kept in order.
#include "components/OdbcDiagnostics.h"
#include "components/DbException.h"
#include "components/OdbcConnectionHandle.h"
#include "components/OdbcEnvironmentHandle.h"
#include "components/OdbcEnvironmentProbe.h"

#include <gtest/gtest.h>
#include <sqlext.h>

using namespace quorvex;

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

DbErrorRecord record(qint32 number, const char* description, const char* source,
                     const char* sqlState, qint32 nativeError) {
    return DbErrorRecord{number, QString::fromUtf8(description), QString::fromUtf8(source),
                         QString::fromUtf8(sqlState), nativeError};
}

} // namespace

TEST(OdbcDiagnosticRecords, LeadingTagsBecomeTheSource) {
    EXPECT_EQ(OdbcDiagnostics::toRecord(SQL_ERROR, QStringLiteral("28000"), 18456,
                                        QStringLiteral("[unixODBC][FreeTDS][SQL Server]Login "
                                                       "failed for user 'sa'.")),
              record(-1, "Login failed for user 'sa'.", "[unixODBC][FreeTDS][SQL Server]", "28000",
                     18456));
}

TEST(OdbcDiagnosticRecords, DescriptionIsTrimmedAndKeepsLaterBrackets) {
    EXPECT_EQ(
        OdbcDiagnostics::toRecord(SQL_ERROR, QStringLiteral("42S02"), 208,
                                  QStringLiteral(" [FreeTDS][SQL Server] Invalid object "
                                                 "name '[dbo].[X]'.\n")),
        record(-1, "Invalid object name '[dbo].[X]'.", "[FreeTDS][SQL Server]", "42S02", 208));
}

TEST(OdbcDiagnosticRecords, MessageWithoutTagsComesFromOdbc) {
    EXPECT_EQ(OdbcDiagnostics::toRecord(SQL_ERROR, QStringLiteral("HY000"), 1,
                                        QStringLiteral("near \"SELEKT\": syntax error")),
              record(-1, "near \"SELEKT\": syntax error", "ODBC", "HY000", 1));
    EXPECT_EQ(OdbcDiagnostics::toRecord(SQL_ERROR, QStringLiteral("HY000"), 0,
                                        QStringLiteral("[unclosed tag")),
              record(-1, "[unclosed tag", "ODBC", "HY000", 0));
}

TEST(OdbcDiagnosticRecords, NumberIsTheFailingCallsReturnCode) {
    EXPECT_EQ(OdbcDiagnostics::toRecord(SQL_INVALID_HANDLE, QStringLiteral("HY000"), 0,
                                        QStringLiteral("x"))
                  .number,
              -2);
}

TEST(OdbcDiagnosticRecords, CheckPassesEveryOutcomeButFailure) {
    for (const SQLRETURN rc : {SQL_SUCCESS, SQL_SUCCESS_WITH_INFO, SQL_NO_DATA})
        EXPECT_EQ(OdbcDiagnostics::check(rc, SQL_HANDLE_ENV, SQL_NULL_HANDLE), rc);
}

TEST(OdbcDiagnosticRecords, FailureWithoutRecordsStillSaysSomething) {
    try {
        OdbcDiagnostics::check(SQL_ERROR, SQL_HANDLE_ENV, SQL_NULL_HANDLE);
        FAIL() << "no exception";
    } catch (const DbException& e) {
        ASSERT_EQ(e.errors().size(), 1);
        EXPECT_EQ(e.errors()[0], record(-1, "The ODBC call failed without a diagnostic record.",
                                        "ODBC", "HY000", 0));
    }
}

TEST(OdbcDiagnosticRecords, CheckThrowsWhatCollectReads) {
    // A failed connect leaves records on the connection handle; reading them twice gives the
    // same list, so check() hands on exactly what the handle holds.
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
        FAIL() << "no exception";
    } catch (const DbException& e) {
        EXPECT_EQ(e.errors(), collected);
    }
}

// --- what the machine offers -------------------------------------------------------------------

TEST(OdbcEnvironmentProbing, FreeTdsConfSectionsAreServerNames) {
    const QString conf = QStringLiteral("[global]\n"
                                        "\ttds version = auto\n"
                                        "; [commented]\n"
                                        "# [also commented]\n"
                                        "[ProdServer]\n"
                                        "\thost = db.example.com\n"
                                        "  [ egServer73 ]  \r\n"
                                        "[prodserver]\n");
    EXPECT_EQ(OdbcEnvironmentProbe::freeTdsServerNames(conf),
              (QStringList{QStringLiteral("ProdServer"), QStringLiteral("egServer73")}));
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
    const OdbcEnvironmentInfo info = OdbcEnvironmentProbe::read();
    EXPECT_TRUE(info.drivers.contains(QStringLiteral("SQLite3")))
        << info.drivers.join(QLatin1Char(',')).toStdString();
    EXPECT_TRUE(info.drivers.contains(QStringLiteral("FreeTDS")))
        << info.drivers.join(QLatin1Char(',')).toStdString();
}
