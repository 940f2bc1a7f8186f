// The statements quorvex-sql prints, run unchanged on a real server named in QUORVEX_TEST_MSSQL
// (server|user|password|database), with the engine key the server asks for: each kind of audit
// records exactly the rows single- and multi-row statements should give it.
#include "components/ConnectionString.h"
#include "components/DbException.h"
#include "components/OdbcConnectionFactory.h"
#include "components/OdbcEnvironmentProbe.h"
#include "components/Recordset.h"
#include "sqlserver/SqlServerConnection.h"
#include "sqlserver/SqlServerManager.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace quorvex {
namespace {

QByteArray companionScript(const QByteArray& input) {
    QProcess process;
    process.start(QStringLiteral(QUORVEX_SQL_PROGRAM), {});
    process.waitForStarted();
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(-1);
    EXPECT_EQ(0, process.exitCode()) << process.readAllStandardError().toStdString();
    return process.readAllStandardOutput();
}

class CompanionOnTheEngine : public ::testing::Test {
protected:
    void SetUp() override {
        const QStringList target = qEnvironmentVariable("QUORVEX_TEST_MSSQL").split(u'|');
        if (target.size() != 4)
            GTEST_SKIP() << "QUORVEX_TEST_MSSQL is not set (server|user|password|database)";
        m_db = m_factory.createConnection();
        ASSERT_TRUE(m_db->open(
            buildSqlServerConnectionString({target[0], target[1], target[2], target[3]})));
        Recordset engine = m_db->openRecordset(SqlServerManager::engineStatement());
        m_engine = !engine.eof() && engine.value(0).value_or(QString()).trimmed() == "1"
                       ? "babelfish"
                       : "sqlserver";
        m_table = QStringLiteral("QvxCo%1").arg(QCoreApplication::applicationPid());
        run("CREATE TABLE " + m_table + " (ID int NOT NULL PRIMARY KEY, CITY nvarchar(20) NULL)");
        if (run("SELECT 1 FROM tblZOTA_SYSTEM_TABLE WHERE 1 = 0").isEmpty() == false)
            run("CREATE TABLE [tblZOTA_SYSTEM_TABLE] ([AUDIT_NAME] [VARCHAR](20) NOT NULL , "
                "[AUDIT_DESCRIPTION] [VARCHAR] (200) NULL , [ENABLED] [CHAR] (1) NOT NULL, "
                "[TRIGGERTABLE] [CHAR] (100) NOT NULL)");
    }

    void TearDown() override {
        if (!m_db)
            return;
        for (const QString& audit : std::as_const(m_audits)) {
            run("DROP TRIGGER trgZOTA_" + audit);
            run("DROP TABLE tblZOTA_" + audit);
            run("DELETE FROM tblZOTA_SYSTEM_TABLE WHERE AUDIT_NAME = '" + audit + "'");
        }
        run("DROP TABLE " + m_table);
    }

    // The server's refusal, empty when it ran.
    QString run(const QString& statement) {
        try {
            m_db->execute(statement);
            return {};
        } catch (const DbException& e) {
            return e.description();
        }
    }

    // Installs what quorvex-sql prints for the definition, statement by statement as the GO
    // lines divide them.
    void install(const QString& audit, const QByteArray& rest, const QByteArray& moreColumns = {}) {
        m_audits << audit;
        const QByteArray input =
            R"({"engine": ")" + m_engine.toUtf8() + R"(", "table": ")" + m_table.toUtf8() +
            R"(", "name": ")" + audit.toUtf8() +
            R"(", "columns": [{"name": "ID", "type": "int", "precision": 10, "primaryKey": true},
                                      {"name": "CITY", "type": "nvarchar", "length": 20})" +
            moreColumns + "], " + rest;
        const QString script = QString::fromUtf8(companionScript(input));
        const QStringList statements =
            script.split(QRegularExpression("\r\nGO\r\n"), Qt::SkipEmptyParts);
        ASSERT_GE(statements.size(), 3) << script.toStdString();
        for (const QString& statement : statements)
            ASSERT_EQ(QString(), run(statement)) << statement.toStdString();
    }

    QStringList rows(const QString& query) {
        QStringList result;
        Recordset rs = m_db->openRecordset(query);
        for (; !rs.eof(); rs.moveNext()) {
            QStringList cells;
            for (int i = 0; i < rs.fieldCount(); ++i)
                cells << rs.value(i).value_or("NULL").trimmed();
            result << cells.join(u'|');
        }
        return result;
    }

    OdbcConnectionFactory m_factory;
    std::unique_ptr<IConnection> m_db;
    QString m_engine;
    QString m_table;
    QStringList m_audits;
};

