// Triggers built from condition values and names, on a real SQL Server, run only when
// QUORVEX_TEST_MSSQL names one as server|user|password|database: a date condition holds under
// every language setting of the inserting session, a Unicode condition matches, a user whose
// name is longer than 30 characters is recorded whole, and a table name the catalog cannot keep
// is refused by the server's own conversion. The audit table and trigger come straight from the
// generators, so these tests do not depend on how the catalogue is read.
#include "sqlserver/SqlServerManager.h"
#include "components/DbException.h"
#include "components/OdbcConnectionFactory.h"
#include "components/Recordset.h"
#include "sqlserver/SqlServerAuditGenerator.h"
#include "sqlserver/SqlServerConnection.h"
#include "sqlserver/SqlServerCreationFlow.h"
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

// Names of this run only, so runs side by side never meet: "QvxV01234" then a word.
QString runName(const QString& word) {
    return QStringLiteral("QvxV%1").arg(QCoreApplication::applicationPid() % 100000, 5, 10,
                                        QLatin1Char('0')) +
           word;
}

class RealServerValues : public ::testing::Test {
protected:
    void SetUp() override {
        const QStringList target = qEnvironmentVariable("QUORVEX_TEST_MSSQL").split(u'|');
        if (target.size() != 4)
            GTEST_SKIP() << "QUORVEX_TEST_MSSQL is not set (server|user|password|database)";
        m_login = {target[0], target[1], target[2], target[3]};
        m_admin = connectAs(m_login.user, m_login.password);
        ASSERT_NE(nullptr, m_admin);
    }

    void TearDown() override {
        if (!m_admin)
            return;
        // Removes what this run made, newest first; a failing step must not stop the others.
        for (qsizetype i = m_cleanup.size() - 1; i >= 0; --i)
            run(m_cleanup.at(i), Must::MayFail);
    }

    enum class Must { Work, MayFail };

    // The server's refusal, empty when the statement ran.
    QString run(const QString& statement, Must must = Must::Work, IConnection* on = nullptr) {
        try {
            (on ? *on : *m_admin).execute(statement);
            return {};
        } catch (const DbException& e) {
            if (must == Must::Work)
                ADD_FAILURE() << statement.toStdString() << ": " << e.description().toStdString();
            return e.description();
        }
    }

    std::unique_ptr<IConnection> connectAs(const QString& user, const QString& password) {
        SqlServerLoginValues login = m_login;
        login.user = user;
        login.password = password;
        std::unique_ptr<IConnection> connection = m_factory.createConnection();
        if (!connection->open(buildSqlServerConnectionString(login))) {
            ADD_FAILURE() << "cannot log in as " << user.toStdString() << ": "
                          << connection->errors().value(0).description.toStdString();
            return nullptr;
        }
        return connection;
    }

