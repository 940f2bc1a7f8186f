#include "sqlserver/SqlServerAuditGenerator.h"

#include "OrdersTable.h"

#include <gtest/gtest.h>

namespace quorvex::sqlserver {
namespace {

using quorvex::testing::bigOrders;
using quorvex::testing::ordersColumns;

TEST(WholeSave, SendsTableThenTriggerThenCatalogRow) {
    const GeneratedStatements generated = generateSqlServerAudit(bigOrders(), ordersColumns());
    ASSERT_EQ(QString(), generated.refusal);
    ASSERT_EQ(3, generated.statements.size());
    EXPECT_TRUE(
        generated.statements[0].startsWith(QStringLiteral("CREATE TABLE [tblZOTA_BigOrders] (")));
    EXPECT_TRUE(
        generated.statements[1].startsWith(QStringLiteral("Create Trigger trgZOTA_BigOrders\r\n")));
    EXPECT_EQ(
        QStringLiteral(
            "Insert Into tblZOTA_SYSTEM_TABLE (AUDIT_NAME,AUDIT_DESCRIPTION,ENABLED,TRIGGERTABLE) "
            "VALUES ('BigOrders','Large orders','Y','ORDERS')"),
        generated.statements[2]);
}

TEST(WholeSave, CatalogRowKeepsTheTableNameAsItStandsWithQuotesDoubled) {
    EXPECT_EQ(
        QStringLiteral(
            "Insert Into tblZOTA_SYSTEM_TABLE (AUDIT_NAME,AUDIT_DESCRIPTION,ENABLED,TRIGGERTABLE) "
            "VALUES ('A1','','Y','O''Brien Orders')"),
        sqlServerCatalogInsertStatement(QStringLiteral("A1"), QString(),
                                        QStringLiteral("O'Brien Orders")));
}

TEST(WholeSave, NamesOfTheObjectsToDropAgain) {
    EXPECT_EQ(QStringLiteral("[tblZOTA_BigOrders]"),
              sqlServerAuditTableName(QStringLiteral("BigOrders")));
    EXPECT_EQ(QStringLiteral("trgZOTA_BigOrders"),
              sqlServerTriggerName(QStringLiteral("BigOrders")));
}

TEST(WholeSaveRefusals, MissingTableNameOrColumnsAskForMoreInformation) {
    const QString missing = QStringLiteral("Please fill in more information");
    AuditDefinition definition = bigOrders();
    definition.table.clear();
    EXPECT_EQ(missing, generateSqlServerAudit(definition, ordersColumns()).refusal);
    definition = bigOrders();
    definition.name.clear();
    EXPECT_EQ(missing, generateSqlServerAudit(definition, ordersColumns()).refusal);
    definition = bigOrders();
    definition.columns.clear();
    const GeneratedStatements generated = generateSqlServerAudit(definition, ordersColumns());
    EXPECT_EQ(missing, generated.refusal);
    EXPECT_EQ(QStringList(), generated.statements);
}

TEST(WholeSaveRefusals, RequiredEntriesComeBeforeNameRulesAndNameBeforeDescription) {
    AuditDefinition definition = bigOrders();
    definition.name = QStringLiteral("Big Orders");
    definition.description = QStringLiteral("Bob's");
    EXPECT_EQ(QStringLiteral("Invalid character in the Audit Name. Please use only Alpha-numeric "
                             "and no spaces in the Audit name"),
              generateSqlServerAudit(definition, ordersColumns()).refusal);
    definition.name = QStringLiteral("BigOrders");
    EXPECT_EQ(
        QStringLiteral(
            "Invalid character in Description.  Please use only Alpha-numeric characters only"),
        checkSqlServerAuditEntries(definition));
    definition.columns.clear();
    EXPECT_EQ(QStringLiteral("Please fill in more information"),
              checkSqlServerAuditEntries(definition));
}

TEST(WholeSaveRefusals, ColumnAndTriggerRefusalsReachTheCaller) {
    ColumnInfoList columns = ordersColumns();
    columns[2].type = QStringLiteral("image");
    EXPECT_EQ(QStringLiteral("The field AMOUNT can not be used. It has been de-selected"),
              generateSqlServerAudit(bigOrders(), columns).refusal);
    AuditDefinition definition = bigOrders();
    definition.conditions[0].op = QStringLiteral("<>");
    const GeneratedStatements generated = generateSqlServerAudit(definition, ordersColumns());
    EXPECT_EQ(QStringLiteral(
                  "The condition on AMOUNT has the operator <>, which is not one of =, !=, > or <"),
              generated.refusal);
    EXPECT_EQ(QStringList(), generated.statements);
}

} // namespace
} // namespace quorvex::sqlserver
