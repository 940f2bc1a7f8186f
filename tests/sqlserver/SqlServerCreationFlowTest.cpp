// GO on the SQL Server main window against the scripted database: the statements sent, in
// order, the messages shown, and what is removed again when a step fails.
#include "sqlserver/SqlServerCreationFlow.h"

#include "sqlserver/SqlServerConnection.h"
#include "sqlserver/SqlServerManager.h"
#include "sqlserver/SqlServerSession.h"
#include "support/FakeDatabase.h"
#include "support/ScriptedMessageService.h"

#include "OrdersTable.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace quorvex {
namespace {

using quorvex::testing::bigOrders;
using quorvex::testing::FakeDatabase;
using quorvex::testing::lines;
using quorvex::testing::ScriptedMessageService;
using quorvex::testing::textRow;

const QString useSales = QStringLiteral("USE [Sales]");
const QString dropTable = QStringLiteral("DROP TABLE [tblZOTA_BigOrders]");
const QString catalogStep = QStringLiteral("Error saving the audit to tblZOTA_SYSTEM_TABLE");
const QRegularExpression catalogInsert(QStringLiteral("^Insert Into tblZOTA_SYSTEM_TABLE "));

QString duplicateQuery(const QString& name) {
    return "SELECT AUDIT_NAME FROM tblZOTA_SYSTEM_TABLE WHERE AUDIT_NAME = '" + name + u'\'';
}

// Whether TRIGGERTABLE (char(100) in the database's code page) keeps the table's name unchanged.
QString tableNameQuery(const QString& table) {
    return QStringLiteral("SELECT CASE WHEN CAST(RTRIM(CAST(CAST(N'%1' AS char(100)) AS "
                          "nvarchar(200))) AS varbinary(400)) = CAST(RTRIM(N'%1') AS "
                          "varbinary(400)) THEN 1 ELSE 0 END")
        .arg(table);
}

QString columnsQuery(const QString& table) {
    return SqlServerManager::columnsStatement(QStringLiteral("Sales"), table);
}

// The worked example BigOrders as GO sends it.
const QString bigOrdersTable =
    lines({"CREATE TABLE [tblZOTA_BigOrders] ([CUSTOMER] [varchar] (30) NULL ,",
           "[AMOUNT] [money] NULL ,", "[AuditDate] [datetime] NOT NULL DEFAULT CURRENT_TIMESTAMP ,",
           "[UserName] [nvarchar] (128) NOT NULL DEFAULT CURRENT_USER)"});
const QString bigOrdersTrigger =
    lines({"Create Trigger trgZOTA_BigOrders", "On ORDERS", "WITH ENCRYPTION", "For INSERT", "AS",
           "SET NOCOUNT ON",
           "INSERT INTO [tblZOTA_BigOrders] (CUSTOMER,AMOUNT) SELECT ins.CUSTOMER,ins.AMOUNT from "
           "inserted ins",
           "WHERE CASE WHEN ins.AMOUNT > '1000' THEN 0 ELSE 1 END = 0"});
const QString bigOrdersCatalogRow = QStringLiteral(
    "Insert Into tblZOTA_SYSTEM_TABLE (AUDIT_NAME,AUDIT_DESCRIPTION,ENABLED,TRIGGERTABLE) "
    "VALUES ('BigOrders','Large orders','Y','ORDERS')");
// Every save of BigOrders checks the name and reads the columns first. Functions, as the
// statements come from another unit's statics.
QStringList checks() {
    return {duplicateQuery("BigOrders"), tableNameQuery("ORDERS"), columnsQuery("ORDERS")};
}
QStringList upToTrigger() {
    return checks() + QStringList{useSales, bigOrdersTable, useSales, bigOrdersTrigger};
}
QStringList upToCatalogRow() {
    return upToTrigger() + QStringList{useSales, bigOrdersCatalogRow};
}

// A session logged in to the database Sales, its management connection open, ORDERS in the
// catalogue and no audit of the names used here installed.
class CreationFlow : public ::testing::Test {
protected:
    // The server answers whether it is Babelfish with `babelfish` (NULL: SQL Server).
    explicit CreationFlow(const char* babelfish = nullptr) : m_session(m_db) {
        m_session.login() = {"PRODSQL", "sa", "secret", "Sales"};
        EXPECT_TRUE(m_session.manager().connectServer("PRODSQL", "sa", "secret"));
        scriptTable("ORDERS", {textRow({"ORDER_ID", "int", "4", "10", "0", "1"}),
                               textRow({"CUSTOMER", "varchar", "30", "0", "0", "0"}),
                               textRow({"AMOUNT", "money", "8", "19", "4", "0"})});
        for (const char* name : {"BigOrders", "PriceChange"})
            m_db.onQuery(duplicateQuery(name), QStringList{"AUDIT_NAME"}, {});
        for (const char* table : {"ORDERS", "sales.ORDERS"})
            m_db.onQuery(tableNameQuery(table), QStringList{"kept"}, {textRow({"1"})});
        // The server is asked once per connection which product it is.
        m_db.onQuery(SqlServerManager::engineStatement(), QStringList{"engine"},
                     {textRow({babelfish})});
        m_session.manager().engine();
    }

