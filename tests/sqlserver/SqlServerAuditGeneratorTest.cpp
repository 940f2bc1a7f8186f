#include "sqlserver/SqlServerAuditGenerator.h"

#include "OrdersTable.h"

#include <gtest/gtest.h>

namespace quorvex::sqlserver {
namespace {

using quorvex::testing::bigOrders;
using quorvex::testing::ordersColumns;

// The whole statements of BigOrders are compared in the creation flow's tests.
TEST(WholeSave, CatalogRowKeepsTheTableNameAsItStandsWithQuotesDoubled) {
    EXPECT_EQ(
        QStringLiteral(
            "Insert Into tblZOTA_SYSTEM_TABLE (AUDIT_NAME,AUDIT_DESCRIPTION,ENABLED,TRIGGERTABLE) "
            "VALUES ('A1','','Y','O''Brien Orders')"),
        sqlServerCatalogInsertStatement("A1", QString(), "O'Brien Orders"));
    EXPECT_EQ(QStringLiteral("[tblZOTA_BigOrders]"), sqlServerAuditTableName("BigOrders"));
    EXPECT_EQ(QStringLiteral("trgZOTA_BigOrders"), sqlServerTriggerName("BigOrders"));
}

TEST(WholeSaveRefusals, RequiredEntriesComeBeforeNameRulesAndNameBeforeDescription) {
    const QString missing = QStringLiteral("Please fill in more information");
    AuditDefinition definition = bigOrders();
    definition.table.clear();
    EXPECT_EQ(missing, generateSqlServerAudit(definition, ordersColumns()).refusal);
    definition = bigOrders();
    definition.name = "Big Orders";
    definition.description = "Bob's";
    EXPECT_EQ(QStringLiteral("Invalid character in the Audit Name. Please use only Alpha-numeric "
                             "and no spaces in the Audit name"),
              generateSqlServerAudit(definition, ordersColumns()).refusal);
    definition.name = "BigOrders";
    EXPECT_EQ(
        QStringLiteral(
            "Invalid character in Description.  Please use only Alpha-numeric characters only"),
        checkSqlServerAuditEntries(definition));
    definition.columns.clear();
    const GeneratedStatements generated = generateSqlServerAudit(definition, ordersColumns());
    EXPECT_EQ(missing, generated.refusal);
    EXPECT_EQ(QStringList(), generated.statements);
}

} // namespace
} // namespace quorvex::sqlserver
