// quorvex-export end to end: the program itself against a real driver (SQLite through ODBC,
// with the SQLBase statements: a read and a counted delete in one serializable transaction),
// the file it leaves and what remains in the table.
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

TEST_F(ExportToolTest, UsageErrorsExitWithTwoAndSayWhy) {
    const ProgramRun r = run({"--backend", "sqlserver", "--audit", "Orders", "--format", "csv"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, QStringLiteral("quorvex-export: --file is required.\n"
                                    "Try quorvex-export --help.\n"));
}
