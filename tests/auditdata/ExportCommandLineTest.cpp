// quorvex-export's arguments: the mistakes it refuses to start with (the runs of the program
// take the arguments that make a run).
#include "auditdata/ExportCommandLine.h"

#include <gtest/gtest.h>

using namespace quorvex;

namespace {

ExportCommandLine::Parsed parse(QStringList args) {
    args.prepend(QStringLiteral("quorvex-export"));
    return ExportCommandLine::parse(args);
}

} // namespace

TEST(ExportCommandLine, MistakesAreRefusedWithTheReason) {
    const QStringList base{"--audit", "Orders", "--format", "csv",
                           "--file",  "f",      "--odbc",   "DSN=x"};
    struct Case {
        QStringList args;
        const char* error;
    };
    const std::vector<Case> cases{
        {base, "--backend is required (sqlserver, sqlbase or sqlite)."},
        {{"--backend", "sqlserver", "--audit", "x;drop", "--format", "csv", "--file", "f", "--odbc",
          "DSN=x"},
         "Invalid audit name: x;drop (letters, digits and _ only)."},
        {{"--backend", "sqlserver", "--audit", "Orders", "--format", "csv", "--file", "f",
          "--server", "s"},
         "SQL Server needs --server, --user and --database (or --odbc)."},
        {QStringList{"--backend", "sqlserver", "--user", "sa"} + base,
         "Give either --odbc or the login options, not both."},
        {{"--backend", "sqlbase", "--audit", "ZOTA_X", "--format", "csv", "--file", "f",
          "--database", "D", "--user", "sa"},
         "SQLBase takes --database and --password only; the user is SYSADM."},
        {{"--backend", "sqlite", "--audit", "Orders", "--format", "csv", "--file", "f",
          "--database", "/srv/a.db", "--password", "pw"},
         "SQLite takes --database FILE only; it has no users or passwords."},
        {QStringList{"--backend", "sqlserver", "--older-than", "0"} + base,
         "--older-than needs a whole number of days from 1 to 36500: 0"},
        {QStringList{"--backend", "sqlserver", "--older-than", "36501"} + base,
         "--older-than needs a whole number of days from 1 to 36500: 36501"},
    };
    for (const Case& c : cases) {
        const auto p = parse(c.args);
        EXPECT_EQ(p.outcome, ExportCommandLine::Outcome::UsageError) << c.error;
        EXPECT_EQ(p.error, QString::fromUtf8(c.error)) << c.args.join(' ').toStdString();
    }
}
