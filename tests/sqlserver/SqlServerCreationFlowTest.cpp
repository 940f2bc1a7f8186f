// GO on the SQL Server main window against the scripted database: the statements sent, in
// order, the messages shown, and what is removed again when a step fails.
#include "sqlserver/SqlServerCreationFlow.h"

#include "components/SqlServerManager.h"
#include "sqlserver/SqlServerConnection.h"
#include "sqlserver/SqlServerSession.h"
#include "support/FakeDatabase.h"
#include "support/ScriptedMessageService.h"

#include "OrdersTable.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace quorvex {
namespace {

using quorvex::testing::bigOrders;
using quorvex::testing::condition;
using quorvex::testing::emptySlot;
using quorvex::testing::FakeDatabase;
using quorvex::testing::lines;
using quorvex::testing::priceChange;
using quorvex::testing::ScriptedMessageService;
using quorvex::testing::textRow;

const QStringList columnFields{"column_name", "type_name", "max_length",
                               "precision",   "scale",     "primary_key"};

const QString useSales = QStringLiteral("USE [Sales]");

QString duplicateQuery(const QString& name) {
    return QStringLiteral("SELECT AUDIT_NAME FROM tblZOTA_SYSTEM_TABLE WHERE AUDIT_NAME = '") +
           name + u'\'';
}

QString columnsQuery(const QString& table) {
    return SqlServerManager::columnsStatement(QStringLiteral("Sales"), table);
}

const QString bigOrdersTable = lines({
    "CREATE TABLE [tblZOTA_BigOrders] ([CUSTOMER] [varchar] (30) NULL ,",
    "[AMOUNT] [money] NULL ,",
    "[AuditDate] [datetime] NOT NULL DEFAULT CURRENT_TIMESTAMP ,",
    "[UserName] [char] (30) NOT NULL DEFAULT CURRENT_USER)",
});

const QString bigOrdersTrigger = lines({
    "Create Trigger trgZOTA_BigOrders",
    "On ORDERS",
    "WITH ENCRYPTION",
    "For INSERT",
    "AS",
    "SET NOCOUNT ON",
    "INSERT INTO [tblZOTA_BigOrders] (CUSTOMER,AMOUNT) SELECT ins.CUSTOMER,ins.AMOUNT from "
    "inserted ins",
    "WHERE CASE WHEN ins.AMOUNT > '1000' THEN 0 ELSE 1 END = 0",
});

const QString bigOrdersCatalogRow = QStringLiteral(
    "Insert Into tblZOTA_SYSTEM_TABLE (AUDIT_NAME,AUDIT_DESCRIPTION,ENABLED,TRIGGERTABLE) "
    "VALUES ('BigOrders','Large orders','Y','ORDERS')");

// The same columns taken when the rows are deleted, recorded unless ACME's rows are deleted by
// dbo.
AuditDefinition lostOrders() {
    AuditDefinition definition = bigOrders();
    definition.kind = AuditKind::Delete;
    definition.mode = AuditMode::AlwaysExceptIf;
    definition.conditions = {condition("CUSTOMER", "=", "ACME"),
                             condition("USERID", "!=", "dbo", "AND"), emptySlot()};
    definition.name = QStringLiteral("LostOrders");
    definition.description = QStringLiteral("Deleted orders");
    return definition;
}

// A fresh session logged in to the database Sales, its management connection and its shared
// connection open, ORDERS in the catalogue and no audit of the names used here installed.
class CreationFlow : public ::testing::Test {
protected:
    CreationFlow() : m_session(m_db) {
        m_session.login() = {"PRODSQL", "sa", "secret", "Sales"};
        EXPECT_TRUE(m_session.manager().connectServer("PRODSQL", "sa", "secret"));
        scriptTable("ORDERS", {textRow({"ORDER_ID", "int", "4", "10", "0", "1"}),
                               textRow({"CUSTOMER", "varchar", "30", "0", "0", "0"}),
                               textRow({"AMOUNT", "money", "8", "19", "4", "0"})});
        for (const char* name : {"BigOrders", "LostOrders", "PriceChange", "Archived"})
            m_db.onQuery(duplicateQuery(name), QStringList{"AUDIT_NAME"}, {});
    }

    void openSharedConnection() {
        EXPECT_TRUE(
            m_session.sharedConnection().open(buildSqlServerConnectionString(m_session.login())));
    }

    void scriptTable(const QString& table, const std::vector<Row>& columns) {
        m_db.onQuery(columnsQuery(table), columnFields, columns);
    }

