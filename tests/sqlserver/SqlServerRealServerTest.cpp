// GO, its triggers and the catalog on the engine named in QUORVEX_TEST_MSSQL.
#include "EngineTest.h"
#include "OrdersTable.h"

#include "components/OdbcConnectionFactory.h"
#include "sqlserver/SqlServerAuditGenerator.h"
#include "sqlserver/SqlServerCatalog.h"
#include "sqlserver/SqlServerCreationFlow.h"
#include "support/ScriptedMessageService.h"

namespace quorvex::testing {
namespace {

class RealServerValues : public EngineTest {
protected:
    // A session of its own as the login leaves it; nullptr when it cannot log in.
    std::unique_ptr<IConnection> connectAs(const QString& user, const QString& password) {
        SqlServerLoginValues login = m_db->login();
        login.user = user;
        login.password = password;
        std::unique_ptr<IConnection> connection = m_factory.createConnection();
        if (connection->open(buildSqlServerConnectionString(login)))
            return connection;
        ADD_FAILURE() << "cannot log in as " << user.toStdString() << ": "
                      << connection->errors().value(0).description.toStdString();
        return nullptr;
    }
    static void run(IConnection& session, const QString& statement) {
        try {
            session.execute(statement);
        } catch (const DbException& e) {
            ADD_FAILURE() << statement.toStdString() << ": " << e.description().toStdString();
        }
    }

    QString makeShipments(const QString& word) {
        const QString table = m_db->uniqueName(word);
        EXPECT_EQ(m_db->createTable({}, table,
                                    "ID int NOT NULL PRIMARY KEY, SHIPPED datetime NULL, CITY "
                                    "nvarchar(40) NULL"),
                  QString());
        return table;
    }
    static ColumnInfoList shipmentsColumns() {
        return {{"ID", "int", 4, 10, 0, true},
                {"SHIPPED", "datetime", 8, 23, 3, false},
                {"CITY", "nvarchar", 40, 0, 0, false}};
    }
    AuditDefinition shipmentsAudit(const QString& table, const AuditCondition& only) {
        AuditDefinition definition;
        definition.table = table;
        definition.columns = {"ID", "SHIPPED", "CITY"};
        definition.mode = AuditMode::OnlyWhen;
        definition.conditions = {only, emptySlot()};
        definition.name = m_db->uniqueName("A");
        m_db->removeAtEnd(definition.name);
        return definition;
    }
    // The audit table and the trigger straight from the generators; no catalog row.
    bool install(const AuditDefinition& definition) {
        const GeneratedStatements generated = sqlserver::generateSqlServerAudit(
            definition, shipmentsColumns(),
            m_db->isBabelfish() ? sqlserver::SqlServerEngine::Babelfish
                                : sqlserver::SqlServerEngine::SqlServer);
        EXPECT_EQ(generated.refusal, QString());
        for (const QString& statement :
             generated.statements.mid(0, generated.statements.size() - 1))
            if (const QString refusal = m_db->run(statement); !refusal.isEmpty()) {
                ADD_FAILURE() << statement.toStdString() << ": " << refusal.toStdString();
                return false;
            }
        return !generated.refused();
    }

