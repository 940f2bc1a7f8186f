#include "sqlserver/SqlServerAuditTableGenerator.h"

#include "OrdersTable.h"

#include <gtest/gtest.h>

namespace quorvex::sqlserver {
namespace {

using quorvex::testing::bigOrders;
using quorvex::testing::lines;
using quorvex::testing::ordersColumns;
using quorvex::testing::priceChange;

const QString fixedColumns =
    QStringLiteral("[AuditDate] [datetime] NOT NULL DEFAULT CURRENT_TIMESTAMP ,\r\n"
                   "[UserName] [char] (30) NOT NULL DEFAULT CURRENT_USER)");

TEST(AuditTableOfInsertAndDeleteAudits, BigOrdersComesOutToTheLetter) {
    const SqlServerAuditTableGenerator table(bigOrders(), ordersColumns());
    EXPECT_EQ(QString(), table.refusal());
    EXPECT_EQ(QStringLiteral("[tblZOTA_BigOrders]"), table.auditTableName());
    EXPECT_EQ(
        lines({QStringLiteral("CREATE TABLE [tblZOTA_BigOrders] ([CUSTOMER] [varchar] (30) NULL ,"),
               QStringLiteral("[AMOUNT] [money] NULL ,"),
               QStringLiteral("[AuditDate] [datetime] NOT NULL DEFAULT CURRENT_TIMESTAMP ,"),
               QStringLiteral("[UserName] [char] (30) NOT NULL DEFAULT CURRENT_USER)")}),
        table.createTableStatement());
    EXPECT_EQ(QStringLiteral("CUSTOMER,AMOUNT"), table.insertColumnList());
    EXPECT_EQ(QStringLiteral("ins.CUSTOMER,ins.AMOUNT"), table.selectList());
}

TEST(AuditTableOfInsertAndDeleteAudits, DeleteAuditReadsTheDeletedRowsAndIgnoresOldValueFlags) {
    AuditDefinition definition = bigOrders();
    definition.kind = AuditKind::Delete;
    definition.saveOldValue = {true, true};
    const SqlServerAuditTableGenerator table(definition, ordersColumns());
    EXPECT_EQ(QStringLiteral("del.CUSTOMER,del.AMOUNT"), table.selectList());
    EXPECT_EQ(QStringLiteral("CUSTOMER,AMOUNT"), table.insertColumnList());
    EXPECT_FALSE(table.keepsOldValues());
}

TEST(AuditTableOfUpdateAudits, OldValueColumnFollowsItsColumn) {
    const SqlServerAuditTableGenerator table(priceChange(), ordersColumns());
    EXPECT_EQ(
        QStringLiteral("CREATE TABLE [tblZOTA_PriceChange] ([CUSTOMER] [varchar] (30) NULL ,\r\n"
                       "[AMOUNT] [money] NULL ,\r\n[oldAMOUNT] [money] NULL ,\r\n") +
            fixedColumns,
        table.createTableStatement());
    EXPECT_EQ(QStringLiteral("CUSTOMER,AMOUNT,oldAMOUNT"), table.insertColumnList());
    EXPECT_EQ(QStringLiteral("inserted.CUSTOMER,inserted.AMOUNT,deleted.AMOUNT"),
              table.selectList());
    EXPECT_TRUE(table.keepsOldValues());
}

TEST(AuditTableOfUpdateAudits, WithoutOldValuesOnlyNewValuesAreRead) {
    AuditDefinition definition = priceChange();
    definition.saveOldValue = {false, false};
    const SqlServerAuditTableGenerator table(definition, ordersColumns());
    EXPECT_EQ(QStringLiteral("inserted.CUSTOMER,inserted.AMOUNT"), table.selectList());
    EXPECT_FALSE(table.keepsOldValues());
}

TEST(AuditTableNames, OddColumnNamesAreBracketedAndTheirBracketsDoubled) {
    AuditDefinition definition = priceChange();
    definition.columns = {QStringLiteral("ORDER DATE"), QStringLiteral("KEY"),
                          QStringLiteral("a]b")};
    definition.saveOldValue = {true, false, false};
    const ColumnInfoList columns = {{QStringLiteral("ORDER DATE"), QStringLiteral("date")},
                                    {QStringLiteral("KEY"), QStringLiteral("int")},
                                    {QStringLiteral("a]b"), QStringLiteral("bit")}};
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

struct TypeCase {
    const char* behaviour;
    ColumnInfo column;
    QString definition;
};

void PrintTo(const TypeCase& c, std::ostream* out) {
    *out << c.behaviour;
}

class ColumnTypes : public ::testing::TestWithParam<TypeCase> {};

TEST_P(ColumnTypes, CopyKeepsTheWholeType) {
    const TypeCase& c = GetParam();
    EXPECT_EQ(std::optional<QString>(c.definition),
              SqlServerAuditTableGenerator::columnDefinition(c.column.name, c.column));
}

ColumnInfo col(const char* type, qint64 length, int precision, int scale) {
    return {QStringLiteral("C"), QString::fromLatin1(type), length, precision, scale, false};
}

INSTANTIATE_TEST_SUITE_P(
    MendedTypeTable, ColumnTypes,
    ::testing::Values(
        TypeCase{"bit_alone", col("bit", 1, 1, 0), QStringLiteral("[C] [bit] NULL ,")},
        TypeCase{"datetime_alone", col("datetime", 8, 23, 3),
                 QStringLiteral("[C] [datetime] NULL ,")},
        TypeCase{"int_alone", col("int", 4, 10, 0), QStringLiteral("[C] [int] NULL ,")},
        TypeCase{"money_alone", col("money", 8, 19, 4), QStringLiteral("[C] [money] NULL ,")},
        TypeCase{"real_alone", col("real", 4, 24, 0), QStringLiteral("[C] [real] NULL ,")},
        TypeCase{"smalldatetime_alone", col("smalldatetime", 4, 16, 0),
                 QStringLiteral("[C] [smalldatetime] NULL ,")},
        TypeCase{"smallint_alone", col("smallint", 2, 5, 0),
                 QStringLiteral("[C] [smallint] NULL ,")},
        TypeCase{"smallmoney_alone", col("smallmoney", 4, 10, 4),
                 QStringLiteral("[C] [smallmoney] NULL ,")},
        TypeCase{"tinyint_alone", col("tinyint", 1, 3, 0), QStringLiteral("[C] [tinyint] NULL ,")},
        TypeCase{"bigint_without_length", col("bigint", 8, 19, 0),
                 QStringLiteral("[C] [bigint] NULL ,")},
        TypeCase{"date_alone", col("date", 3, 10, 0), QStringLiteral("[C] [date] NULL ,")},
        TypeCase{"uniqueidentifier_without_length", col("uniqueidentifier", 16, 0, 0),
                 QStringLiteral("[C] [uniqueidentifier] NULL ,")},
        TypeCase{"xml_alone", col("xml", -1, 0, 0), QStringLiteral("[C] [xml] NULL ,")},
        TypeCase{"sql_variant_alone", col("sql_variant", 8016, 0, 0),
                 QStringLiteral("[C] [sql_variant] NULL ,")},
        TypeCase{"hierarchyid_alone", col("hierarchyid", 892, 0, 0),
                 QStringLiteral("[C] [hierarchyid] NULL ,")},
        TypeCase{"geography_alone", col("geography", -1, 0, 0),
                 QStringLiteral("[C] [geography] NULL ,")},
        TypeCase{"geometry_alone", col("geometry", -1, 0, 0),
                 QStringLiteral("[C] [geometry] NULL ,")},
        TypeCase{"decimal_keeps_its_cents", col("decimal", 9, 18, 2),
                 QStringLiteral("[C] [decimal] (18,2) NULL ,")},
        TypeCase{"numeric_keeps_precision_and_scale", col("numeric", 5, 10, 3),
                 QStringLiteral("[C] [numeric] (10,3) NULL ,")},
        TypeCase{"float_keeps_its_precision", col("float", 8, 53, 0),
                 QStringLiteral("[C] [float] (53) NULL ,")},
        TypeCase{"datetime2_keeps_fractional_seconds", col("datetime2", 8, 27, 7),
                 QStringLiteral("[C] [datetime2] (7) NULL ,")},
        TypeCase{"time_keeps_fractional_seconds", col("time", 5, 16, 3),
                 QStringLiteral("[C] [time] (3) NULL ,")},
        TypeCase{"datetimeoffset_keeps_fractional_seconds", col("datetimeoffset", 10, 34, 0),
                 QStringLiteral("[C] [datetimeoffset] (0) NULL ,")},
        TypeCase{"char_length", col("char", 10, 0, 0), QStringLiteral("[C] [char] (10) NULL ,")},
        TypeCase{"varchar_length", col("varchar", 30, 0, 0),
                 QStringLiteral("[C] [varchar] (30) NULL ,")},
        TypeCase{"varchar_max", col("varchar", -1, 0, 0),
                 QStringLiteral("[C] [varchar] (max) NULL ,")},
        TypeCase{"nchar_length_in_characters", col("nchar", 5, 0, 0),
                 QStringLiteral("[C] [nchar] (5) NULL ,")},
        TypeCase{"nvarchar_length_in_characters", col("nvarchar", 40, 0, 0),
                 QStringLiteral("[C] [nvarchar] (40) NULL ,")},
        TypeCase{"nvarchar_max", col("nvarchar", -1, 0, 0),
                 QStringLiteral("[C] [nvarchar] (max) NULL ,")},
        TypeCase{"binary_length", col("binary", 16, 0, 0),
                 QStringLiteral("[C] [binary] (16) NULL ,")},
        TypeCase{"varbinary_max", col("varbinary", -1, 0, 0),
                 QStringLiteral("[C] [varbinary] (max) NULL ,")}),
    [](const ::testing::TestParamInfo<TypeCase>& info) { return info.param.behaviour; });

class RefusedTypes : public ::testing::TestWithParam<const char*> {};

TEST_P(RefusedTypes, RefuseTheColumnByNameAndDeselectIt) {
    AuditDefinition definition = bigOrders();
    definition.columns = {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("NOTES"),
                          QStringLiteral("D"), QStringLiteral("E")};
    ColumnInfoList columns;
    for (const QString& name : definition.columns) {
        columns << ColumnInfo{name, QStringLiteral("int")};
    }
    columns[2].type = QString::fromLatin1(GetParam());
    columns[4].type = QStringLiteral("text"); // later columns are not looked at
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
    for (const QString& name : {QStringLiteral("AuditDate"), QStringLiteral("USERNAME")}) {
        AuditDefinition definition = bigOrders();
        definition.columns = {name};
        const SqlServerAuditTableGenerator table(definition, {{name, QStringLiteral("int")}});
        EXPECT_EQ(QStringLiteral("The field ") + name +
                      QStringLiteral(" can not be audited: the audit table keeps the date and the "
                                     "user of each change in columns named AuditDate and UserName"),
                  table.refusal());
        EXPECT_EQ(QString(), table.deselectedColumn());
    }
}

TEST(AuditTableRefusals, OldValueColumnMayNotTakeAnotherChosenColumnsName) {
    AuditDefinition definition = priceChange();
    definition.columns = {QStringLiteral("AMOUNT"), QStringLiteral("OLDamount")};
    definition.saveOldValue = {true, false};
    const ColumnInfoList columns = {{QStringLiteral("AMOUNT"), QStringLiteral("money")},
                                    {QStringLiteral("OLDamount"), QStringLiteral("money")}};
    EXPECT_EQ(QStringLiteral("The old value of AMOUNT can not be saved: the audit table would hold "
                             "two columns named oldAMOUNT"),
              SqlServerAuditTableGenerator(definition, columns).refusal());

    definition.saveOldValue = {false, true}; // oldOLDamount clashes with nothing
    EXPECT_EQ(QString(), SqlServerAuditTableGenerator(definition, columns).refusal());
}

TEST(AuditTableRefusals, ChosenColumnsMustBeDistinctColumnsOfTheTable) {
    AuditDefinition definition = bigOrders();
    definition.columns = {QStringLiteral("CUSTOMER"), QStringLiteral("PRICE")};
    EXPECT_EQ(QStringLiteral("The field PRICE is not a column of the table ORDERS"),
              SqlServerAuditTableGenerator(definition, ordersColumns()).refusal());
    definition.columns = {QStringLiteral("CUSTOMER"), QStringLiteral("CUSTOMER")};
    EXPECT_EQ(QStringLiteral("The field CUSTOMER is chosen more than once"),
              SqlServerAuditTableGenerator(definition, ordersColumns()).refusal());
}

} // namespace
} // namespace quorvex::sqlserver
