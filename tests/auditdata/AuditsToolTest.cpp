// quorvex-audits as a built program: on SQLBase over a real driver (SQLite through ODBC, holding
// the catalog tables as SQLBase names their columns), a wrong command line, and a server that
// cannot be reached. The states are told on the engine and on SQLite files.
#include "components/OdbcConnection.h"

#include "support/ProgramRun.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quorvex;
using quorvex::testing::ProgramRun;

namespace {

ProgramRun runAudits(const QStringList& arguments) {
    return ProgramRun::of(QStringLiteral(QUORVEX_AUDITS_PATH), arguments);
}

} // namespace

// An audit whose rows cannot be counted is listed without a count, and the run exits with 1.
TEST(AuditsTool, SqlBaseAuditsAreListedAndWhatCannotBeReadExitsWithOne) {
    QTemporaryDir dir;
    const QString odbc = "DRIVER={SQLite3};Database=" + dir.filePath(QStringLiteral("c.db"));
    OdbcConnection db;
    ASSERT_TRUE(db.open(odbc)) << db.errors().value(0).description.toStdString();
    for (const char* statement : {
             "CREATE TABLE ZOTA_SYSTEM_TABLE (AUDIT_NAME VARCHAR(20), AUDIT_DESCRIPTION "
             "VARCHAR(200), ENABLED CHAR(1))",
             "INSERT INTO ZOTA_SYSTEM_TABLE VALUES ('ZOTA_ORDAUD', 'orders', 'Y')",
             "CREATE TABLE systriggers (name VARCHAR(18), TBNAME VARCHAR(18))",
             "INSERT INTO systriggers VALUES ('ZOTA_ORDAUD', 'ORDERS')",
             "CREATE TABLE SYSCOLUMNS (TBNAME VARCHAR(18), NAME VARCHAR(18), COLTYPE VARCHAR(8), "
             "LENGTH INTEGER, SCALE INTEGER)",
             "INSERT INTO SYSCOLUMNS VALUES ('ORDERS', 'ORDNO', 'INTEGER', 4, 0), ('ZOTA_ORDAUD', "
             "'ORDNO', 'INTEGER', 4, 0), ('ZOTA_ORDAUD', 'DATE', 'TIMESTMP', 10, 6), "
             "('ZOTA_ORDAUD', 'USERID', 'VARCHAR', 8, 0)",
             "CREATE TABLE ZOTA_ORDAUD (ORDNO INTEGER, DATE TIMESTAMP, USERID VARCHAR(8))",
             "INSERT INTO ZOTA_ORDAUD VALUES (1, '2026-12-01 10:00:00', 'SYSADM')",
         })
        db.execute(QString::fromLatin1(statement));
    const QStringList arguments{"--backend", "sqlbase", "--odbc", odbc};
    ProgramRun r = runAudits(arguments);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "ZOTA_ORDAUD\tORDERS\tY\t1\tok\n");

    db.execute(QStringLiteral("DROP TABLE ZOTA_ORDAUD"));
    r = runAudits(arguments);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.startsWith("ZOTA_ORDAUD\tORDERS\tY\t-\t")) << r.out.toStdString();
    EXPECT_TRUE(r.err.contains("no such table: ZOTA_ORDAUD")) << r.err.toStdString();
}

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
