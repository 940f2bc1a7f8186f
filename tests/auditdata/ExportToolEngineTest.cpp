// The built quorvex-export against the engine named in QUORVEX_TEST_MSSQL (skipped when it is not
// set), logged in with --password-file: the file it leaves and what remains in the audit table.
#include "sqlserver/EngineTest.h"

#include "components/OdbcConnectionFactory.h"
#include "sqlserver/SqlServerCreationFlow.h"
#include "support/ExportedFiles.h"
#include "support/ProgramRun.h"
#include "support/ScriptedMessageService.h"

#include <QTemporaryDir>

using namespace quorvex;
using namespace quorvex::testing;

namespace {

// An insert audit on a table of this run, installed as GO installs it, with two recorded rows.
class ExportToolEngineTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        if (notReady())
            return;
        ASSERT_TRUE(m_dir.isValid());

        const QString table = m_db->uniqueName("Exp");
        ASSERT_EQ(m_db->createTable({}, table, "Id int NOT NULL PRIMARY KEY, Name nvarchar(20)"),
                  QString());
        m_audit = m_db->uniqueName("Exp");
        m_db->removeAtEnd(m_audit);
        OdbcConnectionFactory connections;
        SqlServerSession session(connections);
        ASSERT_TRUE(logIn(session));
        AuditDefinition definition;
        definition.kind = AuditKind::Insert;
        definition.table = table;
        definition.columns = {"Id", "Name"};
        definition.conditions = {AuditCondition{}};
        definition.name = m_audit;
        ScriptedMessageService messages;
        ASSERT_EQ(saveSqlServerAudit(definition, session, messages).outcome,
                  SaveResult::Outcome::Saved)
            << messages.texts().join('\n').toStdString();
        ASSERT_EQ(m_db->run("INSERT INTO " + table + " VALUES (1, N'Alpha'), (2, NULL)"),
                  QString());

        m_passwordFile = m_dir.filePath("password");
        QFile file(m_passwordFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(m_db->login().password.toUtf8() + "\n");
    }

    ProgramRun run(const QString& format, const QString& file, const QStringList& more = {}) {
        const SqlServerLoginValues& login = m_db->login();
        return ProgramRun::of(QStringLiteral(QUORVEX_EXPORT_PATH),
                              QStringList{"--backend", "sqlserver", "--audit", m_audit, "--format",
                                          format, "--file", file, "--server", login.server,
                                          "--user", login.user, "--password-file", m_passwordFile,
                                          "--database", login.database} +
                                  more);
    }

    // The audit's rows as the CSV export writes them.
    QByteArray expectedCsv() {
        QByteArray csv = "Id,Name,AuditDate,UserName\r\n";
        for (const QString& row :
             m_db->rows("Select * from tblZOTA_" + m_audit + " ORDER BY Id", "(NULL)"))
            csv += QString(row).replace(u'|', u',').toUtf8() + "\r\n";
        return csv + "\r\n";
    }
    QString rowsLeft() { return m_db->value("SELECT COUNT(*) FROM tblZOTA_" + m_audit); }

    QTemporaryDir m_dir;
    QString m_audit;
    QString m_passwordFile;
};

} // namespace

// Without --purge the rows stay; with it the audit table is emptied once the file holds them.
TEST_F(ExportToolEngineTest, ExportKeepsTheRowsAndPurgeEmptiesTheTableOnceTheFileHoldsThem) {
    const QString csvFile = m_dir.filePath("audit.csv");
    const QByteArray expected = expectedCsv();
    ProgramRun r = run("csv", csvFile);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(fileContents(csvFile).toStdString(), expected.toStdString());
    EXPECT_TRUE(expected.contains("\r\n1,Alpha,") && expected.contains("\r\n2,(NULL),"));
    EXPECT_EQ(rowsLeft(), "2");

    const QString xmlFile = m_dir.filePath("audit.xml");
    r = run("xml", xmlFile, {"--purge"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QByteArray xml = fileContents(xmlFile);
    EXPECT_EQ(xml.count("<z:row "), 2) << xml.toStdString();
    EXPECT_TRUE(xml.contains("Id=\"1\" Name=\"Alpha\"") && xml.contains("Id=\"2\" AuditDate="))
        << xml.toStdString();
    EXPECT_EQ(rowsLeft(), "0");
}