    void openSharedConnection() {
        EXPECT_TRUE(
            m_session.sharedConnection().open(buildSqlServerConnectionString(m_session.login())));
    }

    void scriptTable(const QString& table, const std::vector<Row>& columns) {
        m_db.onQuery(columnsQuery(table), QStringList{"name", "type", "l", "p", "s", "key"},
                     columns);
    }

    SaveResult save(const AuditDefinition& definition) {
        m_db.clearLog();
        return saveSqlServerAudit(definition, m_session, m_messages);
    }

    FakeDatabase m_db;
    SqlServerSession m_session;
    ScriptedMessageService m_messages;
};

// The closed shared connection is opened first, then table, trigger and catalog row follow the
// checks.
TEST_F(CreationFlow, BigOrdersSendsTableTriggerAndCatalogRowAfterTheChecks) {
    const SaveResult result = save(bigOrders());
    EXPECT_EQ(SaveResult::Outcome::Saved, result.outcome);
    EXPECT_EQ(QString(), result.deselectColumn);
    EXPECT_EQ(QStringList{buildSqlServerConnectionString(m_session.login())},
              m_db.connectionStrings());
    EXPECT_EQ(ConnectionState::Open, m_session.sharedConnection().state());
    EXPECT_EQ(QStringList(), m_messages.texts());
    EXPECT_EQ(upToCatalogRow(), m_db.statements());
}

// Babelfish cannot hide a trigger's text: the trigger goes without WITH ENCRYPTION, and the
// server, asked once which product it is, is not asked again at each save.
class CreationFlowOnBabelfish : public CreationFlow {
protected:
    CreationFlowOnBabelfish() : CreationFlow("1") { openSharedConnection(); }
};

TEST_F(CreationFlowOnBabelfish, TriggerIsCreatedWithoutEncryption) {
    QString unencrypted = bigOrdersTrigger;
    unencrypted.remove(QStringLiteral("WITH ENCRYPTION\r\n"));
    AuditDefinition second = bigOrders();
    second.name = "PriceChange";
    m_db.clearLog();
    EXPECT_EQ(SaveResult::Outcome::Saved,
              saveSqlServerAudit(bigOrders(), m_session, m_messages).outcome);
    EXPECT_EQ(SaveResult::Outcome::Saved,
              saveSqlServerAudit(second, m_session, m_messages).outcome);
    EXPECT_EQ(QStringList(), m_messages.texts());
    const QStringList sent = m_db.statements();
    EXPECT_FALSE(sent.contains(SqlServerManager::engineStatement()));
    EXPECT_TRUE(sent.contains(unencrypted));
    EXPECT_EQ(sent.indexOf("GRANT INSERT ON [tblZOTA_BigOrders] TO PUBLIC"),
              sent.indexOf(unencrypted) - 2); // then the trigger's USE
    EXPECT_FALSE(sent.join(u'\n').contains(QStringLiteral("ENCRYPTION")));
}

TEST_F(CreationFlow, TriggerOfATableOutsideDboIsRemovedFromItsSchema) {
    openSharedConnection();
    AuditDefinition definition = bigOrders();
    definition.table = "sales.ORDERS";
    scriptTable("sales.ORDERS", {textRow({"CUSTOMER", "varchar", "30", "0", "0", "0"}),
                                 textRow({"AMOUNT", "money", "8", "19", "4", "0"})});
    m_db.failOnMatching(catalogInsert, FakeDatabase::error("Permission denied.", 229));
    EXPECT_EQ(SaveResult::Outcome::NotSaved, save(definition).outcome);
    const QStringList sent = m_db.statements();
    ASSERT_GE(sent.size(), 7);
    EXPECT_TRUE(sent[6].startsWith("Create Trigger trgZOTA_BigOrders\r\nOn sales.ORDERS\r\n"));
    EXPECT_EQ((QStringList{useSales, "DROP TRIGGER sales.trgZOTA_BigOrders", useSales, dropTable}),
              sent.mid(sent.size() - 4));
}

// A statement of the save the server refuses, each with its own message.
const QString tableKept = QStringLiteral("Cannot drop the table 'tblZOTA_BigOrders'.");
const QString triggerKept = QStringLiteral("Cannot drop the trigger 'trgZOTA_BigOrders'.");
const QString denied = QStringLiteral("Permission denied.");
const QString tableLeft = QStringLiteral(
    "The audit table [tblZOTA_BigOrders] could not be removed again: please remove it by hand.");

QString refusalOf(const QString& statement) {
    if (statement == dropTable)
        return tableKept;
    return statement.startsWith("DROP TRIGGER") ? triggerKept : denied;
}

struct Rollback {
    const char* behaviour;
    QStringList failing;
    QStringList messages;
    QStringList sent;
};

class CreationFlowRollback : public CreationFlow, public ::testing::WithParamInterface<Rollback> {};

TEST_P(CreationFlowRollback, RemovesWhatWasCreatedInOrderAndReportsWhatStays) {
    openSharedConnection();
    for (const QString& statement : GetParam().failing)
        m_db.failOn(statement, FakeDatabase::error(refusalOf(statement), 3701));
    EXPECT_EQ(SaveResult::Outcome::NotSaved, save(bigOrders()).outcome);
    EXPECT_EQ(GetParam().messages, m_messages.texts());
    EXPECT_EQ(GetParam().sent, m_db.statements());
}

INSTANTIATE_TEST_SUITE_P(
    BigOrders, CreationFlowRollback,
    ::testing::Values(
        Rollback{"refused_trigger_drops_the_table",
                 {bigOrdersTrigger},
                 {"Error saving trigger to database", denied},
                 upToTrigger() + QStringList{useSales, dropTable}},
        // Dropping the table under a live trigger would make every insert into ORDERS fail.
        Rollback{"trigger_that_cannot_be_dropped_keeps_its_table",
                 {bigOrdersCatalogRow, "DROP TRIGGER trgZOTA_BigOrders"},
                 {catalogStep, denied,
                  "The trigger trgZOTA_BigOrders could not be removed again, so its audit table "
                  "[tblZOTA_BigOrders] is kept as well. Both are installed without an entry in "
                  "tblZOTA_SYSTEM_TABLE: please remove them by hand.",
                  triggerKept},
                 upToCatalogRow() + QStringList{useSales, "DROP TRIGGER trgZOTA_BigOrders"}},
        Rollback{"table_left_after_the_trigger_was_removed_is_reported",
                 {bigOrdersCatalogRow, dropTable},
                 {catalogStep, denied, tableLeft, tableKept},
                 upToCatalogRow() +
                     QStringList{useSales, "DROP TRIGGER trgZOTA_BigOrders", useSales, dropTable}}),
    [](const ::testing::TestParamInfo<Rollback>& info) { return info.param.behaviour; });

} // namespace
} // namespace quorvex