TEST_F(CompanionOnTheEngine, EachKindOfAuditRecordsExactlyItsRows) {
    const QString stem = QStringLiteral("Co%1").arg(QCoreApplication::applicationPid() % 100000);
    install(stem + "I", R"("kind": "insert", "chosen": ["ID", "CITY"], "mode": "only-when",
                          "conditions": [{"column": "CITY", "op": "=", "value": "Łódź"},
                                         {"column": "ID", "op": ">", "value": "10"}],
                          "connective": "OR"})");
    install(stem + "D", R"("kind": "delete", "chosen": ["ID"]})");
    install(stem + "U", R"("kind": "update", "chosen": ["ID", "CITY"], "saveOld": ["CITY"],
                          "changedFields": ["CITY"]})");

    EXPECT_EQ(QString(), run("INSERT INTO " + m_table + " VALUES (1, N'Łódź')"));
    EXPECT_EQ(QString(), run("INSERT INTO " + m_table +
                             " VALUES (2, N'Kraków'), (11, N'Gdańsk'), (12, NULL), (3, N'Łódź')"));
    EXPECT_EQ(QString(), run("UPDATE " + m_table + " SET CITY = N'Wrocław' WHERE ID IN (1, 2)"));
    EXPECT_EQ(QString(), run("UPDATE " + m_table + " SET ID = ID WHERE ID = 3"));
    EXPECT_EQ(QString(), run("DELETE FROM " + m_table + " WHERE ID > 10"));

    EXPECT_EQ(rows("SELECT ID, CITY FROM tblZOTA_" + stem + "I ORDER BY ID"),
              (QStringList{"1|Łódź", "3|Łódź", "11|Gdańsk", "12|NULL"}));
    EXPECT_EQ(rows("SELECT ID, CITY, oldCITY FROM tblZOTA_" + stem + "U ORDER BY ID"),
              (QStringList{"1|Wrocław|Łódź", "2|Wrocław|Kraków"}));
    EXPECT_EQ(rows("SELECT ID FROM tblZOTA_" + stem + "D ORDER BY ID"), (QStringList{"11", "12"}));
    EXPECT_EQ(rows("SELECT COUNT(*) FROM tblZOTA_SYSTEM_TABLE WHERE AUDIT_NAME LIKE '" + stem +
                   "%' AND ENABLED = 'Y'"),
              QStringList{"3"});
}

// The login, host and application recorded are those of the connection that changed the rows,
// an application's, not the one that installed the audit.
TEST_F(CompanionOnTheEngine, WhoColumnsRecordTheLoginHostAndApplicationOfTheChangingConnection) {
    const QString audit = QStringLiteral("Co%1W").arg(QCoreApplication::applicationPid() % 100000);
    install(audit, R"("kind": "insert", "chosen": ["ID"], "who": true})");
    const QStringList target = qEnvironmentVariable("QUORVEX_TEST_MSSQL").split(u'|');
    const OdbcConnectTarget odbc =
        mapToOdbc(buildSqlServerConnectionString({target[0], target[1], target[2], target[3]}),
                  OdbcEnvironmentProbe::cached());
    std::unique_ptr<IConnection> application = m_factory.createConnection();
    ASSERT_TRUE(application->open(odbc.connectionString + ";APP=QvxLedger;WSID=qvx-till-7"))
        << application->errors().value(0).description.toStdString();
    application->execute("INSERT INTO " + m_table + " VALUES (1, N'a'), (2, N'b')");
    application->close();
    EXPECT_EQ(
        rows("SELECT ID, LoginName, HostName, AppName FROM tblZOTA_" + audit + " ORDER BY ID"),
        (QStringList{"1|" + target[1] + "|qvx-till-7|QvxLedger",
                     "2|" + target[1] + "|qvx-till-7|QvxLedger"}));
}

// Multi-row updates that change some rows and not others, NULLs both ways and a change of
// letter case: watching the changed field, and with none chosen every audited column.
TEST_F(CompanionOnTheEngine, ChangedValuesOnlyRecordsTheRowsWhoseWatchedValuesChanged) {
    const QString stem = QStringLiteral("Co%1").arg(QCoreApplication::applicationPid() % 100000);
    ASSERT_EQ(QString(), run("ALTER TABLE " + m_table + " ADD QTY int NULL"));
    const QByteArray qty = R"(, {"name": "QTY", "type": "int", "precision": 10})";
    install(stem + "C", R"("kind": "update", "chosen": ["ID", "CITY"], "saveOld": ["CITY"],
                          "changedFields": ["CITY"], "changedValuesOnly": true})",
            qty);
    install(stem + "A", R"("kind": "update", "chosen": ["ID", "CITY", "QTY"],
                          "changedValuesOnly": true})",
            qty);
    const QString t = m_table;
    for (const QString statement : {
             "INSERT INTO " + t +
                 " VALUES (1, N'Łódź', 1), (2, NULL, 2), (3, N'abc', 3), (4, N'x', NULL)",
             "UPDATE " + t +
                 " SET CITY = CASE ID WHEN 2 THEN N'new' WHEN 3 THEN N'ABC' WHEN 4 THEN NULL ELSE "
                 "CITY END",
             "UPDATE " + t + " SET QTY = CASE ID WHEN 4 THEN 5 ELSE QTY END",
             "UPDATE " + t + " SET CITY = CITY, QTY = QTY",
         })
        EXPECT_EQ(QString(), run(statement)) << statement.toStdString();
    EXPECT_EQ(rows("SELECT ID, CITY, oldCITY FROM tblZOTA_" + stem + "C ORDER BY ID"),
              (QStringList{"2|new|NULL", "3|ABC|abc", "4|NULL|x"}));
    EXPECT_EQ(rows("SELECT ID, CITY, QTY FROM tblZOTA_" + stem + "A ORDER BY ID, QTY"),
              (QStringList{"2|new|2", "3|ABC|3", "4|NULL|NULL", "4|NULL|5"}));
}

} // namespace
} // namespace quorvex