    SaveResult save(const AuditDefinition& definition) {
        m_db.clearLog();
        return saveSqlServerAudit(definition, m_session, m_messages);
    }

    // What every save of BigOrders sends before the audit table.
    static QStringList bigOrdersChecks() {
        return {duplicateQuery("BigOrders"), columnsQuery("ORDERS")};
    }

    // Then the audit table, the trigger and the catalog row, each in the login's database.
    static QStringList bigOrdersInstall() {
        return {useSales,         bigOrdersTable, useSales,
                bigOrdersTrigger, useSales,       bigOrdersCatalogRow};
    }

    FakeDatabase m_db;
    SqlServerSession m_session;
    ScriptedMessageService m_messages;
};

class CreationFlowInstalls : public CreationFlow {
protected:
    CreationFlowInstalls() { openSharedConnection(); }
};

TEST_F(CreationFlowInstalls, InsertAuditSendsTableTriggerAndCatalogRowAfterTheChecks) {
    const SaveResult result = save(bigOrders());

    EXPECT_EQ(SaveResult::Outcome::Saved, result.outcome);
    EXPECT_EQ(QString(), result.deselectColumn);
    EXPECT_EQ(QStringList(), m_messages.texts());
    EXPECT_EQ(bigOrdersChecks() + bigOrdersInstall(), m_db.statements());
}

TEST_F(CreationFlowInstalls, DeleteAuditReadsDeletedRowsAndStoresAPlainCatalogRow) {
    const SaveResult result = save(lostOrders());

    EXPECT_EQ(SaveResult::Outcome::Saved, result.outcome);
    EXPECT_EQ(QStringList(), m_messages.texts());
    EXPECT_EQ((QStringList{
                  duplicateQuery("LostOrders"),
                  columnsQuery("ORDERS"),
                  useSales,
                  lines({"CREATE TABLE [tblZOTA_LostOrders] ([CUSTOMER] [varchar] (30) NULL ,",
                         "[AMOUNT] [money] NULL ,",
                         "[AuditDate] [datetime] NOT NULL DEFAULT CURRENT_TIMESTAMP ,",
                         "[UserName] [char] (30) NOT NULL DEFAULT CURRENT_USER)"}),
                  useSales,
                  lines({"Create Trigger trgZOTA_LostOrders", "On ORDERS", "WITH ENCRYPTION",
                         "For DELETE", "AS", "SET NOCOUNT ON",
                         "INSERT INTO [tblZOTA_LostOrders] (CUSTOMER,AMOUNT) SELECT "
                         "del.CUSTOMER,del.AMOUNT from deleted del",
                         "WHERE CASE WHEN del.CUSTOMER = 'ACME' AND user_name() != 'dbo' THEN 1 "
                         "ELSE 0 END = 0"}),
                  useSales,
                  "Insert Into tblZOTA_SYSTEM_TABLE "
                  "(AUDIT_NAME,AUDIT_DESCRIPTION,ENABLED,TRIGGERTABLE) VALUES "
                  "('LostOrders','Deleted orders','Y','ORDERS')",
              }),
              m_db.statements());
}

TEST_F(CreationFlowInstalls, UpdateAuditKeepsOldValuesPairedThroughThePrimaryKey) {
    const SaveResult result = save(priceChange());

    EXPECT_EQ(SaveResult::Outcome::Saved, result.outcome);
    EXPECT_EQ(QStringList(), m_messages.texts());
    EXPECT_EQ((QStringList{
                  duplicateQuery("PriceChange"),
                  columnsQuery("ORDERS"),
                  useSales,
                  lines({"CREATE TABLE [tblZOTA_PriceChange] ([CUSTOMER] [varchar] (30) NULL ,",
                         "[AMOUNT] [money] NULL ,", "[oldAMOUNT] [money] NULL ,",
                         "[AuditDate] [datetime] NOT NULL DEFAULT CURRENT_TIMESTAMP ,",
                         "[UserName] [char] (30) NOT NULL DEFAULT CURRENT_USER)"}),
                  useSales,
                  lines({"Create Trigger trgZOTA_PriceChange", "On ORDERS", "WITH ENCRYPTION",
                         "For Update as ", "SET NOCOUNT ON", "IF  UPDATE(AMOUNT)",
                         "INSERT INTO [tblZOTA_PriceChange] (CUSTOMER,AMOUNT,oldAMOUNT) SELECT "
                         "inserted.CUSTOMER,inserted.AMOUNT,deleted.AMOUNT from inserted LEFT "
                         "JOIN deleted ON deleted.ORDER_ID = inserted.ORDER_ID"}),
                  useSales,
                  "Insert Into tblZOTA_SYSTEM_TABLE "
                  "(AUDIT_NAME,AUDIT_DESCRIPTION,ENABLED,TRIGGERTABLE) VALUES "
                  "('PriceChange','Price changes','Y','ORDERS')",
              }),
              m_db.statements());
}

TEST_F(CreationFlowInstalls, AuditTableCopiesTheTypesOfTheTableTheAuditNames) {
    // ARCHIVE keeps its amounts as decimal(18,2); the audit table must too, whatever table
    // was listed last on the other tab.
    scriptTable("ARCHIVE", {textRow({"ORDER_ID", "int", "4", "10", "0", "1"}),
                            textRow({"AMOUNT", "decimal", "9", "18", "2", "0"})});
    AuditDefinition definition = bigOrders();
    definition.table = QStringLiteral("ARCHIVE");
    definition.columns = {QStringLiteral("AMOUNT")};
    definition.name = QStringLiteral("Archived");

    EXPECT_EQ(SaveResult::Outcome::Saved, save(definition).outcome);
    const QStringList sent = m_db.statements();
    ASSERT_EQ(8, sent.size());
    EXPECT_EQ(columnsQuery("ARCHIVE"), sent[1]);
    EXPECT_EQ(lines({"CREATE TABLE [tblZOTA_Archived] ([AMOUNT] [decimal] (18,2) NULL ,",
                     "[AuditDate] [datetime] NOT NULL DEFAULT CURRENT_TIMESTAMP ,",
                     "[UserName] [char] (30) NOT NULL DEFAULT CURRENT_USER)"}),
              sent[3]);
}

// --- the shared connection -------------------------------------------------------------------

TEST_F(CreationFlow, ClosedSharedConnectionIsOpenedFirst) {
    const SaveResult result = save(bigOrders());

    EXPECT_EQ(SaveResult::Outcome::Saved, result.outcome);
    EXPECT_EQ(QStringList{buildSqlServerConnectionString(m_session.login())},
              m_db.connectionStrings());
    EXPECT_EQ(ConnectionState::Open, m_session.sharedConnection().state());
    EXPECT_EQ(QStringList(), m_messages.texts());
    EXPECT_EQ(duplicateQuery("BigOrders"), m_db.statements().value(0));
}

TEST_F(CreationFlow, OpenSharedConnectionIsUsedAsItIs) {
    openSharedConnection();
    EXPECT_EQ(SaveResult::Outcome::Saved, save(bigOrders()).outcome);
    EXPECT_EQ(QStringList(), m_db.connectionStrings());
}

TEST_F(CreationFlow, FailedOpenEndsTheSaveWithTheDriversReportOnly) {
    m_db.failOpen(FakeDatabase::error("Login failed for user 'sa'.", 18456, "28000"));
    AuditDefinition definition = bigOrders();
    definition.name.clear(); // the connection comes before the entries

    const SaveResult result = save(definition);

    EXPECT_EQ(SaveResult::Outcome::NotSaved, result.outcome);
    EXPECT_EQ(QStringList{"Error #: -1\r\nDescription: Login failed for user 'sa'.\r\nSource: "
                          "[FakeDatabase]\r\nSQL State: 28000\r\nNative Error: 18456\r\n\r\n"},
              m_messages.texts());
    EXPECT_EQ(QStringList(), m_db.statements());
    EXPECT_EQ(ConnectionState::Closed, m_session.sharedConnection().state());
}

// --- checks before anything is created -------------------------------------------------------

class CreationFlowChecks : public CreationFlowInstalls {
protected:
    void expectRefused(const AuditDefinition& definition, const QStringList& messages,
                       const QStringList& sent) {
        const SaveResult result = save(definition);
        EXPECT_EQ(SaveResult::Outcome::NotSaved, result.outcome);
        EXPECT_EQ(QString(), result.deselectColumn);
        EXPECT_EQ(messages, m_messages.texts());
        EXPECT_EQ(sent, m_db.statements());
        m_messages.clear();
    }
};

TEST_F(CreationFlowChecks, MissingTableNameOrColumnsAskOnlyForMoreInformation) {
    const QStringList pleaseFillIn{"Please fill in more information"};
    AuditDefinition noTable = bigOrders();
    noTable.table.clear();
    AuditDefinition noName = bigOrders();
    noName.name.clear();
    AuditDefinition noColumns = priceChange();
    noColumns.columns.clear();
    noColumns.saveOldValue.clear();

    expectRefused(noTable, pleaseFillIn, {});
    expectRefused(noName, pleaseFillIn, {});
    expectRefused(noColumns, pleaseFillIn, {});
}

TEST_F(CreationFlowChecks, NameAndDescriptionRulesShowTheirMessage) {
    AuditDefinition badName = bigOrders();
    badName.name = QStringLiteral("Big Orders");
    badName.description = QStringLiteral("Bob's orders");
    AuditDefinition badDescription = bigOrders();
    badDescription.description = QStringLiteral("Large orders!");

    expectRefused(badName,
                  {"Invalid character in the Audit Name. Please use only Alpha-numeric and no "
                   "spaces in the Audit name"},
                  {});
    expectRefused(
        badDescription,
        {"Invalid character in Description.  Please use only Alpha-numeric characters only"}, {});
}

TEST_F(CreationFlowChecks, NameInTheCatalogIsRefusedBeforeAnythingIsCreated) {
    m_db.onQuery(duplicateQuery("Orders2"), QStringList{"AUDIT_NAME"}, {textRow({"orders2"})});
    AuditDefinition definition = bigOrders();
    definition.name = QStringLiteral("Orders2");

    expectRefused(definition,
                  {"You already have an Audit with that name.  Please enter another name."},
                  {duplicateQuery("Orders2")});
}

TEST_F(CreationFlowChecks, FailingCatalogQueryIsReportedWithTheServersMessage) {
    m_db.failOn(duplicateQuery("Orders2"),
                FakeDatabase::error("Invalid object name 'tblZOTA_SYSTEM_TABLE'.", 208, "42S02"));
    AuditDefinition definition = bigOrders();
    definition.name = QStringLiteral("Orders2");

    expectRefused(definition,
                  {"Error reading tblZOTA_SYSTEM_TABLE to check the Audit Name",
                   "Invalid object name 'tblZOTA_SYSTEM_TABLE'."},
                  {duplicateQuery("Orders2")});
}

// --- refusals of the generators --------------------------------------------------------------

TEST_F(CreationFlowChecks, UnusableColumnTypeIsDeselectedAndNothingIsCreated) {
    scriptTable("NOTES", {textRow({"NOTE_ID", "int", "4", "10", "0", "1"}),
                          textRow({"AUTHOR", "varchar", "30", "0", "0", "0"}),
                          textRow({"BODY", "text", "16", "0", "0", "0"}),
                          textRow({"PAGES", "int", "4", "10", "0", "0"})});
    AuditDefinition definition = bigOrders();
    definition.table = QStringLiteral("NOTES");
    definition.columns = {QStringLiteral("AUTHOR"), QStringLiteral("BODY"),
                          QStringLiteral("PAGES")};
    definition.conditions = {emptySlot()};

    const SaveResult result = save(definition);

    EXPECT_EQ(SaveResult::Outcome::NotSaved, result.outcome);
    EXPECT_EQ(QStringLiteral("BODY"), result.deselectColumn);
    EXPECT_EQ((QStringList{"The field BODY can not be used. It has been de-selected",
                           "Error creating audit table colums."}),
              m_messages.texts());
    EXPECT_EQ((QStringList{duplicateQuery("BigOrders"), columnsQuery("NOTES")}), m_db.statements());
}

TEST_F(CreationFlowChecks, ColumnGoneFromTheTableIsRefusedWithoutDeselecting) {
    AuditDefinition definition = bigOrders();
    definition.columns = {QStringLiteral("CUSTOMER"), QStringLiteral("DISCOUNT")};

    expectRefused(definition,
                  {"The field DISCOUNT is not a column of the table ORDERS",
                   "Error creating audit table colums."},
                  bigOrdersChecks());
}

TEST_F(CreationFlowChecks, TableGoneFromTheDatabaseEndsTheColumnStep) {
    scriptTable("OLD_ORDERS", {});
    AuditDefinition definition = bigOrders();
    definition.table = QStringLiteral("OLD_ORDERS");

    expectRefused(definition,
                  {"The name 'OLD_ORDERS' was not found in the Tables collection of database "
                   "'Sales'.",
                   "Error creating audit table colums."},
                  {duplicateQuery("BigOrders"), columnsQuery("OLD_ORDERS")});
}

TEST_F(CreationFlowChecks, UnknownOperatorEndsTheTriggerStep) {
    AuditDefinition definition = bigOrders();
    definition.conditions[0].op = QStringLiteral("<>");

    expectRefused(definition,
                  {"The condition on AMOUNT has the operator <>, which is not one of =, !=, > or <",
                   "Error creating trigger text"},
                  bigOrdersChecks());
}

// --- refusals of the server and what is removed again ----------------------------------------

TEST_F(CreationFlowChecks, RefusedAuditTableShowsTheServersMessageAndDropsNothing) {
    m_db.failOn(bigOrdersTable,
                FakeDatabase::error("There is already an object named 'tblZOTA_BigOrders' in the "
                                    "database.",
                                    2714));

    expectRefused(bigOrders(),
                  {"There is already an object named 'tblZOTA_BigOrders' in the database.",
                   "Error saving table to database"},
                  bigOrdersChecks() + QStringList{useSales, bigOrdersTable});
}

TEST_F(CreationFlowChecks, RefusedTriggerDropsTheAuditTableAgain) {
    m_db.failOn(bigOrdersTrigger,
                FakeDatabase::error("There is already an object named 'trgZOTA_BigOrders' in the "
                                    "database.",
                                    2714));

    expectRefused(bigOrders(),
                  {"Error saving trigger to database",
                   "There is already an object named 'trgZOTA_BigOrders' in the database."},
                  bigOrdersChecks() + QStringList{useSales, bigOrdersTable, useSales,
                                                  bigOrdersTrigger, useSales,
                                                  "DROP TABLE [tblZOTA_BigOrders]"});
}

TEST_F(CreationFlowChecks, AuditTableThatCannotBeDroppedAgainIsReported) {
    m_db.failOn(bigOrdersTrigger, FakeDatabase::error("Permission denied on ORDERS.", 229));
    m_db.failOn("DROP TABLE [tblZOTA_BigOrders]",
                FakeDatabase::error("Cannot drop the table 'tblZOTA_BigOrders'.", 3701));

    expectRefused(bigOrders(),
                  {"Error saving trigger to database", "Permission denied on ORDERS.",
                   "The audit table [tblZOTA_BigOrders] could not be removed again: please "
                   "remove it by hand.",
                   "Cannot drop the table 'tblZOTA_BigOrders'."},
                  bigOrdersChecks() + QStringList{useSales, bigOrdersTable, useSales,
                                                  bigOrdersTrigger, useSales,
                                                  "DROP TABLE [tblZOTA_BigOrders]"});
}

TEST_F(CreationFlowChecks, FailingCatalogRowRemovesTriggerThenTable) {
    // AUDIT_NAME holds 20 characters; the name field admits more.
    AuditDefinition definition = bigOrders();
    definition.name = QStringLiteral("BigOrdersOfTheYear2024");
    m_db.onQuery(duplicateQuery(definition.name), QStringList{"AUDIT_NAME"}, {});
    m_db.failOnMatching(QRegularExpression("^Insert Into tblZOTA_SYSTEM_TABLE "),
                        FakeDatabase::error("String or binary data would be truncated.", 8152));

    const SaveResult result = save(definition);

    EXPECT_EQ(SaveResult::Outcome::NotSaved, result.outcome);
    EXPECT_EQ((QStringList{"Error saving the audit to tblZOTA_SYSTEM_TABLE",
                           "String or binary data would be truncated."}),
              m_messages.texts());
    const QStringList sent = m_db.statements();
    ASSERT_EQ(12, sent.size());
    EXPECT_TRUE(sent[3].startsWith("CREATE TABLE [tblZOTA_BigOrdersOfTheYear2024] ("));
    EXPECT_TRUE(sent[5].startsWith("Create Trigger trgZOTA_BigOrdersOfTheYear2024\r\n"));
    EXPECT_EQ((QStringList{useSales,
                           "Insert Into tblZOTA_SYSTEM_TABLE (AUDIT_NAME,AUDIT_DESCRIPTION,ENABLED,"
                           "TRIGGERTABLE) VALUES ('BigOrdersOfTheYear2024','Large orders','Y',"
                           "'ORDERS')",
                           useSales, "DROP TRIGGER trgZOTA_BigOrdersOfTheYear2024", useSales,
                           "DROP TABLE [tblZOTA_BigOrdersOfTheYear2024]"}),
              sent.mid(6));
}

TEST_F(CreationFlowChecks, TriggerOfATableOutsideDboIsRemovedFromItsSchema) {
    AuditDefinition definition = bigOrders();
    definition.table = QStringLiteral("sales.ORDERS");
    scriptTable("sales.ORDERS", {textRow({"CUSTOMER", "varchar", "30", "0", "0", "0"}),
                                 textRow({"AMOUNT", "money", "8", "19", "4", "0"})});
    m_db.failOnMatching(QRegularExpression("^Insert Into tblZOTA_SYSTEM_TABLE "),
                        FakeDatabase::error("Permission denied.", 229));

    EXPECT_EQ(SaveResult::Outcome::NotSaved, save(definition).outcome);

    const QStringList sent = m_db.statements();
    ASSERT_GE(sent.size(), 6);
    EXPECT_TRUE(sent[5].startsWith("Create Trigger trgZOTA_BigOrders\r\nOn sales.ORDERS\r\n"));
    EXPECT_EQ((QStringList{useSales, "DROP TRIGGER sales.trgZOTA_BigOrders", useSales,
                           "DROP TABLE [tblZOTA_BigOrders]"}),
              sent.mid(sent.size() - 4));
}

TEST_F(CreationFlowChecks, TriggerThatCannotBeDroppedKeepsItsAuditTable) {
    // Dropping the table under a live trigger would make every insert into ORDERS fail.
    m_db.failOn(bigOrdersCatalogRow, FakeDatabase::error("Permission denied.", 229));
    m_db.failOn("DROP TRIGGER trgZOTA_BigOrders",
                FakeDatabase::error("Cannot drop the trigger 'trgZOTA_BigOrders'.", 3701));

    expectRefused(bigOrders(),
                  {"Error saving the audit to tblZOTA_SYSTEM_TABLE", "Permission denied.",
                   "The trigger trgZOTA_BigOrders could not be removed again, so its audit table "
                   "[tblZOTA_BigOrders] is kept as well. Both are installed without an entry in "
                   "tblZOTA_SYSTEM_TABLE: please remove them by hand.",
                   "Cannot drop the trigger 'trgZOTA_BigOrders'."},
                  bigOrdersChecks() + QStringList{useSales, bigOrdersTable, useSales,
                                                  bigOrdersTrigger, useSales, bigOrdersCatalogRow,
                                                  useSales, "DROP TRIGGER trgZOTA_BigOrders"});
}

TEST_F(CreationFlowChecks, AuditTableLeftAfterTheTriggerWasRemovedIsReported) {
    m_db.failOn(bigOrdersCatalogRow, FakeDatabase::error("Permission denied.", 229));
    m_db.failOn("DROP TABLE [tblZOTA_BigOrders]",
                FakeDatabase::error("Cannot drop the table 'tblZOTA_BigOrders'.", 3701));

    expectRefused(bigOrders(),
                  {"Error saving the audit to tblZOTA_SYSTEM_TABLE", "Permission denied.",
                   "The audit table [tblZOTA_BigOrders] could not be removed again: please "
                   "remove it by hand.",
                   "Cannot drop the table 'tblZOTA_BigOrders'."},
                  bigOrdersChecks() + QStringList{useSales, bigOrdersTable, useSales,
                                                  bigOrdersTrigger, useSales, bigOrdersCatalogRow,
                                                  useSales, "DROP TRIGGER trgZOTA_BigOrders",
                                                  useSales, "DROP TABLE [tblZOTA_BigOrders]"});
}

TEST_F(CreationFlowChecks, LostManagementConnectionCreatesNothing) {
    FakeDatabase other;
    SqlServerSession unconnected(other);
    unconnected.login() = m_session.login();
    other.onQuery(duplicateQuery("BigOrders"), QStringList{"AUDIT_NAME"}, {});

    const SaveResult result = saveSqlServerAudit(bigOrders(), unconnected, m_messages);

    EXPECT_EQ(SaveResult::Outcome::NotSaved, result.outcome);
    EXPECT_EQ((QStringList{"No SQL Server is connected.", "Error creating audit table colums."}),
              m_messages.texts());
    EXPECT_EQ(QStringList{duplicateQuery("BigOrders")}, other.statements());
}

TEST_F(CreationFlowChecks, SecondSaveStartsFromNothingOfTheFirst) {
    ASSERT_EQ(SaveResult::Outcome::Saved, save(lostOrders()).outcome);
    const SaveResult second = save(bigOrders());

    EXPECT_EQ(SaveResult::Outcome::Saved, second.outcome);
    EXPECT_EQ(bigOrdersChecks() + bigOrdersInstall(), m_db.statements());
}

} // namespace
} // namespace quorvex
