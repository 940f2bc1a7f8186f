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
    QStringLiteral("Create Trigger trgZOTA_BigOrders"),
    QStringLiteral("On ORDERS"),
    QStringLiteral("WITH ENCRYPTION"),
    QStringLiteral("For INSERT"),
    QStringLiteral("AS"),
    QStringLiteral("SET NOCOUNT ON"),
    QStringLiteral("INSERT INTO [tblZOTA_BigOrders] (CUSTOMER,AMOUNT) SELECT "
                   "ins.CUSTOMER,ins.AMOUNT from inserted ins"),
});

const QString priceChangeHead = lines({
    QStringLiteral("Create Trigger trgZOTA_PriceChange"),
    QStringLiteral("On ORDERS"),
    QStringLiteral("WITH ENCRYPTION"),
    QStringLiteral("For Update as "),
    QStringLiteral("SET NOCOUNT ON"),
});

TEST(InsertAndDeleteTriggers, BigOrdersRecordsEachRowOverAThousand) {
    EXPECT_EQ(bigOrdersHead +
                  QStringLiteral("\r\nWHERE CASE WHEN ins.AMOUNT > '1000' THEN 0 ELSE 1 END = 0"),
              trigger(bigOrders()));
}

TEST(InsertAndDeleteTriggers, ATableOutsideDboIsNamedWithItsSchema) {
    AuditDefinition definition = bigOrders();
    definition.table = QStringLiteral("sales.Order Lines");
    const QString text = trigger(definition);
    EXPECT_TRUE(text.contains(QStringLiteral("\r\nOn sales.[Order Lines]\r\n")))
        << text.toStdString();
}

TEST(InsertAndDeleteTriggers, DeleteVariantWithAcmeAndUserTestsBothPerRow) {
    AuditDefinition definition = bigOrders();
    definition.kind = AuditKind::Delete;
    definition.mode = AuditMode::AlwaysExceptIf;
    definition.conditions = {
        condition(QStringLiteral("CUSTOMER"), QStringLiteral("="), QStringLiteral("ACME")),
        condition(QStringLiteral("USERID"), QStringLiteral("!="), QStringLiteral("dbo"),
                  QStringLiteral("AND")),
        emptySlot()};
    EXPECT_EQ(
        lines({QStringLiteral("Create Trigger trgZOTA_BigOrders"), QStringLiteral("On ORDERS"),
               QStringLiteral("WITH ENCRYPTION"), QStringLiteral("For DELETE"),
               QStringLiteral("AS"), QStringLiteral("SET NOCOUNT ON"),
               QStringLiteral("INSERT INTO [tblZOTA_BigOrders] (CUSTOMER,AMOUNT) SELECT "
                              "del.CUSTOMER,del.AMOUNT from deleted del"),
               QStringLiteral("WHERE CASE WHEN del.CUSTOMER = 'ACME' AND user_name() != 'dbo' THEN "
                              "1 ELSE 0 END = 0")}),
        trigger(definition));
}

TEST(InsertAndDeleteTriggers, WithoutConditionsOnlyWhenRecordsNothingAndAlwaysExceptRecordsAll) {
    AuditDefinition definition = bigOrders();
    definition.conditions = {emptySlot()};
    EXPECT_EQ(bigOrdersHead + QStringLiteral("\r\nWHERE 1 = 0"), trigger(definition));
    definition.mode = AuditMode::AlwaysExceptIf;
    EXPECT_EQ(bigOrdersHead, trigger(definition));
}

TEST(InsertAndDeleteTriggers, OrJoinsEveryConditionAndUseridReadsTheCurrentUser) {
    AuditDefinition definition = bigOrders();
    definition.mode = AuditMode::AlwaysExceptIf;
    definition.connective = Connective::Or;
    definition.conditions = {
        condition(QStringLiteral("AMOUNT"), QStringLiteral("<"), QStringLiteral("5")),
        condition(QStringLiteral("USERID"), QStringLiteral("="), QStringLiteral("batch"),
                  QStringLiteral("OR")),
        condition(QStringLiteral("CUSTOMER"), QStringLiteral("!="), QString(),
                  QStringLiteral("OR")),
        emptySlot()};
    EXPECT_EQ(bigOrdersHead +
                  QStringLiteral("\r\nWHERE CASE WHEN ins.AMOUNT < '5' OR user_name() = 'batch' "
                                 "OR ins.CUSTOMER != '' THEN 1 ELSE 0 END = 0"),
              trigger(definition));
}

TEST(InsertAndDeleteTriggers, QuotesInValuesAreDoubledAndEmptyRowsSkipped) {
    AuditDefinition definition = bigOrders();
    definition.conditions = {emptySlot(),
                             condition(QStringLiteral("CUSTOMER"), QStringLiteral("="),
                                       QStringLiteral("O'Brien'; DROP TABLE ORDERS --")),
                             emptySlot()};
    EXPECT_EQ(
        bigOrdersHead +
            QStringLiteral("\r\nWHERE CASE WHEN ins.CUSTOMER = 'O''Brien''; DROP TABLE ORDERS --' "
                           "THEN 0 ELSE 1 END = 0"),
        trigger(definition));
}

