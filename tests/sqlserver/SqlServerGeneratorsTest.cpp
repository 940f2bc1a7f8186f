// The audit table and the trigger, and what is refused before either is sent. BigOrders' whole
// save is compared in the creation flow's tests.
#include "sqlserver/SqlServerAuditGenerator.h"
#include "sqlserver/SqlServerAuditTableGenerator.h"
#include "sqlserver/SqlServerConditionValue.h"
#include "sqlserver/SqlServerIdentifier.h"
#include "sqlserver/SqlServerTriggerGenerator.h"

#include "OrdersTable.h"

#include <gtest/gtest.h>

namespace quorvex::sqlserver {
namespace {

using namespace quorvex::testing;

// The trigger text of a definition, or its refusal.
QString trigger(const AuditDefinition& definition,
                const ColumnInfoList& columns = ordersColumns()) {
    const SqlServerAuditTableGenerator table(definition, columns);
    if (table.refused())
        return QStringLiteral("table refused: ") + table.refusal();
    const SqlServerTriggerGenerator generator(definition, columns, table);
    return generator.refused() ? generator.refusal() : generator.triggerText();
}

// An old value follows its column.
TEST(AuditTables, OddNamesAreBracketedAndOldValuesFollowTheirColumns) {
    AuditDefinition definition = priceChange();
    definition.columns = {"ORDER DATE", "a]b"};
    definition.saveOldValue = {true, false};
    const SqlServerAuditTableGenerator odd(definition, {{"ORDER DATE", "date"}, {"a]b", "bit"}});
    EXPECT_TRUE(odd.createTableStatement().contains("[oldORDER DATE] [date] NULL ,\r\n[a]]b]"));
    EXPECT_EQ(QStringLiteral("[ORDER DATE],[oldORDER DATE],[a]]b]"), odd.insertColumnList());
    EXPECT_EQ(QStringLiteral("inserted.[ORDER DATE],deleted.[ORDER DATE],inserted.[a]]b]"),
              odd.selectList());
}

TEST(AuditTables, ColumnTypesAreCopiedWithTheirWholeSize) {
    const std::vector<std::pair<ColumnInfo, const char*>> types = {
        {{"C", "datetime", 8, 23, 3}, "[datetime]"},
        {{"C", "decimal", 9, 18, 2}, "[decimal] (18,2)"},
        {{"C", "datetime2", 8, 27, 7}, "[datetime2] (7)"},
        {{"C", "datetimeoffset", 10, 34}, "[datetimeoffset] (0)"},
        {{"C", "varchar", -1}, "[varchar] (max)"}};
    for (const auto& [column, written] : types)
        EXPECT_EQ(std::optional<QString>(QStringLiteral("[C] %1 NULL ,").arg(written)),
                  SqlServerAuditTableGenerator::columnDefinition("C", column));
}

TEST(AuditTables, UnusableColumnsAreRefusedByName) {
    // Large objects, row versions and unknown types: deselected, later columns not looked at.
    for (const char* type : {"ntext", "timestamp", "VARCHAR"}) {
        AuditDefinition definition = bigOrders();
        definition.columns = {"A", "NOTES", "E"};
        const SqlServerAuditTableGenerator table(definition,
                                                 {{"A", "int"}, {"NOTES", type}, {"E", "text"}});
        EXPECT_EQ(QStringLiteral("The field NOTES can not be used. It has been de-selected"),
                  table.refusal())
            << type;
        EXPECT_EQ(QStringLiteral("NOTES"), table.deselectedColumn());
        EXPECT_EQ(QString(), table.createTableStatement());
    }
    AuditDefinition who = bigOrders();
    who.recordWho = true;
    AuditDefinition old = priceChange();
    old.saveOldValue = {true, false};
    const struct {
        AuditDefinition definition;
        QStringList chosen;
        ColumnInfoList columns;
        const char* refusal;
    } cases[] = {
        {bigOrders(),
         {"USERNAME"},
         {{"USERNAME", "int"}},
         "The field USERNAME can not be audited: the audit table keeps the date and the user of "
         "each change in columns named AuditDate and UserName"},
        {bigOrders(), {"hostname"}, {{"hostname", "int"}}, ""},
        {who,
         {"hostname"},
         {{"hostname", "int"}},
         "The field hostname can not be audited together with the login, host and application: "
         "the audit table keeps them in columns named LoginName, HostName and AppName"},
        {old,
         {"AMOUNT", "OLDamount"},
         {{"AMOUNT", "money"}, {"OLDamount", "money"}},
         "The old value of AMOUNT can not be saved: the audit table would hold two columns named "
         "oldAMOUNT"},
        {bigOrders(),
         {"CUSTOMER", "CUSTOMER"},
         ordersColumns(),
         "The field CUSTOMER is chosen more than once"},
    };
    for (const auto& c : cases) {
        AuditDefinition definition = c.definition;
        definition.columns = c.chosen;
        EXPECT_EQ(QString::fromUtf8(c.refusal),
                  SqlServerAuditTableGenerator(definition, c.columns).refusal());
    }
}

TEST(Triggers, DeleteTriggerTestsItsConditionsAndTheUserPerRow) {
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

TEST(Triggers, UpdateTriggerPairsOldAndNewRowsThroughThePrimaryKey) {
    EXPECT_EQ(lines({"Create Trigger trgZOTA_PriceChange", "On ORDERS", "WITH ENCRYPTION",
                     "For Update as ", "SET NOCOUNT ON", "IF  UPDATE(AMOUNT)",
                     "INSERT INTO [tblZOTA_PriceChange] (CUSTOMER,AMOUNT,oldAMOUNT) SELECT "
                     "inserted.CUSTOMER,inserted.AMOUNT,deleted.AMOUNT from inserted LEFT JOIN "
                     "deleted ON deleted.ORDER_ID = inserted.ORDER_ID"}),
              trigger(priceChange()));
}

// A watched column's NULL-safe test.
QString differs(const QString& column, const QString& compared = "%1") {
    const QString now = "inserted." + column;
    const QString before = "deleted." + column;
    return "(" + compared.arg(now) + " <> " + compared.arg(before) + " OR (" + now +
           " IS NULL AND " + before + " IS NOT NULL) OR (" + now + " IS NOT NULL AND " + before +
           " IS NULL))";
}

TEST(Triggers, VariationsChangeTheirFragmentOnly) {
    struct Case {
        const char* behaviour;
        AuditDefinition definition;
        ColumnInfoList columns;
        QString fragment;
        bool atEnd = true;
    };
    std::vector<Case> cases;
    AuditDefinition d = bigOrders();
    d.conditions = {emptySlot()};
    cases.push_back({"only_when_without_conditions_records_nothing", d, ordersColumns(),
                     "from inserted ins\r\nWHERE 1 = 0"});
    d.mode = AuditMode::AlwaysExceptIf;
    d.connective = Connective::Or;
    d.conditions = {condition("AMOUNT", "<", "5"), condition("USERID", "=", "batch", "OR"),
                    condition("CUSTOMER", "!=", QString(), "OR"), emptySlot()};
    cases.push_back({"or_joins_every_condition", d, ordersColumns(),
                     "WHERE CASE WHEN ins.AMOUNT < '5' OR user_name() = N'batch' OR "
                     "ins.CUSTOMER != '' THEN 1 ELSE 0 END = 0"});
    d = bigOrders();
    d.conditions = {emptySlot(), condition("CUSTOMER", "=", "O'Brien'; DROP TABLE ORDERS --")};
    cases.push_back({"quotes_are_doubled_and_empty_rows_skipped", d, ordersColumns(),
                     "WHERE CASE WHEN ins.CUSTOMER = 'O''Brien''; DROP TABLE ORDERS --' THEN 0 "
                     "ELSE 1 END = 0"});
    d = bigOrders();
    d.table = "Order Details";
    d.columns = {"KEY"};
    d.conditions = {condition("KEY", "=", "1")};
    cases.push_back({"odd_names_are_bracketed",
                     d,
                     {{"KEY", "int"}},
                     "On [Order Details]\r\nWITH ENCRYPTION\r\nFor INSERT\r\nAS\r\nSET NOCOUNT "
                     "ON\r\nINSERT INTO [tblZOTA_BigOrders] ([KEY]) SELECT ins.[KEY] from "
                     "inserted ins\r\nWHERE CASE WHEN ins.[KEY] = '1'",
                     false});
    cases.push_back({"composite_keys_join_on_every_key_column", priceChange(),
                     ordersColumns() << ColumnInfo{"LINE NO", "int", 4, 10, 0, true},
                     "ON deleted.ORDER_ID = inserted.ORDER_ID AND deleted.[LINE NO] = "
                     "inserted.[LINE NO]"});
    d = priceChange();
    d.saveOldValue = {false, false};
    d.changedFields = {"AMOUNT", "ORDER_ID"};
    d.mode = AuditMode::OnlyWhen;
    d.conditions = {condition("CUSTOMER", "=", "ACME"), emptySlot()};
    cases.push_back({"without_old_values_only_inserted_is_read", d, ordersColumns(),
                     "IF  UPDATE(AMOUNT) OR UPDATE(ORDER_ID)\r\nINSERT INTO [tblZOTA_PriceChange] "
                     "(CUSTOMER,AMOUNT) SELECT inserted.CUSTOMER,inserted.AMOUNT from inserted\r\n"
                     "WHERE CASE WHEN inserted.CUSTOMER = 'ACME' THEN 0 ELSE 1 END = 0"});
    // Texts compared as bytes; a row whose key changed has no old row and counts.
    d.saveOldValue = {false, true};
    d.changedValuesOnly = true;
    d.changedFields = {"CUSTOMER", "AMOUNT"};
    cases.push_back(
        {"changed_values_only_watches_paired_rows_before_the_conditions", d, ordersColumns(),
         "\r\nWHERE (deleted.ORDER_ID IS NULL OR " +
             differs("CUSTOMER", "CAST(%1 AS varbinary(max))") + " OR " + differs("AMOUNT") +
             ") AND CASE WHEN inserted.CUSTOMER = 'ACME' THEN 0 ELSE 1 END = 0"});
    for (const Case& c : cases) {
        const QString text = trigger(c.definition, c.columns);
        EXPECT_TRUE(c.atEnd ? text.endsWith(c.fragment) : text.contains(c.fragment))
            << c.behaviour << "\n"
            << text.toStdString();
    }
}

TEST(Triggers, WhatNoTriggerCanDoIsRefused) {
    AuditDefinition changed = priceChange();
    changed.changedValuesOnly = true;
    ColumnInfoList columns = ordersColumns();
    columns[0].primaryKey = false;
    EXPECT_EQ("\"Only rows whose values changed\" needs a primary key: the table ORDERS has none, "
              "so the old and the new values of a row cannot be paired.",
              trigger(changed, columns));
    changed.changedFields = {"AMOUNT", "REMARKS"};
    EXPECT_EQ("\"Only rows whose values changed\" cannot watch the field REMARKS: a trigger cannot "
              "read the old and new values of a column of type ntext.",
              trigger(changed, ordersColumns() << ColumnInfo{"REMARKS", "ntext", -1}));
    AuditDefinition definition = bigOrders();
    definition.conditions = {condition("PRICE", "=", "1")};
    EXPECT_EQ("The field PRICE is not a column of the table ORDERS", trigger(definition));
    definition.conditions = {condition("AMOUNT", "= 1 OR 1", "1")};
    EXPECT_EQ(
        "The condition on AMOUNT has the operator = 1 OR 1, which is not one of =, !=, > or <",
        trigger(definition));
}

TEST(Names, AreQuotedOnlyWhenNotRegularAndLiteralsDoubleTheirQuotes) {
    const std::pair<const char*, const char*> names[] = {{"_Order$No#@1", "_Order$No#@1"},
                                                         {"ORDER", "[ORDER]"},
                                                         {"a]b", "[a]]b]"},
                                                         {"1st", "[1st]"}};
    for (const auto& [name, quoted] : names)
        EXPECT_EQ(QString::fromUtf8(quoted), SqlServerIdentifier::quote(QString::fromUtf8(name)));
    EXPECT_EQ(QStringLiteral("''''''"), SqlServerIdentifier::literal("''"));
    EXPECT_EQ(QStringLiteral("[my schema].[ORDER]"),
              SqlServerIdentifier::quoteTableName("my schema.ORDER"));
    EXPECT_EQ(QStringLiteral("[.x]"), SqlServerIdentifier::quoteTableName(".x"));
}

TEST(Entries, RequiredEntriesComeFirstThenNamesThenWhatTheCatalogCannotKeep) {
    const QString missing = QStringLiteral("Please fill in more information");
    AuditDefinition definition = bigOrders();
    definition.name = "Big Orders";
    definition.description = "Bob's";
    definition.columns.clear();
    const GeneratedStatements generated = generateSqlServerAudit(definition, ordersColumns());
    EXPECT_EQ(missing, generated.refusal);
    EXPECT_EQ(QStringList(), generated.statements);
    definition.columns = {"AMOUNT"};
    EXPECT_EQ("Invalid character in the Audit Name. Please use only Alpha-numeric and no spaces "
              "in the Audit name",
              checkSqlServerAuditEntries(definition));
    definition.name = "BigOrders";
    EXPECT_EQ("Invalid character in Description.  Please use only Alpha-numeric characters only",
              checkSqlServerAuditEntries(definition));
    const QString hundred = QString(100, u't');
    definition.name = QString(20, u'N');
    definition.description = QString(200, u'd');
    definition.table = hundred;
    EXPECT_EQ(QString(), checkSqlServerAuditEntries(definition));
    definition.name += u'X';
    EXPECT_EQ("The Audit Name NNNNNNNNNNNNNNNNNNNNX has 21 characters, but tblZOTA_SYSTEM_TABLE "
              "keeps Audit Names of at most 20 characters. Please enter at most 20 characters.",
              checkSqlServerAuditEntries(definition));
    definition.name = "A";
    definition.description += u'd';
    EXPECT_EQ("The Description has 201 characters, but tblZOTA_SYSTEM_TABLE keeps descriptions of "
              "at most 200 characters.",
              checkSqlServerAuditEntries(definition));
    definition.description.clear();
    definition.table += u'u';
    EXPECT_EQ("The table name " + hundred +
                  "u has 101 characters, but tblZOTA_SYSTEM_TABLE keeps the audited table's name "
                  "in at most 100 characters, and with a part of the name the audit could not be "
                  "disabled, enabled or deleted. No audit can be installed on this table.",
              checkSqlServerAuditEntries(definition));
}

// A value the server could not convert would make every statement on the audited table fail.
TEST(ConditionValues, AreWrittenAsTheColumnReadsThemOrRefused) {
    struct Case {
        const char* type;
        int scale;
        const char* value;
        const char* written; // the literal, or "refused: " and why
    };
    const Case cases[] = {
        {"int", 0, "1.5", "refused: it is not a whole number"},
        {"int", 0, "2147483648", "refused: it lies outside -2147483648 to 2147483647"},
        {"decimal", 2, "1234", "refused: it has more than 3 digits before the decimal point"},
        {"nvarchar", 0, "Łódź", "N'Łódź'"},
        {"datetime", 0, " 2024-01-13 ", "'20240113'"},
        {"datetime", 0, "2024-01-13 10:05", "'2024-01-13T10:05:00'"},
        {"datetime", 0, "9999-12-31T23:59:59.999",
         "refused: a datetime holds values from 1753-01-01 00:00:00 to 9999-12-31 23:59:59.997 "
         "only"},
        {"datetime", 0, "2024-02-31", "refused: there is no such date"},
        {"datetimeoffset", 7, "2024-01-13T10:00+14:30",
         "refused: its offset lies outside -14:00 to +14:00"},
    };
    for (const Case& c : cases) {
        const ColumnInfo column{"V", c.type, 0, c.type == QString("decimal") ? 5 : 0, c.scale};
        const SqlServerConditionValue checked =
            SqlServerConditionValue::check(column, QString::fromUtf8(c.value));
        EXPECT_EQ(QString::fromUtf8(c.written),
                  checked.refused() ? "refused: " + checked.problem() : checked.literal())
            << c.type << " " << c.value;
    }
    AuditDefinition definition = bigOrders();
    definition.conditions = {condition("SHIPPED", "=", "yesterday")};
    EXPECT_EQ("The value 'yesterday' cannot be compared with the field SHIPPED: it is not written "
              "in one of the accepted forms. A datetime value is accepted as YYYY-MM-DD, YYYYMMDD, "
              "YYYY-MM-DD hh:mm[:ss[.fff]] or YYYY-MM-DDThh:mm[:ss[.fff]], so that every language "
              "setting reads it the same.",
              trigger(definition, ordersColumns() << ColumnInfo{"SHIPPED", "datetime", 8, 23, 3}));
}

} // namespace
} // namespace quorvex::sqlserver
