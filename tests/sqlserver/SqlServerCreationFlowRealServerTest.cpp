// GO against a real SQL Server, run only when QUORVEX_TEST_MSSQL names one as
// server|user|password|database: an insert audit on a table of the test's own records every
// inserted row that meets its condition.
#include "sqlserver/SqlServerCreationFlow.h"

#include "components/DbException.h"
#include "components/OdbcConnectionFactory.h"
#include "components/Recordset.h"
#include "sqlserver/SqlServerConnection.h"
#include "sqlserver/SqlServerSession.h"
#include "support/ScriptedMessageService.h"

#include "OrdersTable.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <memory>

namespace quorvex {
namespace {

using quorvex::testing::condition;
using quorvex::testing::emptySlot;
using quorvex::testing::ScriptedMessageService;

// Names of this run only, so runs side by side never meet: "Qvx01234" then a word.
QString runName(const char* word) {
    return QStringLiteral("Qvx%1%2")
        .arg(QCoreApplication::applicationPid() % 100000, 5, 10, QLatin1Char('0'))
        .arg(QLatin1String(word));
}

class RealServerFlow : public ::testing::Test {
protected:
    void SetUp() override {
        const QStringList target = qEnvironmentVariable("QUORVEX_TEST_MSSQL").split(u'|');
        if (target.size() != 4)
            GTEST_SKIP() << "QUORVEX_TEST_MSSQL is not set (server|user|password|database)";
        m_session = std::make_unique<SqlServerSession>(m_factory);
        m_session->login() = {target[0], target[1], target[2], target[3]};
        ASSERT_TRUE(m_session->manager().connectServer(target[0], target[1], target[2]))
            << m_session->manager().errors().value(0).description.toStdString();
        ASSERT_TRUE(
            openSqlServerConnection(m_session->sharedConnection(), m_session->login(), m_messages))
            << shown();
        run("IF OBJECT_ID(N'dbo.tblZOTA_SYSTEM_TABLE', N'U') IS NULL "
            "Create Table [tblZOTA_SYSTEM_TABLE] ([AUDIT_NAME] [VARCHAR](20) NOT NULL , "
            "[AUDIT_DESCRIPTION] [VARCHAR] (200) NULL , [ENABLED] [CHAR] (1) NOT NULL, "
            "[TRIGGERTABLE] [CHAR] (100) NOT NULL)");
    }

    void TearDown() override {
        if (!m_session)
            return;
        // Removes what this run made; a failing step must not keep the others from running.
        for (const QString& name : std::as_const(m_audits)) {
            run("DROP TRIGGER trgZOTA_" + name, false);
            run("DROP TABLE tblZOTA_" + name, false);
        }
        run("DELETE FROM tblZOTA_SYSTEM_TABLE WHERE AUDIT_NAME LIKE '" + runName("") + "%'", false);
        for (const QString& table : std::as_const(m_tables))
            run("DROP TABLE dbo." + table, false);
    }

    void run(const QString& statement, bool mustWork = true) {
        try {
            m_session->executeStatement(statement);
        } catch (const DbException& e) {
            if (mustWork)
                ADD_FAILURE() << statement.toStdString() << ": " << e.description().toStdString();
        }
    }

    // ORDER_ID int (the primary key), CUSTOMER varchar(30), AMOUNT money.
    QString makeOrdersTable(const char* word) {
        const QString table = runName(word);
        m_tables << table;
        run("CREATE TABLE dbo." + table +
            " (ORDER_ID int NOT NULL PRIMARY KEY, CUSTOMER varchar(30) NULL, AMOUNT money NULL)");
        return table;
    }

    SaveResult save(const AuditDefinition& definition) {
        m_audits << definition.name;
        return saveSqlServerAudit(definition, *m_session, m_messages);
    }
    std::string shown() const { return m_messages.texts().join("\n").toStdString(); }

    // Every row of a query, its values joined by "|", NULL written as NULL.
    QStringList rowsOf(const QString& query) {
        QStringList rows;
        try {
            Recordset found = m_session->sharedConnection().openRecordset(query);
            for (; !found.eof(); found.moveNext()) {
                QStringList values;
                for (int i = 0; i < found.fieldCount(); ++i)
                    values << found.value(i).value_or(QStringLiteral("NULL"));
                rows << values.join(u'|');
            }
        } catch (const DbException& e) {
            ADD_FAILURE() << query.toStdString() << ": " << e.description().toStdString();
        }
        return rows;
    }

    static AuditDefinition audit(const QString& table, const char* word) {
        AuditDefinition definition;
        definition.kind = AuditKind::Insert;
        definition.table = table;
        definition.columns = {"ORDER_ID", "CUSTOMER", "AMOUNT"};
        definition.conditions = {emptySlot()};
        definition.name = runName(word);
        definition.description = "Test audit";
        return definition;
    }

    OdbcConnectionFactory m_factory;
    std::unique_ptr<SqlServerSession> m_session;
    ScriptedMessageService m_messages;
    QStringList m_audits;
    QStringList m_tables;
};

TEST_F(RealServerFlow, InsertAuditRecordsEveryInsertedRowThatMeetsItsCondition) {
    const QString orders = makeOrdersTable("InsOrders");
    AuditDefinition definition = audit(orders, "Ins");
    definition.mode = AuditMode::OnlyWhen;
    definition.conditions = {condition("AMOUNT", ">", "1000"), emptySlot()};
    const SaveResult saved = save(definition);
    ASSERT_EQ(SaveResult::Outcome::Saved, saved.outcome) << shown();
    EXPECT_EQ(QStringList{"Test audit|Y|" + orders},
              rowsOf("SELECT AUDIT_DESCRIPTION, ENABLED, RTRIM(TRIGGERTABLE) FROM "
                     "tblZOTA_SYSTEM_TABLE WHERE AUDIT_NAME = '" +
                     definition.name + "'"));
    run("INSERT INTO dbo." + orders + " VALUES (1, 'ACME', 5000)");
    run("INSERT INTO dbo." + orders +
        " VALUES (2, 'BOLT', 50), (3, 'CRANE', 2000), (4, 'DELTA', 3000)");
    EXPECT_EQ((QStringList{"1|ACME|5000|1", "3|CRANE|2000|1", "4|DELTA|3000|1"}),
              rowsOf("SELECT ORDER_ID, CUSTOMER, CAST(AMOUNT AS int), CASE WHEN "
                     "RTRIM(UserName) = CURRENT_USER AND AuditDate IS NOT NULL THEN 1 ELSE 0 END "
                     "FROM tblZOTA_" +
                     definition.name + " ORDER BY ORDER_ID"));
    EXPECT_EQ((QStringList{"1", "2", "3", "4"}),
              rowsOf("SELECT ORDER_ID FROM dbo." + orders + " ORDER BY ORDER_ID"));

    // The same name a second time is refused before anything is created.
    m_messages.clear();
    EXPECT_EQ(SaveResult::Outcome::NotSaved,
              saveSqlServerAudit(definition, *m_session, m_messages).outcome);
    EXPECT_EQ(QStringList{"You already have an Audit with that name.  Please enter another name."},
              m_messages.texts());
}

} // namespace
} // namespace quorvex
