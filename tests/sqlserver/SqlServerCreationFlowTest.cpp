// GO with the catalog row and then the undo failing: the statements sent, in order, and the
// messages shown. The engine tests show GO and a refused trigger on a real server.
#include "sqlserver/SqlServerCreationFlow.h"

#include "sqlserver/SqlServerConnection.h"
#include "sqlserver/SqlServerManager.h"
#include "sqlserver/SqlServerSession.h"
#include "support/FakeDatabase.h"
#include "support/ScriptedMessageService.h"

#include "OrdersTable.h"

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

QString duplicateQuery(const QString& name) {
    return "SELECT AUDIT_NAME FROM tblZOTA_SYSTEM_TABLE WHERE AUDIT_NAME = '" + name + u'\'';
}

QString tableNameQuery(const QString& table) {
    return QStringLiteral("SELECT CASE WHEN CAST(RTRIM(CAST(CAST(N'%1' AS char(100)) AS "
                          "nvarchar(200))) AS varbinary(400)) = CAST(RTRIM(N'%1') AS "
                          "varbinary(400)) THEN 1 ELSE 0 END")
        .arg(table);
}

QString columnsQuery(const QString& table) {
    return SqlServerManager::columnsStatement(QStringLiteral("Sales"), table);
}

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
QStringList checks() {
    return {duplicateQuery("BigOrders"), tableNameQuery("ORDERS"), columnsQuery("ORDERS")};
}
QStringList upToCatalogRow() {
    return checks() + QStringList{useSales,         bigOrdersTable, useSales,
                                  bigOrdersTrigger, useSales,       bigOrdersCatalogRow};
}

// Logged in to Sales, ORDERS in the catalogue, BigOrders not installed.
class CreationFlow : public ::testing::Test {
protected:
    CreationFlow() : m_session(m_db) {
        m_session.login() = {"PRODSQL", "sa", "secret", "Sales"};
        EXPECT_TRUE(m_session.manager().connectServer("PRODSQL", "sa", "secret"));
        scriptOrders("ORDERS");
        m_db.onQuery(duplicateQuery("BigOrders"), QStringList{"AUDIT_NAME"}, {});
        m_db.onQuery(SqlServerManager::engineStatement(), QStringList{"engine"},
                     {textRow({nullptr})});
        m_session.manager().engine();
    }

    void scriptOrders(const QString& table) {
        m_db.onQuery(columnsQuery(table), QStringList{"name", "type", "l", "p", "s", "key"},
                     {textRow({"ORDER_ID", "int", "4", "10", "0", "1"}),
                      textRow({"CUSTOMER", "varchar", "30", "0", "0", "0"}),
                      textRow({"AMOUNT", "money", "8", "19", "4", "0"})});
        m_db.onQuery(tableNameQuery(table), QStringList{"kept"}, {textRow({"1"})});
    }
    SaveResult save(const AuditDefinition& definition) {
        m_db.clearLog();
        return saveSqlServerAudit(definition, m_session, m_messages);
    }

    FakeDatabase m_db;
    SqlServerSession m_session;
    ScriptedMessageService m_messages;
};

TEST_F(CreationFlow, TriggerOfATableOutsideDboIsRemovedFromItsSchema) {
    AuditDefinition definition = bigOrders();
    definition.table = "sales.ORDERS";
    scriptOrders(definition.table);
    m_db.failOn(QString(bigOrdersCatalogRow).replace("'ORDERS'", "'sales.ORDERS'"),
                FakeDatabase::error("Permission denied.", 229));
    EXPECT_EQ(SaveResult::Outcome::NotSaved, save(definition).outcome);
    const QStringList sent = m_db.statements();
    EXPECT_EQ((QStringList{useSales, "DROP TRIGGER sales.trgZOTA_BigOrders", useSales, dropTable}),
              sent.mid(sent.size() - 4));
}

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
    for (const QString& statement : GetParam().failing)
        m_db.failOn(statement, FakeDatabase::error(refusalOf(statement), 3701));
    EXPECT_EQ(SaveResult::Outcome::NotSaved, save(bigOrders()).outcome);
    EXPECT_EQ(GetParam().messages, m_messages.texts());
    EXPECT_EQ(GetParam().sent, m_db.statements());
}

INSTANTIATE_TEST_SUITE_P(
    BigOrders, CreationFlowRollback,
    ::testing::Values(
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
