// quorvex-audits as a built program, over a real driver: SQLite through ODBC, holding the
// tables the SQLBase catalog functions read (ZOTA_SYSTEM_TABLE, and systriggers and SYSCOLUMNS
// made as SQLBase names their columns), so the program runs its whole path. Here what cannot be
// read; the states and the exit statuses 0 and 4 are told on the engine and on SQLite files.
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

class AuditsToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_odbc = QStringLiteral("DRIVER={SQLite3};Database=") +
                 m_dir.filePath(QStringLiteral("catalog.db"));
        ASSERT_TRUE(m_db.open(m_odbc)) << m_db.errors().value(0).description.toStdString();
        for (const char* statement : {
                 "CREATE TABLE ZOTA_SYSTEM_TABLE (AUDIT_NAME VARCHAR(20), AUDIT_DESCRIPTION "
                 "VARCHAR(200), ENABLED CHAR(1))",
                 "INSERT INTO ZOTA_SYSTEM_TABLE VALUES ('ZOTA_ORDAUD', 'orders', 'Y'), "
                 "('ZOTA_PAY', 'payments', 'N')",
                 "CREATE TABLE systriggers (name VARCHAR(18), TBNAME VARCHAR(18))",
                 "INSERT INTO systriggers VALUES ('ZOTA_ORDAUD', 'ORDERS'), ('ZOTA_PAY', "
                 "'PAYMENTS')",
                 "CREATE TABLE SYSCOLUMNS (TBNAME VARCHAR(18), NAME VARCHAR(18), COLTYPE "
                 "VARCHAR(8), LENGTH INTEGER, SCALE INTEGER)",
                 "INSERT INTO SYSCOLUMNS VALUES ('ORDERS', 'ORDNO', 'INTEGER', 4, 0), ('ORDERS', "
                 "'CITY', 'VARCHAR', 30, 0), ('ZOTA_ORDAUD', 'ORDNO', 'INTEGER', 4, 0), "
                 "('ZOTA_ORDAUD', 'CITY', 'VARCHAR', 30, 0), ('ZOTA_ORDAUD', 'DATE', 'TIMESTMP', "
                 "10, 6), ('ZOTA_ORDAUD', 'USERID', 'VARCHAR', 8, 0), ('PAYMENTS', 'AMOUNT', "
                 "'DECIMAL', 10, 2), ('ZOTA_PAY', 'AMOUNT', 'DECIMAL', 10, 2), ('ZOTA_PAY', "
                 "'DATE', 'TIMESTMP', 10, 6), ('ZOTA_PAY', 'USERID', 'VARCHAR', 8, 0)",
                 "CREATE TABLE ZOTA_ORDAUD (ORDNO INTEGER, CITY VARCHAR(30), DATE TIMESTAMP, "
                 "USERID VARCHAR(8))",
                 "INSERT INTO ZOTA_ORDAUD VALUES (1, 'Paris', '2026-12-01 10:00:00', 'SYSADM'), "
                 "(2, 'Oslo', '2026-12-02 10:00:00', 'SYSADM')",
                 "CREATE TABLE ZOTA_PAY (AMOUNT DECIMAL(10,2), DATE TIMESTAMP, USERID "
                 "VARCHAR(8))",
             })
            m_db.execute(QString::fromLatin1(statement));
    }

    ProgramRun run(QStringList more = {}) {
        return runAudits(QStringList{"--backend", "sqlbase", "--odbc", m_odbc} + more);
    }

    QTemporaryDir m_dir;
    QString m_odbc;
    OdbcConnection m_db;
};

} // namespace

TEST_F(AuditsToolTest, WhatCannotBeReadExitsWithOne) {
    // A count that fails leaves the listing, but not the run, whole.
    m_db.execute("DROP TABLE ZOTA_PAY");
    ProgramRun r = run();
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.startsWith("ZOTA_ORDAUD\tORDERS\tY\t2\tok\nZOTA_PAY\tPAYMENTS\tN\t-\t"))
        << r.out.toStdString();
    EXPECT_TRUE(r.err.contains("no such table: ZOTA_PAY")) << r.err.toStdString();

    m_db.execute("DROP TABLE ZOTA_SYSTEM_TABLE");
    r = run();
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, QString());
    EXPECT_TRUE(r.err.contains("no such table: ZOTA_SYSTEM_TABLE")) << r.err.toStdString();
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
