// quorvex-audits as a built program: a wrong command line exits with 2, a server that cannot be
// reached with 1 (the states and the exit statuses 0 and 4 are told on the engine and on SQLite
// files).
#include "support/ProgramRun.h"

#include <gtest/gtest.h>

using namespace quorvex;
using quorvex::testing::ProgramRun;

namespace {

ProgramRun runAudits(const QStringList& arguments) {
    return ProgramRun::of(QStringLiteral(QUORVEX_AUDITS_PATH), arguments);
}

} // namespace

TEST(AuditsTool, AWrongCommandLineExitsWithTwoAndAClosedPortWithOne) {
    ProgramRun r = runAudits({"--backend", "sqlserver", "--server", "127.0.0.1,9"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, QStringLiteral("quorvex-audits: SQL Server needs --server, --user and "
                                    "--database (or --odbc).\nTry quorvex-audits --help.\n"));
    // Nothing listens on port 9 of the loopback: the connection fails, and says so.
    r = runAudits({"--backend", "sqlserver", "--server", "127.0.0.1,9", "--user", "sa",
                   "--password", "x", "--database", "Sales"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.startsWith("The connection could not be opened:")) << r.err.toStdString();
}
