#include "SqlBaseGeneratorTesting.h"
#include "sqlbase/SqlBaseAuditGenerator.h"

#include <functional>
#include <gtest/gtest.h>

namespace quorvex::testing {
namespace {

using namespace quorvex::sqlbase;

GeneratedStatements generate(const AuditDefinition& definition,
                             const ColumnInfoList& columns = ordersColumns()) {
    return generateSqlBaseAudit(definition, columns);
}

// ORDERS, ORDNO and CITY audited, CITY's old value kept, recorded only when CITY changed.
AuditDefinition orderUpdateAudit() {
    AuditDefinition definition;
    definition.kind = AuditKind::Update;
    definition.table = "ORDERS";
    definition.columns = {"ORDNO", "CITY"};
    definition.saveOldValue = {false, true};
    definition.changedFields = {"CITY"};
    definition.conditions = {{}};
    definition.name = "ORDUPD";
    definition.description = "Order updates";
    return definition;
}

// OR gives each condition its own If, AND one If for all.
TEST(SqlBaseConditionBlock, EachModeAndConnectiveDecidesAsTheProcedureReadsIt) {
    using Lines = std::vector<std::string>;
    const struct {
        AuditMode mode;
        Connective connective;
        QList<AuditCondition> conditions;
        Lines decision;
    } cases[] = {
        {AuditMode::OnlyWhen,
         Connective::Or,
         {condition("CITY", "=", "Paris"), condition("ORDNO", ">", "100"), {}},
         {" Set nNoChange = 1", " If CITY = 'Paris'", "  Set nNoChange = 0", " If ORDNO > '100'",
          "  Set nNoChange = 0"}},
        // Quotes in values are doubled and empty values stay quoted.
        {AuditMode::OnlyWhen,
         Connective::Or,
         {condition("CITY", "=", "O'Hara's"), condition("CITY", "=", "")},
         {" Set nNoChange = 1", " If CITY = 'O''Hara''s'", "  Set nNoChange = 0", " If CITY = ''",
          "  Set nNoChange = 0"}},
        {AuditMode::AlwaysExceptIf,
         Connective::And,
         {condition("CITY", "!=", "Paris"),
          condition("ORDNO", "<", "7"),
          condition("USERID", "=", "SCOTT"),
          {}},
         {" Set nNoChange = 0", " If CITY != 'Paris' AND ORDNO < '7' AND USERID = 'SCOTT' ",
          "  Set nNoChange = 1"}},
        {AuditMode::OnlyWhen, Connective::And, {{}}, {" Set nNoChange = 1"}},
    };
    for (const auto& c : cases) {
        AuditDefinition definition = parisInserts();
        definition.mode = c.mode;
        definition.connective = c.connective;
        definition.conditions = c.conditions;
        EXPECT_EQ(procedureDecision(generate(definition)), c.decision);
    }
}

// The insert audit's eight statements are compared whole in the creation flow's tests.
TEST(SqlBaseUpdateAudit, KeptOldValueGetsItsColumnItsParameterAndTheOldRow) {
    const QStringList sent = generate(orderUpdateAudit()).statements;
    ASSERT_EQ(sent.size(), 8);
    EXPECT_TRUE(sent[1].contains("(ORDNO INTEGER,CITY VARCHAR(30),CITYO VARCHAR(30),DATE "));
    EXPECT_TRUE(sent[5].contains(" Number: ORDNOO\r\n String: CITY\r\n String: CITYO\r\n"));
    EXPECT_TRUE(sent[5].contains("(ORDNO,CITY,CITYO,DATE, USERID) values "
                                 "(:ORDNO,:CITY,:CITYO,sysdatetime, user)"));
    EXPECT_EQ(sent[6].toStdString(),
              "CREATE TRIGGER ZOTA_ORDUPD AFTER UPDATE OF CITY ON ORDERS REFERENCING OLD AS "
              "OLDDATA NEW AS NEWDATA(EXECUTE ZOTA_ORDUPD(NEWDATA.ORDNO,OLDDATA.ORDNO,NEWDATA."
              "CITY,OLDDATA.CITY,user))FOR EACH ROW");
}

TEST(SqlBaseAudit, EachVariationChangesItsTriggerAndItsDecision) {
    using Lines = std::vector<std::string>;
    const std::string update = "CREATE TRIGGER ZOTA_ORDUPD AFTER UPDATE ";
    const std::string passed = "(EXECUTE ZOTA_ORDUPD(NEWDATA.ORDNO,OLDDATA.ORDNO,";
    const struct {
        const char* behaviour;
        std::function<void(AuditDefinition&)> change;
        std::string trigger;
        Lines decision;
    } cases[] = {
        {"a delete audit fires before the delete",
         [](AuditDefinition& d) {
             d = parisInserts();
             d.kind = AuditKind::Delete;
         },
         "CREATE TRIGGER ZOTA_ORDAUD BEFORE DELETE ON ORDERS(EXECUTE "
         "ZOTA_ORDAUD(ORDNO,CITY,user))FOR EACH ROW",
         {" Set nNoChange = 1", " If CITY = 'Paris' ", "  Set nNoChange = 0"}},
        {"a column of no parameter type is not passed",
         [](AuditDefinition& d) {
             d = parisInserts();
             d.columns = {"SHIPPED", "T1", "CITY"};
         },
         "CREATE TRIGGER ZOTA_ORDAUD AFTER INSERT ON ORDERS(EXECUTE "
         "ZOTA_ORDAUD(SHIPPED,CITY,user))FOR EACH ROW",
         {" Set nNoChange = 1", " If CITY = 'Paris' ", "  Set nNoChange = 0"}},
        {"the change test follows the columns, the trigger the changed fields",
         [](AuditDefinition& d) {
             d.changedFields = {"CITY", "ORDNO"};
         },
         update + "OF CITY,ORDNO ON ORDERS REFERENCING OLD AS OLDDATA NEW AS NEWDATA" + passed +
             "NEWDATA.CITY,OLDDATA.CITY,user))FOR EACH ROW",
         {" Set nNoChange = 0", " If ORDNO = ORDNOO and CITY = CITYO", "  Set nNoChange = 1"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.behaviour);
        AuditDefinition definition = orderUpdateAudit();
        c.change(definition);
        const GeneratedStatements generated = generate(definition);
        EXPECT_EQ(generated.statements.value(6).toStdString(), c.trigger);
        EXPECT_EQ(procedureDecision(generated), c.decision);
    }
}

// Numbers and dates compared NULL-safely, texts (a NULL text arrives empty) plainly.
TEST(SqlBaseChangedValuesOnly, WatchesTheChangedFieldsOrElseEveryAuditedColumn) {
    const std::string ordnoKept = "((ORDNO = NUMBER_Null and ORDNOO = NUMBER_Null) or (ORDNO != "
                                  "NUMBER_Null and ORDNOO != NUMBER_Null and ORDNO = ORDNOO))";
    const std::string shippedKept =
        "((SHIPPED = DATETIME_Null and SHIPPEDO = DATETIME_Null) or (SHIPPED != DATETIME_Null "
        "and SHIPPEDO != DATETIME_Null and SHIPPED = SHIPPEDO))";
    AuditDefinition definition = orderUpdateAudit();
    definition.changedValuesOnly = true;
    definition.columns = {"ORDNO", "CITY", "SHIPPED"};
    definition.saveOldValue = {false, true, false};
    definition.changedFields = {"SHIPPED", "ORDNO"};
    const GeneratedStatements watched = generate(definition);
    EXPECT_EQ(
        procedureDecision(watched),
        (std::vector<std::string>{" Set nNoChange = 0", " If " + shippedKept + " and " + ordnoKept,
                                  "  Set nNoChange = 1"}));

    definition.changedFields.clear();
    definition.mode = AuditMode::OnlyWhen;
    definition.conditions = {condition("CITY", "=", "Paris"), {}};
    EXPECT_EQ(procedureDecision(generate(definition)),
              (std::vector<std::string>{" Set nNoChange = 1", " If CITY = 'Paris' ",
                                        "  Set nNoChange = 0",
                                        " If " + ordnoKept + " and CITY = CITYO and " + shippedKept,
                                        "  Set nNoChange = 1"}));
}

AuditDefinition auditOf(AuditKind kind, const QStringList& columns,
                        const QList<AuditCondition>& conditions = {{}},
                        const QStringList& changedFields = {}) {
    AuditDefinition definition;
    definition.kind = kind;
    definition.table = "ORDERS";
    definition.columns = columns;
    definition.conditions = conditions;
    definition.changedFields = changedFields;
    definition.name = "ORDAUD";
    return definition;
}

TEST(SqlBaseAuditRefusal, EachRefusalNamesItsCauseAndSendsNothing) {
    const std::string inputs = "The audit procedure receives only the chosen fields of a "
                               "character, number, date or timestamp type, and USERID.";
    const std::string ownColumn = " can not be used. The audit table has a column of its own "
                                  "with this name (the time and the user of the change).";
    ColumnInfoList clashing = ordersColumns();
    clashing << sqlBaseColumn("userid", "CHAR", 8);
    const ColumnInfoList longNames = {sqlBaseColumn("ABCDEFGHIJKLMNOPQR", "CHAR", 2),
                                      sqlBaseColumn("ABCDEFGHIJKLMNOPQS", "CHAR", 2)};
    AuditDefinition withWho = auditOf(AuditKind::Insert, {"ORDNO"});
    withWho.recordWho = true;
    AuditDefinition unauditedWatched = auditOf(AuditKind::Update, {"ORDNO"}, {{}}, {"CITY"});
    unauditedWatched.changedValuesOnly = true;
    struct Case {
        const char* behaviour;
        AuditDefinition definition;
        ColumnInfoList columns;
        std::string message;
    };
    const Case cases[] = {
        {"column missing from the catalogue", auditOf(AuditKind::Delete, {"ORDNO", "ZIP"}),
         ordersColumns(), "The field ZIP can not be used. It is not a column of the table ORDERS."},
        {"named like the audit's user", auditOf(AuditKind::Insert, {"userid"}), clashing,
         "The field userid" + ownColumn},
        {"condition on an unchosen field",
         auditOf(AuditKind::Insert, {"ORDNO", "T1"}, {condition("CITY", "=", "Paris"), {}}),
         ordersColumns(), "The condition on CITY can not be used. " + inputs},
        {"operator that would change the procedure code",
         auditOf(AuditKind::Insert, {"CITY"}, {condition("CITY", "LIKE", "P%")}), ordersColumns(),
         "The condition on CITY can not be used. Its operator must be =, !=, > or <."},
        {"value with a line break",
         auditOf(AuditKind::Insert, {"CITY"},
                 {condition("USERID", "=", "x'\r\n Call SqlConnect(hSql1)")}),
         ordersColumns(),
         "The condition on USERID can not be used. Its value must not contain a line break."},
        {"eighteen-character names sharing their first seventeen",
         auditOf(AuditKind::Update, {"ABCDEFGHIJKLMNOPQR", "ABCDEFGHIJKLMNOPQS"}), longNames,
         "The field ABCDEFGHIJKLMNOPQS can not be used. Its old value would be kept under the "
         "name ABCDEFGHIJKLMNOPQO, which is already in use."},
        {"login, host and application asked for", withWho, ordersColumns(),
         "SQLBase audits record the date and the user of each change; the login, host and "
         "application can not be recorded there."},
        {"only real changes of a field that is not audited", unauditedWatched, ordersColumns(),
         "The field CITY can not be compared with its old value. With \"Only rows whose values "
         "changed\" every field under \"If these fields changed\" must also be audited: the "
         "audit procedure receives only the audited fields."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.behaviour);
        const GeneratedStatements generated = generate(c.definition, c.columns);
        EXPECT_EQ(generated.refusal.toStdString(), c.message);
        EXPECT_EQ(texts(generated.statements), std::vector<std::string>{});
    }
}

TEST(SqlBaseAuditNames, WhatAnObjectNameOrTheCatalogCannotHoldIsRefused) {
    struct Case {
        const char* behaviour;
        QString name;
        QString table;
        std::string refusal;
    };
    const Case cases[] = {
        {"thirteen characters and an eighteen-character table", "ABCDEFGHIJKLM",
         "ORDERS_OF_THE_WEEK", ""},
        {"fourteen characters", "ABCDEFGHIJKLMN", "ORDERS",
         "The Audit Name ABCDEFGHIJKLMN has 14 characters, but ZOTA_ABCDEFGHIJKLMN would name the "
         "audit's table, procedure and trigger and its row in ZOTA_SYSTEM_TABLE, and a SQLBase "
         "name has at most 18 characters. Please enter at most 13 characters."},
        {"nineteen-character table", "ORDAUD", "ORDERS_OF_THE_WEEKS",
         "The table name ORDERS_OF_THE_WEEKS has 19 characters, but a SQLBase table name has at "
         "most 18 characters. No audit can be installed on this table."},
    };
    for (const Case& c : cases) {
        AuditDefinition definition = orderUpdateAudit();
        definition.name = c.name;
        definition.table = c.table;
        EXPECT_EQ(checkSqlBaseAuditNames(definition).message.toStdString(), c.refusal)
            << c.behaviour;
    }
}

} // namespace
} // namespace quorvex::testing
