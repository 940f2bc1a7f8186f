// The built quorvex-export and quorvex-audits with the SQLBase statements against a real driver
// (SQLite through ODBC): the file left, what remains in the table, the audits listed; and their
// wrong command lines.
#include "components/DbException.h"
#include "components/OdbcConnection.h"

#include "support/ExportedFiles.h"
#include "support/ProgramRun.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quorvex;
using namespace quorvex::testing;

namespace {

class ExportToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_odbc = QStringLiteral("DRIVER={SQLite3};StepAPI=1;Database=") +
                 m_dir.filePath(QStringLiteral("audits.db"));
        ASSERT_TRUE(m_db.open(m_odbc)) << m_db.errors().value(0).description.toStdString();
        m_db.execute(QStringLiteral("CREATE TABLE ZOTA_ORDERS (ORDER_NO INTEGER, NAME VARCHAR(30), "
                                    "AuditDate TIMESTAMP, UserName VARCHAR(30))"));
        m_db.execute(QStringLiteral(
            "INSERT INTO ZOTA_ORDERS VALUES (1001, 'Smith, John', '2026-12-06 11:38:56', 'sa'),"
            " (1002, NULL, '2026-12-06 11:39:00', 'dbo'), (1003, 'say \"hi\"', "
            "'2026-12-07 08:00:00', 'sa')"));
        m_db.close();
    }

    static ProgramRun run(const QStringList& arguments) {
        return ProgramRun::of(QStringLiteral(QUORVEX_EXPORT_PATH), arguments);
    }

    QStringList exportArgs(const char* format, const QString& file) const {
        return {"--backend",   "sqlbase",  "--audit",
                "ZOTA_ORDERS", "--format", QString::fromLatin1(format),
                "--file",      file,       "--odbc",
                m_odbc};
    }

    qint64 rowsLeft() {
        OdbcConnection c;
        if (!c.open(m_odbc))
            return -1;
        Recordset rs = c.openRecordset(QStringLiteral("SELECT COUNT(*) FROM ZOTA_ORDERS"));
        return rs.value(0).value_or(QStringLiteral("-1")).toLongLong();
    }

    QTemporaryDir m_dir;
    QString m_odbc;
    OdbcConnection m_db;
};

} // namespace

TEST_F(ExportToolTest, CsvWithPurgeWritesEveryRecordThenEmptiesTheTable) {
    const QString file = m_dir.filePath(QStringLiteral("archive.csv"));
    QStringList args = exportArgs("csv", file);
    args << QStringLiteral("--purge");
    const ProgramRun r = run(args);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(fileContents(file).toStdString(), "ORDER_NO,NAME,AuditDate,UserName\r\n"
                                                "1001,\"Smith, John\",2026-12-06 11:38:56,sa\r\n"
                                                "1002,(NULL),2026-12-06 11:39:00,dbo\r\n"
                                                "1003,\"say \"\"hi\"\"\",2026-12-07 08:00:00,sa\r\n"
                                                "\r\n");
    EXPECT_EQ(rowsLeft(), 0);
}

// An audit whose rows cannot be counted is listed without a count, and the run exits with 1.
TEST_F(ExportToolTest, SqlBaseAuditsAreListedAndWhatCannotBeReadExitsWithOne) {
    ASSERT_TRUE(m_db.open(m_odbc));
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
        m_db.execute(QString::fromLatin1(statement));
    const QStringList arguments{"--backend", "sqlbase", "--odbc", m_odbc};
    ProgramRun r = ProgramRun::of(QStringLiteral(QUORVEX_AUDITS_PATH), arguments);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "ZOTA_ORDAUD\tORDERS\tY\t1\tok\n");

    m_db.execute(QStringLiteral("DROP TABLE ZOTA_ORDAUD"));
    r = ProgramRun::of(QStringLiteral(QUORVEX_AUDITS_PATH), arguments);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.startsWith("ZOTA_ORDAUD\tORDERS\tY\t-\t")) << r.out.toStdString();
    EXPECT_TRUE(r.err.contains("no such table: ZOTA_ORDAUD")) << r.err.toStdString();
}

TEST(BuiltTools, AWrongCommandLineExitsWithTwoAndAClosedPortWithOne) {
    ProgramRun r =
        ProgramRun::of(QStringLiteral(QUORVEX_EXPORT_PATH),
                       {"--backend", "sqlserver", "--audit", "Orders", "--format", "csv"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, QStringLiteral("quorvex-export: --file is required.\n"
                                    "Try quorvex-export --help.\n"));
    const QStringList closedPort{"--backend", "sqlserver", "--server", "127.0.0.1,9"};
    r = ProgramRun::of(QStringLiteral(QUORVEX_AUDITS_PATH), closedPort);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, QStringLiteral("quorvex-audits: SQL Server needs --server, --user and "
                                    "--database (or --odbc).\nTry quorvex-audits --help.\n"));
    // Nothing listens on port 9 of the loopback: the connection fails, and says so.
    r = ProgramRun::of(QStringLiteral(QUORVEX_AUDITS_PATH),
                       closedPort +
                           QStringList{"--user", "sa", "--password", "x", "--database", "Sales"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.startsWith("The connection could not be opened:")) << r.err.toStdString();
}
