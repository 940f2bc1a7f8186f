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

// What tblZOTA_SYSTEM_TABLE cannot keep would fail the install part-way or leave an audit that
// can be neither disabled, enabled nor deleted.
TEST(WholeSaveRefusals, TextsTheCatalogCannotKeepAreRefusedBeforeAnythingIsGenerated) {
    struct Case {
        const char* behaviour;
        QString name;
        QString description;
        QString table;
        QString refusal;
    };
    const QString twenty = QString(20, u'N');
    const QString hundred = QString(100, u't');
    const Case cases[] = {
        {"all_at_their_limits", twenty, QString(200, u'd'), hundred, {}},
        {"name_of_21",
         twenty + u'X',
         {},
         "ORDERS",
         "The Audit Name NNNNNNNNNNNNNNNNNNNNX has 21 characters, but tblZOTA_SYSTEM_TABLE keeps "
         "Audit Names of at most 20 characters. Please enter at most 20 characters."},
        {"description_of_201", "A", QString(201, u'd'), "ORDERS",
         "The Description has 201 characters, but tblZOTA_SYSTEM_TABLE keeps descriptions of at "
         "most 200 characters."},
        {"table_of_101",
         "A",
         {},
         hundred + u'u',
         "The table name " + hundred +
             "u has 101 characters, but tblZOTA_SYSTEM_TABLE keeps the "
             "audited table's name in at most 100 characters, and with a part of the name the "
             "audit "
             "could not be disabled, enabled or deleted. No audit can be installed on this table."},
    };
    for (const Case& c : cases) {
        AuditDefinition definition = bigOrders();
        definition.name = c.name;
        definition.description = c.description;
        definition.table = c.table;
        EXPECT_EQ(c.refusal, checkSqlServerAuditEntries(definition)) << c.behaviour;
    }
}

} // namespace
} // namespace quorvex::sqlserver