TEST(InsertAndDeleteTriggers, OddTableAndColumnNamesAreBracketedEverywhere) {
    AuditDefinition definition = bigOrders();
    definition.table = QStringLiteral("Order Details");
    definition.columns = {QStringLiteral("KEY")};
    definition.conditions = {
        condition(QStringLiteral("KEY"), QStringLiteral("="), QStringLiteral("1"))};
    const ColumnInfoList columns = {{QStringLiteral("KEY"), QStringLiteral("int")}};
    EXPECT_EQ(
        lines({QStringLiteral("Create Trigger trgZOTA_BigOrders"),
               QStringLiteral("On [Order Details]"), QStringLiteral("WITH ENCRYPTION"),
               QStringLiteral("For INSERT"), QStringLiteral("AS"), QStringLiteral("SET NOCOUNT ON"),
               QStringLiteral(
                   "INSERT INTO [tblZOTA_BigOrders] ([KEY]) SELECT ins.[KEY] from inserted ins"),
               QStringLiteral("WHERE CASE WHEN ins.[KEY] = '1' THEN 0 ELSE 1 END = 0")}),
        trigger(definition, columns));
}

TEST(UpdateTriggers, PriceChangePairsOldAndNewRowsThroughThePrimaryKey) {
    EXPECT_EQ(
        priceChangeHead +
            QStringLiteral(
                "\r\nIF  UPDATE(AMOUNT)\r\nINSERT INTO [tblZOTA_PriceChange] "
                "(CUSTOMER,AMOUNT,oldAMOUNT) "
                "SELECT inserted.CUSTOMER,inserted.AMOUNT,deleted.AMOUNT from inserted LEFT JOIN "
                "deleted ON deleted.ORDER_ID = inserted.ORDER_ID"),
        trigger(priceChange()));
}

TEST(UpdateTriggers, TableWithoutPrimaryKeyKeepsOldValuesOfSingleRowUpdatesOnly) {
    ColumnInfoList columns = ordersColumns();
    columns[0].primaryKey = false;
    AuditDefinition definition = priceChange();
    definition.changedFields.clear();
    EXPECT_EQ(
        priceChangeHead +
            QStringLiteral(
                "\r\nINSERT INTO [tblZOTA_PriceChange] (CUSTOMER,AMOUNT,oldAMOUNT) "
                "SELECT inserted.CUSTOMER,inserted.AMOUNT,deleted.AMOUNT from inserted LEFT JOIN "
                "deleted ON (SELECT COUNT(*) FROM inserted) = 1"),
        trigger(definition, columns));
}

TEST(UpdateTriggers, CompositeAndOddlyNamedKeysJoinOnEveryKeyColumn) {
    ColumnInfoList columns = ordersColumns();
    columns << ColumnInfo{QStringLiteral("LINE NO"), QStringLiteral("int"), 4, 10, 0, true};
    EXPECT_EQ(
        priceChangeHead +
            QStringLiteral(
                "\r\nIF  UPDATE(AMOUNT)\r\nINSERT INTO [tblZOTA_PriceChange] "
                "(CUSTOMER,AMOUNT,oldAMOUNT) "
                "SELECT inserted.CUSTOMER,inserted.AMOUNT,deleted.AMOUNT from inserted LEFT JOIN "
                "deleted ON deleted.ORDER_ID = inserted.ORDER_ID AND deleted.[LINE NO] = "
                "inserted.[LINE NO]"),
        trigger(priceChange(), columns));
}

TEST(UpdateTriggers, WithoutOldValuesReadsInsertedAloneAndTestsItsConditions) {
    AuditDefinition definition = priceChange();
    definition.saveOldValue = {false, false};
    definition.changedFields = {QStringLiteral("AMOUNT"), QStringLiteral("ORDER_ID")};
    definition.mode = AuditMode::OnlyWhen;
    definition.conditions = {
        condition(QStringLiteral("CUSTOMER"), QStringLiteral("="), QStringLiteral("ACME")),
        emptySlot()};
    EXPECT_EQ(
        priceChangeHead +
            QStringLiteral("\r\nIF  UPDATE(AMOUNT) OR UPDATE(ORDER_ID)\r\nINSERT INTO "
                           "[tblZOTA_PriceChange] (CUSTOMER,AMOUNT) "
                           "SELECT inserted.CUSTOMER,inserted.AMOUNT from inserted\r\n"
                           "WHERE CASE WHEN inserted.CUSTOMER = 'ACME' THEN 0 ELSE 1 END = 0"),
        trigger(definition));
}

TEST(UpdateTriggers, OnlyWhenWithoutConditionsRecordsNothing) {
    AuditDefinition definition = priceChange();
    definition.mode = AuditMode::OnlyWhen;
    EXPECT_TRUE(trigger(definition).endsWith(QStringLiteral("inserted.ORDER_ID\r\nWHERE 1 = 0")));
}

TEST(TriggerRefusals, ConditionsAndChangedFieldsMustNameTableColumnsAndKnownOperators) {
    AuditDefinition definition = bigOrders();
    definition.conditions = {
        condition(QStringLiteral("PRICE"), QStringLiteral("="), QStringLiteral("1"))};
    EXPECT_EQ(QStringLiteral("The field PRICE is not a column of the table ORDERS"),
              trigger(definition));

    definition.conditions = {
        condition(QStringLiteral("AMOUNT"), QStringLiteral("= 1 OR 1"), QStringLiteral("1"))};
    EXPECT_EQ(
        QStringLiteral(
            "The condition on AMOUNT has the operator = 1 OR 1, which is not one of =, !=, > or <"),
        trigger(definition));

    AuditDefinition update = priceChange();
    update.changedFields = {QStringLiteral("AMOUNT"), QStringLiteral("userid")};
    EXPECT_EQ(QStringLiteral("The field userid is not a column of the table ORDERS"),
              trigger(update));
}

} // namespace
} // namespace quorvex::sqlserver
