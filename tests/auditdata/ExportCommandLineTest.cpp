// quorvex-export's arguments: what a run is made of, and the mistakes it refuses to start with.
#include "auditdata/ExportCommandLine.h"

#include <gtest/gtest.h>

using namespace quorvex;

namespace {

ExportCommandLine::Parsed parse(QStringList args) {
    args.prepend(QStringLiteral("quorvex-export"));
    return ExportCommandLine::parse(args);
}

} // namespace

TEST(ExportCommandLine, SqlServerLoginValuesAndPurge) {
    const auto p = parse({"--backend", "sqlserver", "--audit", "Orders", "--format", "xlsx",
                          "--file", "/srv/a/orders.xlsx", "--purge", "--server", "db1\\SQL",
                          "--user", "sa", "--password", "pw;x", "--database", "Sales"});
    ASSERT_EQ(p.outcome, ExportCommandLine::Outcome::Run) << p.error.toStdString();
    ExportCommand expected;
    expected.store = AuditStore::SqlServer;
    expected.audit = "Orders";
    expected.format = ExportFormat::Xlsx;
    expected.file = "/srv/a/orders.xlsx";
    expected.purge = PurgeAfterExport::Yes;
    expected.server = "db1\\SQL";
    expected.user = "sa";
    expected.password = "pw;x";
    expected.database = "Sales";
    EXPECT_EQ(p.command, expected);
    EXPECT_FALSE(p.command.olderThanDays.has_value());
}

TEST(ExportCommandLine, OlderThanTakesWholeDays) {
    const auto p = parse({"--backend", "sqlserver", "--audit", "Orders", "--format", "csv",
                          "--file", "f", "--purge", "--older-than", "90", "--odbc", "DSN=x"});
    ASSERT_EQ(p.outcome, ExportCommandLine::Outcome::Run) << p.error.toStdString();
    EXPECT_EQ(p.command.olderThanDays, 90);
    EXPECT_EQ(p.command.odbc, QStringLiteral("DSN=x"));
}

TEST(ExportCommandLine, SqlBaseWithPasswordFileAndNoPurge) {
    const auto p = parse({"--backend", "SQLBASE", "--audit", "ZOTA_ORDERS", "--format", "CSV",
                          "--file", "out", "--database", "ISLAND", "--password-file", "/run/pw"});
    ASSERT_EQ(p.outcome, ExportCommandLine::Outcome::Run) << p.error.toStdString();
    EXPECT_EQ(p.command.store, AuditStore::SqlBase);
    EXPECT_EQ(p.command.format, ExportFormat::Csv);
    EXPECT_EQ(p.command.file, QStringLiteral("out"));
    EXPECT_EQ(p.command.purge, PurgeAfterExport::No);
    EXPECT_EQ(p.command.passwordFile, QStringLiteral("/run/pw"));
    EXPECT_EQ(p.command.password, QString());
}

TEST(ExportCommandLine, SqliteTakesTheDatabaseFile) {
    const auto p = parse({"--backend", "sqlite", "--audit", "Orders", "--format", "xml", "--file",
                          "out.xml", "--database", "/srv/shop.db", "--purge"});
    ASSERT_EQ(p.outcome, ExportCommandLine::Outcome::Run) << p.error.toStdString();
    EXPECT_EQ(p.command.store, AuditStore::Sqlite);
    EXPECT_EQ(p.command.database, QStringLiteral("/srv/shop.db"));
    EXPECT_EQ(p.command.purge, PurgeAfterExport::Yes);
}

TEST(ExportCommandLine, MistakesAreRefusedWithTheReason) {
    const QStringList base{"--audit", "Orders", "--format", "csv",
                           "--file",  "f",      "--odbc",   "DSN=x"};
    struct Case {
        QStringList args;
        const char* error;
    };
    const std::vector<Case> cases{
        {base, "--backend is required (sqlserver, sqlbase or sqlite)."},
        {QStringList{"--backend", "oracle"} + base,
         "Unknown back end: oracle (sqlserver, sqlbase or sqlite)."},
        {{"--backend", "sqlserver", "--format", "csv", "--file", "f", "--odbc", "DSN=x"},
         "--audit is required."},
        {{"--backend", "sqlserver", "--audit", "x;drop", "--format", "csv", "--file", "f", "--odbc",
          "DSN=x"},
         "Invalid audit name: x;drop (letters, digits and _ only)."},
        {{"--backend", "sqlserver", "--audit", "Orders", "--format", "pdf", "--file", "f", "--odbc",
          "DSN=x"},
         "Unknown format: pdf (csv, xml or xlsx)."},
        {{"--backend", "sqlserver", "--audit", "Orders", "--format", "csv", "--odbc", "DSN=x"},
         "--file is required."},
        {{"--backend", "sqlserver", "--audit", "Orders", "--format", "csv", "--file", "f",
          "--server", "s"},
         "SQL Server needs --server, --user and --database (or --odbc)."},
        {QStringList{"--backend", "sqlserver", "--user", "sa"} + base,
         "Give either --odbc or the login options, not both."},
        {{"--backend", "sqlbase", "--audit", "ZOTA_X", "--format", "csv", "--file", "f",
          "--database", "D", "--user", "sa"},
         "SQLBase takes --database and --password only; the user is SYSADM."},
        {{"--backend", "sqlbase", "--audit", "ZOTA_X", "--format", "csv", "--file", "f",
          "--database", "D", "--password", "a", "--password-file", "b"},
         "Give either --password or --password-file, not both."},
        {QStringList{"--backend", "sqlserver", "stray"} + base, "Unexpected argument: stray"},
        {{"--backend", "sqlite", "--audit", "Orders", "--format", "csv", "--file", "f",
          "--database", "/srv/a.db", "--password", "pw"},
         "SQLite takes --database FILE only; it has no users or passwords."},
        {{"--backend", "sqlite", "--audit", "Orders", "--format", "csv", "--file", "f"},
         "SQLite needs --database FILE (or --odbc)."},
        {QStringList{"--backend", "sqlserver", "--older-than", "0"} + base,
         "--older-than needs a whole number of days from 1 to 36500: 0"},
        {QStringList{"--backend", "sqlserver", "--older-than", "1.5"} + base,
         "--older-than needs a whole number of days from 1 to 36500: 1.5"},
        {QStringList{"--backend", "sqlserver", "--older-than", "36501"} + base,
         "--older-than needs a whole number of days from 1 to 36500: 36501"},
    };
    for (const Case& c : cases) {
        const auto p = parse(c.args);
        EXPECT_EQ(p.outcome, ExportCommandLine::Outcome::UsageError) << c.error;
        EXPECT_EQ(p.error, QString::fromUtf8(c.error)) << c.args.join(' ').toStdString();
    }
}