    // Every row of a query, its values joined by "|", NULL written as NULL.
    QStringList rowsOf(const QString& query) {
        QStringList rows;
        try {
            Recordset found = m_admin->openRecordset(query);
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

    // SHIPMENTS: ID int (the primary key), SHIPPED datetime, CITY nvarchar(40); and the same as
    // the catalogue would list it.
    QString makeShipments(const QString& word) {
        const QString table = runName(word);
        run("CREATE TABLE dbo." + table +
            " (ID int NOT NULL PRIMARY KEY, SHIPPED datetime NULL, CITY nvarchar(40) NULL)");
        m_cleanup << "DROP TABLE dbo." + table;
        return table;
    }
    static ColumnInfoList shipmentsColumns() {
        return {{"ID", "int", 4, 10, 0, true},
                {"SHIPPED", "datetime", 8, 23, 3, false},
                {"CITY", "nvarchar", 40, 0, 0, false}};
    }

    // An insert audit of every column of the shipments, recorded only when the condition holds.
    AuditDefinition shipmentsAudit(const QString& table, const AuditCondition& only) {
        AuditDefinition definition; // an insert audit
        definition.table = table;
        definition.columns = {"ID", "SHIPPED", "CITY"};
        definition.mode = AuditMode::OnlyWhen;
        definition.conditions = {only, emptySlot()};
        definition.name = runName("A") + QString::number(m_cleanup.size());
        return definition;
    }

    // Creates the audit table and the trigger as GO would; the catalog row is not needed here.
    bool install(const AuditDefinition& definition) {
        const GeneratedStatements generated =
            sqlserver::generateSqlServerAudit(definition, shipmentsColumns(), engine());
        if (generated.refused()) {
            ADD_FAILURE() << generated.refusal.toStdString();
            return false;
        }
        // Everything but the catalog row, which these tests do not need.
        const QStringList statements = generated.statements.mid(0, generated.statements.size() - 1);
        for (const QString& statement : statements) {
            if (!run(statement).isEmpty())
                return false;
            if (statement.startsWith("CREATE TABLE"))
                m_cleanup << "DROP TABLE tblZOTA_" + definition.name;
        }
        m_cleanup << "DROP TRIGGER trgZOTA_" + definition.name;
        return true;
    }

    sqlserver::SqlServerEngine engine() {
        try {
            Recordset rows = m_admin->openRecordset(SqlServerManager::engineStatement());
            if (!rows.eof() && rows.value(0).value_or(QString()).trimmed() == "1")
                return sqlserver::SqlServerEngine::Babelfish;
        } catch (const DbException&) {
        }
        return sqlserver::SqlServerEngine::SqlServer;
    }

    OdbcConnectionFactory m_factory;
    SqlServerLoginValues m_login;
    std::unique_ptr<IConnection> m_admin;
    QStringList m_cleanup;
};

// SQL Server reads '2024-01-13' as year-day-month for a datetime in a British or day-first
// session, and a trigger holding it would fail every insert; and it passes 'Łódź' through the
// database's code page as '??d?', which never matches. Babelfish does neither (it ignores SET
// LANGUAGE and compares '...' and N'...' alike), so there this shows only that the written forms
// work.
TEST_F(RealServerValues, DateAndUnicodeConditionsHoldForABritishDayFirstSession) {
    const QString table = makeShipments("Dates");
    AuditDefinition definition = shipmentsAudit(table, condition("SHIPPED", ">", "2024-01-13"));
    definition.conditions.insert(1, condition("CITY", "=", "Łódź", "AND"));
    ASSERT_TRUE(install(definition));

    std::unique_ptr<IConnection> british = connectAs(m_login.user, m_login.password);
    ASSERT_NE(nullptr, british);
    for (const QString& statement :
         QStringList{"SET LANGUAGE British", "SET DATEFORMAT dmy",
                     "INSERT INTO dbo." + table +
                         " VALUES (1, '20240112', N'Łódź'), (2, '20240114', N'Łódź'), "
                         "(3, '20240114', N'Lodz'), (4, '20240114', N'??d?')",
                     "INSERT INTO dbo." + table + " VALUES (5, '2024-01-13T23:00:00', N'Łódź')"})
        run(statement, Must::Work, british.get());

    EXPECT_EQ((QStringList{"1", "2", "3", "4", "5"}),
              rowsOf("SELECT ID FROM dbo." + table + " ORDER BY ID"));
    EXPECT_EQ((QStringList{"2|2024-01-14|Łódź", "5|2024-01-13|Łódź"}),
              rowsOf("SELECT ID, CONVERT(char(10), SHIPPED, 126), CITY FROM tblZOTA_" +
                     definition.name + " ORDER BY ID"));
}

TEST_F(RealServerValues, UserWithAFortyCharacterNameIsRecordedWhole) {
    // The user first, so that it is removed after the tables its rights refer to.
    const QString user = (runName("LongUserName") + QString(40, u'x')).left(40);
    const QString password = QStringLiteral("Qvx-Long-User-1");
    if (const QString refusal =
            run("CREATE LOGIN " + user + " WITH PASSWORD = '" + password + "'", Must::MayFail);
        !refusal.isEmpty()) {
        GTEST_SKIP() << "this engine cannot create the login " << user.toStdString() << ": "
                     << refusal.toStdString();
    }
    m_cleanup << "DROP LOGIN " + user;
    run("CREATE USER " + user + " FOR LOGIN " + user);
    m_cleanup << "DROP USER " + user;

    const QString table = makeShipments("Users");
    const AuditDefinition definition = shipmentsAudit(table, condition("ID", ">", "0"));
    ASSERT_TRUE(install(definition));
    // The user may change the audited table and nothing else: the audit must not stop them
    // (SQL Server writes the audit table through the ownership chain; on Babelfish the install
    // grants INSERT on it).
    run("GRANT INSERT ON dbo." + table + " TO " + user);

    {
        std::unique_ptr<IConnection> longNamed = connectAs(user, password);
        ASSERT_NE(nullptr, longNamed);
        run("INSERT INTO dbo." + table + " (ID) VALUES (1)", Must::Work, longNamed.get());
    }
    EXPECT_EQ(QStringList{"1|" + user + "|40"},
              rowsOf("SELECT ID, UserName, LEN(UserName) FROM tblZOTA_" + definition.name));
}

TEST_F(RealServerValues, TableNameOutsideTheCodePageIsRefusedByTheServerBeforeAnythingIsCreated) {
    run("IF OBJECT_ID(N'dbo.tblZOTA_SYSTEM_TABLE', N'U') IS NULL "
        "Create Table [tblZOTA_SYSTEM_TABLE] ([AUDIT_NAME] [VARCHAR](20) NOT NULL , "
        "[AUDIT_DESCRIPTION] [VARCHAR] (200) NULL , [ENABLED] [CHAR] (1) NOT NULL, "
        "[TRIGGERTABLE] [CHAR] (100) NOT NULL)");
    SqlServerSession session(m_factory);
    session.login() = m_login;
    testing::ScriptedMessageService messages;
    AuditDefinition definition = shipmentsAudit(runName("Łódź"), condition("ID", ">", "0"));
    EXPECT_EQ(SaveResult::Outcome::NotSaved,
              saveSqlServerAudit(definition, session, messages).outcome);
    EXPECT_TRUE(messages.texts().value(0).startsWith(
        "The table name " + definition.table + " has characters that the database's code page"))
        << messages.texts().join(" / ").toStdString();
    EXPECT_EQ(QStringList(),
              rowsOf("SELECT name FROM sys.tables WHERE name = 'tblZOTA_" + definition.name + "'"));

    // A letter the code page has passes this check (and the save then stops at the missing
    // table).
    messages.clear();
    definition.table = runName("Zamówienia");
    saveSqlServerAudit(definition, session, messages);
    EXPECT_FALSE(messages.texts().value(0).startsWith("The table name"))
        << messages.texts().join(" / ").toStdString();
}

} // namespace
} // namespace quorvex
