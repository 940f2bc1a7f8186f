#include "SqlBaseGeneratorTesting.h"
#include "sqlbase/SqlBaseAuditGenerator.h"

#include <gtest/gtest.h>

namespace quorvex::testing {
namespace {

using sqlbase::generateSqlBaseAudit;

// ORDERS, ORDNO and CITY chosen, recorded only when CITY = Paris.
AuditDefinition orderInsertAudit() {
    AuditDefinition definition;
    definition.kind = AuditKind::Insert;
    definition.table = "ORDERS";
    definition.columns = {"ORDNO", "CITY"};
    definition.conditions = {condition("CITY", "=", "Paris"), emptySlot()};
    definition.mode = AuditMode::OnlyWhen;
    definition.connective = Connective::And;
    definition.name = "ORDAUD";
    definition.description = "Order inserts";
    return definition;
}

TEST(SqlBaseInsertAudit, OnlyWhenWithOneConditionGivesTheEightStatementsInSendingOrder) {
    const GeneratedStatements generated = generateSqlBaseAudit(orderInsertAudit(), ordersColumns());
    ASSERT_EQ(generated.refusal.toStdString(), "");
    const std::vector<std::string> expected = {
        "Insert Into ZOTA_SYSTEM_TABLE (AUDIT_NAME,AUDIT_DESCRIPTION,ENABLED) VALUES "
        "('ZOTA_ORDAUD','Order inserts','Y')",
        "CREATE TABLE ZOTA_ORDAUD (ORDNO INTEGER,CITY VARCHAR(30),DATE TIMESTAMP, USERID "
        "VARCHAR(8))PCTFREE 10",
        "COMMIT",
        "CREATE PUBLIC SYNONYM ZOTA_ORDAUD FOR SYSADM.ZOTA_ORDAUD",
        "COMMIT",
        crlfLines({"STORE ZOTA_ORDAUD", "PROCEDURE:ZOTA_ORDAUD static", "PARAMETERS",
                   " Number: ORDNO", " String: CITY", " String: USERID", "LOCAL VARIABLES",
                   " Number: nRcd", " Number: nNoChange", " Sql Handle: hSql1", "ACTIONS",
                   " Set nNoChange = 1", " If CITY = 'Paris' ", "  Set nNoChange = 0",
                   " If nNoChange = 0", "  Call SqlConnect(hSql1)",
                   "  Call SqlPrepareAndExecute(hSql1, 'insert into ZOTA_ORDAUD (ORDNO,CITY,DATE, "
                   "USERID) values (:ORDNO,:CITY,sysdatetime, user)')",
                   "  Call SqlDisconnect(hSql1)", " Return nRcd"}),
        "CREATE TRIGGER ZOTA_ORDAUD AFTER INSERT ON ORDERS(EXECUTE "
        "ZOTA_ORDAUD(ORDNO,CITY,user))FOR "
        "EACH ROW",
        "COMMIT"};
    EXPECT_EQ(texts(generated.statements), expected);
}

TEST(SqlBaseInsertAudit, DeleteAuditDiffersOnlyInTheTriggerTiming) {
    AuditDefinition definition = orderInsertAudit();
    const QStringList insertStatements =
        generateSqlBaseAudit(definition, ordersColumns()).statements;
    definition.kind = AuditKind::Delete;
    QStringList expected = insertStatements;
    expected[6] = "CREATE TRIGGER ZOTA_ORDAUD BEFORE DELETE ON ORDERS(EXECUTE "
                  "ZOTA_ORDAUD(ORDNO,CITY,user))FOR EACH ROW";
    EXPECT_EQ(texts(generateSqlBaseAudit(definition, ordersColumns()).statements), texts(expected));
}

TEST(SqlBaseConditionBlock, OrPutsEveryConditionOnItsOwnIfWithoutTrailingBlanks) {
    AuditDefinition definition = orderInsertAudit();
    definition.connective = Connective::Or;
    definition.conditions = {condition("CITY", "=", "Paris"), condition("ORDNO", ">", "100"),
                             emptySlot()};
    const std::vector<std::string> expected = {" Set nNoChange = 1", " If CITY = 'Paris'",
                                               "  Set nNoChange = 0", " If ORDNO > '100'",
                                               "  Set nNoChange = 0"};
    EXPECT_EQ(procedureDecision(generateSqlBaseAudit(definition, ordersColumns())), expected);
}

TEST(SqlBaseConditionBlock, AlwaysExceptIfWithAndJoinsConditionsOnOneIfThatSetsOne) {
    AuditDefinition definition = orderInsertAudit();
    definition.mode = AuditMode::AlwaysExceptIf;
    definition.conditions = {condition("CITY", "!=", "Paris"), condition("ORDNO", "<", "7"),
                             condition("USERID", "=", "SCOTT"), emptySlot()};
    const std::vector<std::string> expected = {
        " Set nNoChange = 0", " If CITY != 'Paris' AND ORDNO < '7' AND USERID = 'SCOTT' ",
        "  Set nNoChange = 1"};
    EXPECT_EQ(procedureDecision(generateSqlBaseAudit(definition, ordersColumns())), expected);
}

TEST(SqlBaseConditionBlock, WithoutConditionsOnlyTheStartValueRemains) {
    AuditDefinition definition = orderInsertAudit();
    definition.conditions = {emptySlot()};
    EXPECT_EQ(procedureDecision(generateSqlBaseAudit(definition, ordersColumns())),
              std::vector<std::string>{" Set nNoChange = 1"});
    definition.mode = AuditMode::AlwaysExceptIf;
    definition.conditions.clear();
    EXPECT_EQ(procedureDecision(generateSqlBaseAudit(definition, ordersColumns())),
              std::vector<std::string>{" Set nNoChange = 0"});
}

TEST(SqlBaseConditionBlock, QuotesInValuesAreDoubledAndEmptyValuesStayQuoted) {
    AuditDefinition definition = orderInsertAudit();
    definition.connective = Connective::Or;
    definition.conditions = {condition("CITY", "=", "O'Hara's"), condition("CITY", "=", "")};
    const std::vector<std::string> expected = {" Set nNoChange = 1", " If CITY = 'O''Hara''s'",
                                               "  Set nNoChange = 0", " If CITY = ''",
                                               "  Set nNoChange = 0"};
    EXPECT_EQ(procedureDecision(generateSqlBaseAudit(definition, ordersColumns())), expected);
}

TEST(SqlBaseInsertAudit, ColumnWithoutParameterTypeGetsOnlyItsAuditTableColumn) {
    AuditDefinition definition = orderInsertAudit();
    definition.columns = {"SHIPPED", "T1", "CITY"};
    const GeneratedStatements generated = generateSqlBaseAudit(definition, ordersColumns());
    EXPECT_EQ(generated.statements.value(1).toStdString(),
              "CREATE TABLE ZOTA_ORDAUD (SHIPPED TIMESTAMP,T1 TIME,CITY VARCHAR(30),DATE "
              "TIMESTAMP, USERID VARCHAR(8))PCTFREE 10");
    EXPECT_EQ(
        procedureParameters(generated),
        (std::vector<std::string>{" Date/Time: SHIPPED", " String: CITY", " String: USERID"}));
    EXPECT_EQ(generated.statements.value(6).toStdString(),
              "CREATE TRIGGER ZOTA_ORDAUD AFTER INSERT ON ORDERS(EXECUTE "
              "ZOTA_ORDAUD(SHIPPED,CITY,user))FOR EACH ROW");
}

TEST(SqlBaseInsertAudit, CatalogRowKeepsTheFullNameAndDoublesQuotesOfTheDescription) {
    AuditDefinition definition = orderInsertAudit();
    definition.name = "ABCDEFGHIJKLM";
    definition.description = "Bob's orders";
    const GeneratedStatements generated = generateSqlBaseAudit(definition, ordersColumns());
    EXPECT_EQ(generated.statements.value(0).toStdString(),
              "Insert Into ZOTA_SYSTEM_TABLE (AUDIT_NAME,AUDIT_DESCRIPTION,ENABLED) VALUES "
              "('ZOTA_ABCDEFGHIJKLM','Bob''s orders','Y')");
    EXPECT_EQ(generated.statements.value(3).toStdString(),
              "CREATE PUBLIC SYNONYM ZOTA_ABCDEFGHIJKLM FOR SYSADM.ZOTA_ABCDEFGHIJKLM");
}

} // namespace
} // namespace quorvex::testing
