#include "sqlserver/SqlServerAuditTableGenerator.h"

#include "OrdersTable.h"

#include <gtest/gtest.h>

namespace quorvex::sqlserver {
namespace {

using quorvex::testing::bigOrders;
using quorvex::testing::ordersColumns;
using quorvex::testing::priceChange;

const QString fixedColumns =
    QStringLiteral("[AuditDate] [datetime] NOT NULL DEFAULT CURRENT_TIMESTAMP ,\r\n"
                   "[UserName] [nvarchar] (128) NOT NULL DEFAULT CURRENT_USER)");

// BigOrders' table as GO sends it is compared in the creation flow's tests, the select lists in
// the trigger's.
TEST(AuditTables, PriceChangesOldValueColumnFollowsItsColumn) {
    const SqlServerAuditTableGenerator table(priceChange(), ordersColumns());
    EXPECT_EQ(
        QStringLiteral("CREATE TABLE [tblZOTA_PriceChange] ([CUSTOMER] [varchar] (30) NULL ,\r\n"
                       "[AMOUNT] [money] NULL ,\r\n[oldAMOUNT] [money] NULL ,\r\n") +
            fixedColumns,
        table.createTableStatement());
}

TEST(AuditTableNames, OddColumnNamesAreBracketedAndTheirBracketsDoubled) {
    AuditDefinition definition = priceChange();
    definition.columns = {"ORDER DATE", "KEY", "a]b"};
    definition.saveOldValue = {true, false, false};
    const ColumnInfoList columns = {{"ORDER DATE", "date"}, {"KEY", "int"}, {"a]b", "bit"}};
    const SqlServerAuditTableGenerator table(definition, columns);
    EXPECT_EQ(QStringLiteral("CREATE TABLE [tblZOTA_PriceChange] ([ORDER DATE] [date] NULL ,\r\n"
                             "[oldORDER DATE] [date] NULL ,\r\n[KEY] [int] NULL ,\r\n"
                             "[a]]b] [bit] NULL ,\r\n") +
                  fixedColumns,
              table.createTableStatement());
    EXPECT_EQ(QStringLiteral("[ORDER DATE],[oldORDER DATE],[KEY],[a]]b]"),
              table.insertColumnList());
    EXPECT_EQ(
        QStringLiteral("inserted.[ORDER DATE],deleted.[ORDER DATE],inserted.[KEY],inserted.[a]]b]"),
        table.selectList());
}

// Types the copy writes bare, whatever length, precision and scale the catalogue gives.
TEST(ColumnTypes, BareTypesAreCopiedWithoutASize) {
    const ColumnInfoList bare = {
        {"C", "bit", 1, 1},       {"C", "datetime", 8, 23, 3},   {"C", "int", 4, 10},
        {"C", "money", 8, 19, 4}, {"C", "real", 4, 24},          {"C", "smalldatetime", 4, 16},
        {"C", "smallint", 2, 5},  {"C", "smallmoney", 4, 10, 4}, {"C", "tinyint", 1, 3},
        {"C", "bigint", 8, 19},   {"C", "date", 3, 10},          {"C", "uniqueidentifier", 16},
        {"C", "xml", -1},         {"C", "sql_variant", 8016},    {"C", "hierarchyid", 892},
        {"C", "geography", -1},   {"C", "geometry", -1}};
    for (const ColumnInfo& column : bare)
        EXPECT_EQ(std::optional<QString>("[C] [" + column.type + "] NULL ,"),
                  SqlServerAuditTableGenerator::columnDefinition("C", column));
}

// Types the copy writes with their size: precision and scale, fractional seconds, or length
// (in characters for Unicode types, max for -1).
TEST(ColumnTypes, SizedTypesKeepTheirWholeSize) {
    const std::vector<std::pair<ColumnInfo, const char*>> sized = {
        {{"C", "decimal", 9, 18, 2}, "[decimal] (18,2)"},
        {{"C", "numeric", 5, 10, 3}, "[numeric] (10,3)"},
        {{"C", "float", 8, 53}, "[float] (53)"},
        {{"C", "datetime2", 8, 27, 7}, "[datetime2] (7)"},
        {{"C", "time", 5, 16, 3}, "[time] (3)"},
        {{"C", "datetimeoffset", 10, 34}, "[datetimeoffset] (0)"},
        {{"C", "char", 10}, "[char] (10)"},
        {{"C", "varchar", 30}, "[varchar] (30)"},
        {{"C", "varchar", -1}, "[varchar] (max)"},
        {{"C", "nchar", 5}, "[nchar] (5)"},
        {{"C", "nvarchar", 40}, "[nvarchar] (40)"},
        {{"C", "nvarchar", -1}, "[nvarchar] (max)"},
        {{"C", "binary", 16}, "[binary] (16)"},
        {{"C", "varbinary", -1}, "[varbinary] (max)"}};
    for (const auto& [column, written] : sized)
        EXPECT_EQ(std::optional<QString>(QStringLiteral("[C] %1 NULL ,").arg(written)),
                  SqlServerAuditTableGenerator::columnDefinition("C", column));
}

class RefusedTypes : public ::testing::TestWithParam<const char*> {};

TEST_P(RefusedTypes, RefuseTheColumnByNameAndDeselectIt) {
    AuditDefinition definition = bigOrders();
    definition.columns = {"A", "NOTES", "E"};
    // Columns after the first refused one are not looked at.
    const ColumnInfoList columns = {{"A", "int"}, {"NOTES", GetParam()}, {"E", "text"}};
    const SqlServerAuditTableGenerator table(definition, columns);
    EXPECT_EQ(QStringLiteral("The field NOTES can not be used. It has been de-selected"),
              table.refusal());
    EXPECT_EQ(QStringLiteral("NOTES"), table.deselectedColumn());
    EXPECT_EQ(QString(), table.createTableStatement());
}

INSTANTIATE_TEST_SUITE_P(LargeObjectsRowVersionsAndUnknownTypes, RefusedTypes,
                         ::testing::Values("ntext", "text", "image", "timestamp", "rowversion",
                                           "sysname", "VARCHAR"));

TEST(AuditTableRefusals, ColumnsNamedLikeTheAuditColumnsAreRefusedInAnyCase) {
    for (const QString name : {"AuditDate", "USERNAME"}) {
        AuditDefinition definition = bigOrders();
        definition.columns = {name};
        const SqlServerAuditTableGenerator table(definition, {{name, "int"}});
        EXPECT_EQ(QStringLiteral("The field ") + name +
                      " can not be audited: the audit table keeps the date and the "
                      "user of each change in columns named AuditDate and UserName",
                  table.refusal());
        EXPECT_EQ(QString(), table.deselectedColumn());
    }
}

TEST(AuditTables, WhoColumnsFollowUserNameAndAreFilledByTheServer) {
    AuditDefinition definition = bigOrders();
    definition.recordWho = true;
    const SqlServerAuditTableGenerator table(definition, ordersColumns());
    EXPECT_EQ(
        QStringLiteral("CREATE TABLE [tblZOTA_BigOrders] ([CUSTOMER] [varchar] (30) NULL ,\r\n"
                       "[AMOUNT] [money] NULL ,\r\n"
                       "[AuditDate] [datetime] NOT NULL DEFAULT CURRENT_TIMESTAMP ,\r\n"
                       "[UserName] [nvarchar] (128) NOT NULL DEFAULT CURRENT_USER ,\r\n"
                       "[LoginName] [nvarchar] (128) NULL DEFAULT ORIGINAL_LOGIN() ,\r\n"
                       "[HostName] [nvarchar] (128) NULL DEFAULT HOST_NAME() ,\r\n"
                       "[AppName] [nvarchar] (128) NULL DEFAULT APP_NAME())"),
        table.createTableStatement());
    // The trigger leaves them to their defaults, as it does AuditDate and UserName.
    EXPECT_EQ(QStringLiteral("CUSTOMER,AMOUNT"), table.insertColumnList());
}

TEST(AuditTableRefusals, ColumnsNamedLikeTheWhoColumnsAreRefusedOnlyWhenTheyAreRecorded) {
    for (const QString name : {"LoginName", "HOSTNAME", "appname"}) {
        AuditDefinition definition = bigOrders();
        definition.columns = {name};
        const ColumnInfoList columns = {{name, "int"}};
        EXPECT_EQ(QString(), SqlServerAuditTableGenerator(definition, columns).refusal());
        definition.recordWho = true;
        EXPECT_EQ(QStringLiteral("The field ") + name +
                      " can not be audited together with the login, host and application: the "
                      "audit table keeps them in columns named LoginName, HostName and AppName",
                  SqlServerAuditTableGenerator(definition, columns).refusal());
    }
}

TEST(AuditTableRefusals, OldValueColumnMayNotTakeAnotherChosenColumnsName) {
    AuditDefinition definition = priceChange();
    definition.columns = {"AMOUNT", "OLDamount"};
    definition.saveOldValue = {true, false};
    const ColumnInfoList columns = {{"AMOUNT", "money"}, {"OLDamount", "money"}};
    EXPECT_EQ(QStringLiteral("The old value of AMOUNT can not be saved: the audit table would hold "
                             "two columns named oldAMOUNT"),
              SqlServerAuditTableGenerator(definition, columns).refusal());
    definition.saveOldValue = {false, true}; // oldOLDamount clashes with nothing
    EXPECT_EQ(QString(), SqlServerAuditTableGenerator(definition, columns).refusal());
}

TEST(AuditTableRefusals, ChosenColumnsMustBeDistinctColumnsOfTheTable) {
    AuditDefinition definition = bigOrders();
    definition.columns = {"CUSTOMER", "PRICE"};
    EXPECT_EQ(QStringLiteral("The field PRICE is not a column of the table ORDERS"),
              SqlServerAuditTableGenerator(definition, ordersColumns()).refusal());
    definition.columns = {"CUSTOMER", "CUSTOMER"};
    EXPECT_EQ(QStringLiteral("The field CUSTOMER is chosen more than once"),
              SqlServerAuditTableGenerator(definition, ordersColumns()).refusal());
}

} // namespace
} // namespace quorvex::sqlserver
