// What quorvex-sql prints, run unchanged on the engine named in QUORVEX_TEST_MSSQL.
#include "EngineTest.h"

#include "components/ConnectionString.h"
#include "components/OdbcConnectionFactory.h"
#include "components/OdbcEnvironmentProbe.h"
#include "support/ProgramRun.h"

#include <QRegularExpression>

namespace quorvex::testing {
namespace {

class CompanionOnTheEngine : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        if (notReady())
            return;
        m_table = m_db->uniqueName("Co");
        ASSERT_EQ(
            m_db->createTable({}, m_table, "ID int NOT NULL PRIMARY KEY, CITY nvarchar(20) NULL"),
            QString());
    }

    // Installs what quorvex-sql prints for the definition, statement by statement as the GO
    // lines divide them; the audit's name.
    QString install(const char* word, const QByteArray& rest, const QByteArray& moreColumns = {}) {
        const QString audit = m_db->uniqueName(QString::fromLatin1(word));
        m_db->removeAtEnd(audit);
        const QByteArray input =
            R"({"engine": ")" + QByteArray(m_db->isBabelfish() ? "babelfish" : "sqlserver") +
            R"(", "table": ")" + m_table.toUtf8() + R"(", "name": ")" + audit.toUtf8() +
            R"(", "columns": [{"name": "ID", "type": "int", "precision": 10, "primaryKey": true},
                              {"name": "CITY", "type": "nvarchar", "length": 20})" +
            moreColumns + "], " + rest;
        const ProgramRun script = ProgramRun::of(QStringLiteral(QUORVEX_SQL_PROGRAM), {}, input);
        EXPECT_EQ(script.exitCode, 0) << script.err.toStdString();
        const QStringList statements =
            script.out.split(QRegularExpression("\r\nGO\r\n"), Qt::SkipEmptyParts);
        EXPECT_GE(statements.size(), 3) << script.out.toStdString();
        for (const QString& statement : statements)
            EXPECT_EQ(m_db->run(statement), QString()) << statement.toStdString();
        return audit;
    }
    void run(const QStringList& statements) {
        for (const QString& statement : statements)
            EXPECT_EQ(m_db->run(statement.arg(m_table)), QString()) << statement.toStdString();
    }

    QString m_table;
};

// The login, host and application are those of the connection that changed the rows.
TEST_F(CompanionOnTheEngine, WhoColumnsRecordTheLoginHostAndApplicationOfTheChangingConnection) {
    const QString audit = install("W", R"("kind": "insert", "chosen": ["ID"], "who": true})");
    const SqlServerLoginValues& login = m_db->login();
    const OdbcConnectTarget odbc =
        mapToOdbc(buildSqlServerConnectionString(login), OdbcEnvironmentProbe::cached());
    std::unique_ptr<IConnection> application = OdbcConnectionFactory().createConnection();
    ASSERT_TRUE(application->open(odbc.connectionString + ";APP=QvxLedger;WSID=qvx-till-7"))
        << application->errors().value(0).description.toStdString();
    application->execute("INSERT INTO " + m_table + " VALUES (1, N'a'), (2, N'b')");
    application->close();
    EXPECT_EQ(m_db->rows("SELECT ID, LoginName, HostName, AppName FROM tblZOTA_" + audit +
                         " ORDER BY ID"),
              (QStringList{"1|" + login.user + "|qvx-till-7|QvxLedger",
                           "2|" + login.user + "|qvx-till-7|QvxLedger"}));
}

// Multi-row updates, NULLs both ways and a change of letter case; with no field chosen every
// audited column is watched.
TEST_F(CompanionOnTheEngine, ChangedValuesOnlyRecordsTheRowsWhoseWatchedValuesChanged) {
    ASSERT_EQ(m_db->run("ALTER TABLE " + m_table + " ADD QTY int NULL"), QString());
    const QByteArray qty = R"(, {"name": "QTY", "type": "int", "precision": 10})";
    const QString watched = install("C", R"("kind": "update", "chosen": ["ID", "CITY"],
        "saveOld": ["CITY"], "changedFields": ["CITY"], "changedValuesOnly": true})",
                                    qty);
    const QString all = install("A", R"("kind": "update", "chosen": ["ID", "CITY", "QTY"],
        "changedValuesOnly": true})",
                                qty);
    run({"INSERT INTO %1 VALUES (1, N'Łódź', 1), (2, NULL, 2), (3, N'abc', 3), (4, N'x', NULL)",
         "UPDATE %1 SET CITY = CASE ID WHEN 2 THEN N'new' WHEN 3 THEN N'ABC' WHEN 4 THEN NULL "
         "ELSE CITY END",
         "UPDATE %1 SET QTY = CASE ID WHEN 4 THEN 5 ELSE QTY END",
         "UPDATE %1 SET CITY = CITY, QTY = QTY"});
    EXPECT_EQ(m_db->rows("SELECT ID, CITY, oldCITY FROM tblZOTA_" + watched + " ORDER BY ID"),
              (QStringList{"2|new|NULL", "3|ABC|abc", "4|NULL|x"}));
    EXPECT_EQ(m_db->rows("SELECT ID, CITY, QTY FROM tblZOTA_" + all + " ORDER BY ID, QTY"),
              (QStringList{"2|new|2", "3|ABC|3", "4|NULL|NULL", "4|NULL|5"}));
}

} // namespace
} // namespace quorvex::testing
