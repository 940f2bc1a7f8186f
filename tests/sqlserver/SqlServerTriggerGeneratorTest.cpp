#include "sqlserver/SqlServerTriggerGenerator.h"

#include "sqlserver/SqlServerAuditTableGenerator.h"

#include "OrdersTable.h"

#include <gtest/gtest.h>

namespace quorvex::sqlserver {
namespace {

using quorvex::testing::bigOrders;
using quorvex::testing::condition;
using quorvex::testing::emptySlot;
using quorvex::testing::lines;
using quorvex::testing::ordersColumns;
using quorvex::testing::priceChange;

// The trigger text of a definition, or its refusal.
QString trigger(const AuditDefinition& definition,
                const ColumnInfoList& columns = ordersColumns()) {
    const SqlServerAuditTableGenerator table(definition, columns);
    if (table.refused()) {
        return QStringLiteral("table refused: ") + table.refusal();
    }
    const SqlServerTriggerGenerator generator(definition, columns, table);
    return generator.refused() ? generator.refusal() : generator.triggerText();
}

const QString bigOrdersHead = lines({
    "Create Trigger trgZOTA_BigOrders",
    "On ORDERS",
    "WITH ENCRYPTION",
    "For INSERT",
    "AS",
    "SET NOCOUNT ON",
    "INSERT INTO [tblZOTA_BigOrders] (CUSTOMER,AMOUNT) SELECT "
    "ins.CUSTOMER,ins.AMOUNT from inserted ins",
});

const QString priceChangeHead = lines({
    "Create Trigger trgZOTA_PriceChange",
    "On ORDERS",
    "WITH ENCRYPTION",
    "For Update as ",
    "SET NOCOUNT ON",
});

TEST(InsertAndDeleteTriggers, DeleteVariantWithAcmeAndUserTestsBothPerRow) {
    AuditDefinition definition = bigOrders();
    definition.kind = AuditKind::Delete;
    definition.saveOldValue = {true, true}; // a delete keeps no old values
    definition.mode = AuditMode::AlwaysExceptIf;
    definition.conditions = {condition("CUSTOMER", "=", "ACME"),
                             condition("USERID", "!=", "dbo", "AND"), emptySlot()};
    EXPECT_EQ(lines({"Create Trigger trgZOTA_BigOrders", "On ORDERS", "WITH ENCRYPTION",
                     "For DELETE", "AS", "SET NOCOUNT ON",
                     "INSERT INTO [tblZOTA_BigOrders] (CUSTOMER,AMOUNT) SELECT "
                     "del.CUSTOMER,del.AMOUNT from deleted del",
                     "WHERE CASE WHEN del.CUSTOMER = 'ACME' AND user_name() != N'dbo' THEN "
                     "1 ELSE 0 END = 0"}),
              trigger(definition));
}

TEST(InsertAndDeleteTriggers, WithoutConditionsOnlyWhenRecordsNothingAndAlwaysExceptRecordsAll) {
    AuditDefinition definition = bigOrders();
    definition.conditions = {emptySlot()};
    EXPECT_EQ(bigOrdersHead + "\r\nWHERE 1 = 0", trigger(definition));
    definition.mode = AuditMode::AlwaysExceptIf;
    EXPECT_EQ(bigOrdersHead, trigger(definition));
}

TEST(InsertAndDeleteTriggers, OrJoinsEveryConditionAndUseridReadsTheCurrentUser) {
    AuditDefinition definition = bigOrders();
    definition.mode = AuditMode::AlwaysExceptIf;
    definition.connective = Connective::Or;
    definition.conditions = {condition("AMOUNT", "<", "5"), condition("USERID", "=", "batch", "OR"),
                             condition("CUSTOMER", "!=", QString(), "OR"), emptySlot()};
    EXPECT_EQ(bigOrdersHead + "\r\nWHERE CASE WHEN ins.AMOUNT < '5' OR user_name() = N'batch' "
                              "OR ins.CUSTOMER != '' THEN 1 ELSE 0 END = 0",
              trigger(definition));
}

TEST(InsertAndDeleteTriggers, QuotesInValuesAreDoubledAndEmptyRowsSkipped) {
    AuditDefinition definition = bigOrders();
    definition.conditions = {
        emptySlot(), condition("CUSTOMER", "=", "O'Brien'; DROP TABLE ORDERS --"), emptySlot()};
    EXPECT_EQ(bigOrdersHead +
                  "\r\nWHERE CASE WHEN ins.CUSTOMER = 'O''Brien''; DROP TABLE ORDERS --' "
                  "THEN 0 ELSE 1 END = 0",
              trigger(definition));
}

TEST(InsertAndDeleteTriggers, ValuesAreWrittenAsTheirColumnsReadThemUnderEveryLanguage) {
    AuditDefinition definition = bigOrders();
    definition.conditions = {condition("CITY", "=", "Łódź"),
                             condition("SHIPPED", ">", "2024-01-13", "AND"),
                             condition("AMOUNT", ">", "1000", "AND"), emptySlot()};
    ColumnInfoList columns = ordersColumns();
    columns << ColumnInfo{"CITY", "nvarchar", 40} << ColumnInfo{"SHIPPED", "datetime", 8, 23, 3};
    EXPECT_EQ(bigOrdersHead + "\r\nWHERE CASE WHEN ins.CITY = N'Łódź' AND ins.SHIPPED > "
                              "'20240113' AND ins.AMOUNT > '1000' THEN 0 ELSE 1 END = 0",
              trigger(definition, columns));
}

TEST(InsertAndDeleteTriggers, OddTableAndColumnNamesAreBracketedEverywhere) {
    AuditDefinition definition = bigOrders();
    definition.table = "Order Details";
    definition.columns = {"KEY"};
    definition.conditions = {condition("KEY", "=", "1")};
    const ColumnInfoList columns = {{"KEY", "int"}};
    EXPECT_EQ(lines({"Create Trigger trgZOTA_BigOrders", "On [Order Details]", "WITH ENCRYPTION",
                     "For INSERT", "AS", "SET NOCOUNT ON",
                     "INSERT INTO [tblZOTA_BigOrders] ([KEY]) SELECT ins.[KEY] from inserted ins",
                     "WHERE CASE WHEN ins.[KEY] = '1' THEN 0 ELSE 1 END = 0"}),
              trigger(definition, columns));
}

TEST(UpdateTriggers, PriceChangePairsOldAndNewRowsThroughThePrimaryKey) {
    EXPECT_EQ(priceChangeHead +
                  "\r\nIF  UPDATE(AMOUNT)\r\nINSERT INTO [tblZOTA_PriceChange] "
                  "(CUSTOMER,AMOUNT,oldAMOUNT) "
                  "SELECT inserted.CUSTOMER,inserted.AMOUNT,deleted.AMOUNT from inserted LEFT JOIN "
                  "deleted ON deleted.ORDER_ID = inserted.ORDER_ID",
              trigger(priceChange()));
}

TEST(UpdateTriggers, TableWithoutPrimaryKeyKeepsOldValuesOfSingleRowUpdatesOnly) {
    ColumnInfoList columns = ordersColumns();
    columns[0].primaryKey = false;
    AuditDefinition definition = priceChange();
    definition.changedFields.clear();
    EXPECT_EQ(priceChangeHead +
                  "\r\nINSERT INTO [tblZOTA_PriceChange] (CUSTOMER,AMOUNT,oldAMOUNT) "
                  "SELECT inserted.CUSTOMER,inserted.AMOUNT,deleted.AMOUNT from inserted LEFT JOIN "
                  "deleted ON (SELECT COUNT(*) FROM inserted) = 1",
              trigger(definition, columns));
}

TEST(UpdateTriggers, CompositeAndOddlyNamedKeysJoinOnEveryKeyColumn) {
    ColumnInfoList columns = ordersColumns();
    columns << ColumnInfo{"LINE NO", "int", 4, 10, 0, true};
    EXPECT_EQ(priceChangeHead +
                  "\r\nIF  UPDATE(AMOUNT)\r\nINSERT INTO [tblZOTA_PriceChange] "
                  "(CUSTOMER,AMOUNT,oldAMOUNT) "
                  "SELECT inserted.CUSTOMER,inserted.AMOUNT,deleted.AMOUNT from inserted LEFT JOIN "
                  "deleted ON deleted.ORDER_ID = inserted.ORDER_ID AND deleted.[LINE NO] = "
                  "inserted.[LINE NO]",
              trigger(priceChange(), columns));
}

TEST(UpdateTriggers, WithoutOldValuesReadsInsertedAloneAndTestsItsConditions) {
    AuditDefinition definition = priceChange();
    definition.saveOldValue = {false, false};
    definition.changedFields = {"AMOUNT", "ORDER_ID"};
    definition.mode = AuditMode::OnlyWhen;
    definition.conditions = {condition("CUSTOMER", "=", "ACME"), emptySlot()};
    EXPECT_EQ(priceChangeHead + "\r\nIF  UPDATE(AMOUNT) OR UPDATE(ORDER_ID)\r\nINSERT INTO "
                                "[tblZOTA_PriceChange] (CUSTOMER,AMOUNT) "
                                "SELECT inserted.CUSTOMER,inserted.AMOUNT from inserted\r\n"
                                "WHERE CASE WHEN inserted.CUSTOMER = 'ACME' THEN 0 ELSE 1 END = 0",
              trigger(definition));
}

// A watched column's test, NULL-safe both ways, its values compared as `compared` shows them.
QString differs(const QString& column, const QString& compared = "%1") {
    const QString now = "inserted." + column;
    const QString before = "deleted." + column;
    return "(" + compared.arg(now) + " <> " + compared.arg(before) + " OR (" + now +
           " IS NULL AND " + before + " IS NOT NULL) OR (" + now + " IS NOT NULL AND " + before +
           " IS NULL))";
}

// Texts are compared as bytes; a row whose key changed has no old row and counts as changed.
TEST(ChangedValuesOnly, WatchesTheChangedFieldsOfRowsPairedByTheKeyBeforeTheConditions) {
    AuditDefinition definition = priceChange();
    definition.changedValuesOnly = true;
    definition.changedFields = {"CUSTOMER", "AMOUNT"};
    definition.mode = AuditMode::OnlyWhen;
    definition.conditions = {condition("CUSTOMER", "=", "ACME"), emptySlot()};
    EXPECT_EQ(priceChangeHead +
                  "\r\nIF  UPDATE(CUSTOMER) OR UPDATE(AMOUNT)\r\nINSERT INTO "
                  "[tblZOTA_PriceChange] (CUSTOMER,AMOUNT,oldAMOUNT) SELECT inserted.CUSTOMER,"
                  "inserted.AMOUNT,deleted.AMOUNT from inserted LEFT JOIN deleted ON "
                  "deleted.ORDER_ID = inserted.ORDER_ID\r\nWHERE (deleted.ORDER_ID IS NULL OR " +
                  differs("CUSTOMER", "CAST(%1 AS varbinary(max))") + " OR " + differs("AMOUNT") +
                  ") AND CASE WHEN inserted.CUSTOMER = 'ACME' THEN 0 ELSE 1 END = 0",
              trigger(definition));
}

TEST(ChangedValuesOnly, IsRefusedWithoutAKeyAndForFieldsATriggerCannotRead) {
    AuditDefinition definition = priceChange();
    definition.changedValuesOnly = true;
    ColumnInfoList columns = ordersColumns();
    columns[0].primaryKey = false;
    EXPECT_EQ(QStringLiteral("\"Only rows whose values changed\" needs a primary key: the table "
                             "ORDERS has none, so the old and the new values of a row cannot be "
                             "paired."),
              trigger(definition, columns));
    columns = ordersColumns();
    columns << ColumnInfo{"REMARKS", "ntext", -1};
    definition.changedFields = {"AMOUNT", "REMARKS"};
    EXPECT_EQ(
        QStringLiteral("\"Only rows whose values changed\" cannot watch the field REMARKS: "
                       "a trigger cannot read the old and new values of a column of type ntext."),
        trigger(definition, columns));
}

TEST(TriggerRefusals, ConditionsAndChangedFieldsMustNameTableColumnsAndKnownOperators) {
    AuditDefinition definition = bigOrders();
    definition.conditions = {condition("PRICE", "=", "1")};
    EXPECT_EQ(QStringLiteral("The field PRICE is not a column of the table ORDERS"),
              trigger(definition));
    definition.conditions = {condition("AMOUNT", "= 1 OR 1", "1")};
    EXPECT_EQ(
        QStringLiteral(
            "The condition on AMOUNT has the operator = 1 OR 1, which is not one of =, !=, > or <"),
        trigger(definition));
    AuditDefinition update = priceChange();
    update.changedFields = {"AMOUNT", "userid"};
    EXPECT_EQ(QStringLiteral("The field userid is not a column of the table ORDERS"),
              trigger(update));
}

} // namespace
} // namespace quorvex::sqlserver