    OdbcConnectionFactory m_factory;
};

TEST_F(RealServerValues, GoSavesOnceAndRefusesWhatTheCatalogCannotKeep) {
    SqlServerSession session(m_factory);
    ASSERT_TRUE(logIn(session));
    ScriptedMessageService messages;
    // The database's code page decides; a letter it has passes (and the save stops later).
    AuditDefinition foreign = shipmentsAudit(m_db->uniqueName("Łódź"), condition("ID", ">", "0"));
    EXPECT_EQ(saveSqlServerAudit(foreign, session, messages).outcome,
              SaveResult::Outcome::NotSaved);
    EXPECT_TRUE(messages.texts().value(0).startsWith(
        "The table name " + foreign.table + " has characters that the database's code page"))
        << messages.texts().join(" / ").toStdString();
    EXPECT_FALSE(m_db->auditTableExists(foreign.name));
    messages.clear();
    foreign.table = m_db->uniqueName("Zamówienia");
    saveSqlServerAudit(foreign, session, messages);
    EXPECT_FALSE(messages.texts().value(0).startsWith("The table name"));

    const QString table = makeShipments("Ins");
    AuditDefinition definition = shipmentsAudit(table, condition("ID", ">", "1"));
    definition.description = "Test audit";
    messages.clear();
    ASSERT_EQ(saveSqlServerAudit(definition, session, messages).outcome, SaveResult::Outcome::Saved)
        << messages.texts().join('\n').toStdString();
    EXPECT_EQ(m_db->catalogRow(definition.name), QStringList{"Test audit|Y|" + table});
    EXPECT_EQ(saveSqlServerAudit(definition, session, messages).outcome,
              SaveResult::Outcome::NotSaved);
    EXPECT_EQ(messages.texts(),
              QStringList{"You already have an Audit with that name.  Please enter another name."});
}

// SQL Server reads '2024-01-13' as year-day-month in a British session and 'Łódź' as '??d?';
// Babelfish does neither, so there this shows only that the written forms work.
TEST_F(RealServerValues, DateAndUnicodeConditionsHoldForABritishDayFirstSession) {
    const QString table = makeShipments("Dates");
    AuditDefinition definition = shipmentsAudit(table, condition("SHIPPED", ">", "2024-01-13"));
    definition.conditions.insert(1, condition("CITY", "=", "Łódź", "AND"));
    ASSERT_TRUE(install(definition));

    std::unique_ptr<IConnection> british = connectAs(m_db->login().user, m_db->login().password);
    ASSERT_NE(nullptr, british);
    for (const QString& statement :
         QStringList{"SET LANGUAGE British", "SET DATEFORMAT dmy",
                     "INSERT INTO " + table +
                         " VALUES (1, '20240112', N'Łódź'), (2, '20240114', N'Łódź'), "
                         "(3, '20240114', N'Lodz'), (4, '20240114', N'??d?')",
                     "INSERT INTO " + table + " VALUES (5, '2024-01-13T23:00:00', N'Łódź')"})
        run(*british, statement);

    EXPECT_EQ(m_db->rows("SELECT COUNT(*) FROM " + table), QStringList{"5"});
    EXPECT_EQ(m_db->rows("SELECT ID, CONVERT(char(10), SHIPPED, 126), CITY FROM tblZOTA_" +
                         definition.name + " ORDER BY ID"),
              (QStringList{"2|2024-01-14|Łódź", "5|2024-01-13|Łódź"}));
}

TEST_F(RealServerValues, UserWithAFortyCharacterNameIsRecordedWhole) {
    const QString user = (m_db->uniqueName("LongUserName") + QString(40, u'x')).left(40);
    const QString password = QStringLiteral("Qvx-Long-User-1");
    if (const QString refusal =
            m_db->run("CREATE LOGIN " + user + " WITH PASSWORD = '" + password + "'");
        !refusal.isEmpty())
        GTEST_SKIP() << "this engine cannot create the login " << user.toStdString() << ": "
                     << refusal.toStdString();
    m_db->runAtEnd("DROP LOGIN " + user);
    ASSERT_EQ(m_db->run("CREATE USER " + user + " FOR LOGIN " + user), QString());
    m_db->runAtEnd("DROP USER " + user);

    const QString table = makeShipments("Users");
    const AuditDefinition definition = shipmentsAudit(table, condition("ID", ">", "0"));
    ASSERT_TRUE(install(definition));
    // Allowed to change the audited table only: on Babelfish the install grants the rest.
    ASSERT_EQ(m_db->run("GRANT INSERT ON " + table + " TO " + user), QString());
    {
        std::unique_ptr<IConnection> longNamed = connectAs(user, password);
        ASSERT_NE(nullptr, longNamed);
        run(*longNamed, "INSERT INTO " + table + " (ID) VALUES (1)");
    }
    EXPECT_EQ(m_db->rows("SELECT ID, UserName, LEN(UserName) FROM tblZOTA_" + definition.name),
              QStringList{"1|" + user + "|40"});
}

// A held audited table: nothing changes. A held audit table: Delete drops the trigger, keeps
// the catalog row, and a later Delete finishes.
TEST_F(RealServerValues, ABusyTableChangesNothingAndAFailedDropKeepsTheAudit) {
    const QString table = m_db->uniqueName("Busy");
    const QString audit = m_db->uniqueName("Busy");
    m_db->removeAtEnd(audit);
    ASSERT_EQ(m_db->createTable({}, table, "ID int NULL"), QString());
    for (const QString& statement :
         {"CREATE TABLE tblZOTA_" + audit + " (ID int NULL)",
          "CREATE TRIGGER " + sqlserver::sqlServerTriggerName(audit) + " ON " + table +
              " FOR INSERT AS SET NOCOUNT ON",
          sqlserver::sqlServerCatalogInsertStatement(audit, "busy test", table)})
        ASSERT_EQ(m_db->run(statement), QString());

    ScriptedMessageService messages;
    SqlServerSession session{m_factory};
    session.manager().setLockTimeout(1000);
    ASSERT_TRUE(logIn(session));
    SqlServerCatalog catalog(session, messages);
    ASSERT_TRUE(catalog.ensure());
    const SqlServerCatalog::InstalledAudit installed{audit, "Y", table.leftJustified(100)};
    const QString busy = "The table " + table +
                         " is in use by another session; nothing was changed. Try again when it "
                         "is quiet.";
    const QStringList kept{"busy test|Y|" + table};
    const auto holding = [&](const QString& held) {
        std::unique_ptr<IConnection> other = connectAs(m_db->login().user, m_db->login().password);
        if (other) {
            other->beginTransaction(TransactionIsolation::DriverDefault);
            run(*other, "INSERT INTO " + held + " (ID) VALUES (1)");
        }
        return other;
    };
    {
        const auto other = holding(table);
        ASSERT_NE(nullptr, other);
        EXPECT_FALSE(catalog.setTriggerState(installed, SqlServerCatalog::TriggerState::Disabled));
        EXPECT_FALSE(catalog.remove(installed));
        other->rollback();
    }
    EXPECT_EQ(messages.texts(), (QStringList{busy, busy}));
    EXPECT_EQ(m_db->catalogRow(audit), kept);
    EXPECT_EQ(m_db->triggerState(audit), QString("enabled"));

    messages.clear();
    {
        const auto other = holding("tblZOTA_" + audit);
        ASSERT_NE(nullptr, other);
        EXPECT_FALSE(catalog.remove(installed));
        other->rollback();
    }
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts().value(0).startsWith("The trigger of the audit " + audit +
                                                     " was removed, but its table tblZOTA_" +
                                                     audit + " could not be dropped."));
    EXPECT_EQ(m_db->triggerState(audit), QString("missing"));
    EXPECT_EQ(m_db->catalogRow(audit), kept);
    messages.clear();
    EXPECT_TRUE(catalog.remove(installed));
    EXPECT_EQ(messages.texts(), QStringList());
    EXPECT_EQ(m_db->catalogRow(audit), QStringList());
}

} // namespace
} // namespace quorvex::testing
