#include "SqlBaseGeneratorTesting.h"
#include "sqlbase/SqlBaseAuditGenerator.h"

#include <gtest/gtest.h>

namespace quorvex::testing {
namespace {

using sqlbase::generateSqlBaseAudit;

// ORDERS, ORDNO and CITY audited, CITY's old value kept, recorded only when CITY changed.
AuditDefinition orderUpdateAudit() {
    AuditDefinition definition;
    definition.kind = AuditKind::Update;
    definition.table = "ORDERS";
    definition.columns = {"ORDNO", "CITY"};
    definition.saveOldValue = {false, true};
    definition.changedFields = {"CITY"};
    definition.conditions = {emptySlot()};
    definition.mode = AuditMode::AlwaysExceptIf;
    definition.name = "ORDUPD";
    definition.description = "Order updates";
    return definition;
}

TEST(SqlBaseUpdateAudit, SavedOldValueAndChangedFieldGiveTheEightStatementsInSendingOrder) {
    const GeneratedStatements generated = generateSqlBaseAudit(orderUpdateAudit(), ordersColumns());
    ASSERT_EQ(generated.refusal.toStdString(), "");
    const std::vector<std::string> expected = {
        "Insert Into ZOTA_SYSTEM_TABLE (AUDIT_NAME,AUDIT_DESCRIPTION,ENABLED) VALUES "
        "('ZOTA_ORDUPD','Order updates','Y')",
        "CREATE TABLE ZOTA_ORDUPD (ORDNO INTEGER,CITY VARCHAR(30),CITYO VARCHAR(30),DATE "
        "TIMESTAMP, USERID VARCHAR(8))PCTFREE 10",
        "COMMIT",
        "CREATE PUBLIC SYNONYM ZOTA_ORDUPD FOR SYSADM.ZOTA_ORDUPD",
        "COMMIT",
        crlfLines({"STORE ZOTA_ORDUPD",
                   "PROCEDURE:ZOTA_ORDUPD static",
                   "PARAMETERS",
                   " Number: ORDNO",
                   " Number: ORDNOO",
                   " String: CITY",
                   " String: CITYO",
                   " String: USERID",
                   "LOCAL VARIABLES",
                   " Number: nRcd",
                   " Number: nNoChange",
                   " Sql Handle: hSql1",
                   "ACTIONS",
                   " Set nNoChange = 0",
                   " If CITY = CITYO",
                   "  Set nNoChange = 1",
                   " If nNoChange = 0",
                   "  Call SqlConnect(hSql1)",
                   "  Call SqlPrepareAndExecute(hSql1, 'insert into ZOTA_ORDUPD "
                   "(ORDNO,CITY,CITYO,DATE, USERID) values (:ORDNO,:CITY,:CITYO,sysdatetime, "
                   "user)')",
                   "  Call SqlDisconnect(hSql1)",
                   " Return nRcd"}),
        "CREATE TRIGGER ZOTA_ORDUPD AFTER UPDATE OF CITY ON ORDERS REFERENCING OLD AS OLDDATA NEW "
        "AS NEWDATA(EXECUTE ZOTA_ORDUPD(NEWDATA.ORDNO,OLDDATA.ORDNO,NEWDATA.CITY,OLDDATA.CITY,"
        "user))FOR EACH ROW",
        "COMMIT"};
    EXPECT_EQ(texts(generated.statements), expected);
}

TEST(SqlBaseUpdateAudit, UnsavedOldValueIsStillDeclaredButNeitherStoredNorInserted) {
    AuditDefinition definition = orderUpdateAudit();
    definition.saveOldValue = {false, false};
    const GeneratedStatements generated = generateSqlBaseAudit(definition, ordersColumns());
    EXPECT_EQ(generated.statements.value(1).toStdString(),
              "CREATE TABLE ZOTA_ORDUPD (ORDNO INTEGER,CITY VARCHAR(30),DATE TIMESTAMP, USERID "
              "VARCHAR(8))PCTFREE 10");
    EXPECT_EQ(procedureParameters(generated),
              (std::vector<std::string>{" Number: ORDNO", " Number: ORDNOO", " String: CITY",
                                        " String: CITYO", " String: USERID"}));
    EXPECT_EQ(procedureInsert(generated),
              std::vector<std::string>{"  Call SqlPrepareAndExecute(hSql1, 'insert into "
                                       "ZOTA_ORDUPD (ORDNO,CITY,DATE, USERID) values "
                                       "(:ORDNO,:CITY,sysdatetime, user)')"});
}

TEST(SqlBaseUpdateAudit, ChangeTestFollowsColumnOrderWhileTriggerListFollowsChangedFields) {
    AuditDefinition definition = orderUpdateAudit();
    definition.changedFields = {"CITY", "ORDNO"};
    const GeneratedStatements generated = generateSqlBaseAudit(definition, ordersColumns());
    EXPECT_EQ(procedureDecision(generated),
              (std::vector<std::string>{" Set nNoChange = 0", " If ORDNO = ORDNOO and CITY = CITYO",
                                        "  Set nNoChange = 1"}));
    EXPECT_EQ(generated.statements.value(6).toStdString(),
              "CREATE TRIGGER ZOTA_ORDUPD AFTER UPDATE OF CITY,ORDNO ON ORDERS REFERENCING OLD AS "
              "OLDDATA NEW AS NEWDATA(EXECUTE "
              "ZOTA_ORDUPD(NEWDATA.ORDNO,OLDDATA.ORDNO,NEWDATA.CITY,OLDDATA.CITY,user))FOR EACH "
              "ROW");
}

TEST(SqlBaseUpdateAudit, WithoutAuditedChangedFieldThereIsNoChangeTest) {
    AuditDefinition definition = orderUpdateAudit();
    definition.columns = {"ORDNO"};
    definition.saveOldValue = {true};
    const GeneratedStatements not_audited = generateSqlBaseAudit(definition, ordersColumns());
    EXPECT_EQ(procedureDecision(not_audited), std::vector<std::string>{" Set nNoChange = 0"});
    EXPECT_EQ(not_audited.statements.value(6).toStdString(),
              "CREATE TRIGGER ZOTA_ORDUPD AFTER UPDATE OF CITY ON ORDERS REFERENCING OLD AS "
              "OLDDATA NEW AS NEWDATA(EXECUTE ZOTA_ORDUPD(NEWDATA.ORDNO,OLDDATA.ORDNO,user))FOR "
              "EACH ROW");

    definition.changedFields.clear();
    const GeneratedStatements any_column = generateSqlBaseAudit(definition, ordersColumns());
    EXPECT_EQ(procedureDecision(any_column), std::vector<std::string>{" Set nNoChange = 0"});
    EXPECT_EQ(any_column.statements.value(6).toStdString(),
              "CREATE TRIGGER ZOTA_ORDUPD AFTER UPDATE ON ORDERS REFERENCING OLD AS OLDDATA NEW AS "
              "NEWDATA(EXECUTE ZOTA_ORDUPD(NEWDATA.ORDNO,OLDDATA.ORDNO,user))FOR EACH ROW");
}

TEST(SqlBaseUpdateAudit, ConditionsComeBeforeTheChangeTest) {
    AuditDefinition definition = orderUpdateAudit();
    definition.mode = AuditMode::OnlyWhen;
    definition.conditions = {condition("USERID", "!=", "SYSADM"), emptySlot()};
    EXPECT_EQ(procedureDecision(generateSqlBaseAudit(definition, ordersColumns())),
              (std::vector<std::string>{" Set nNoChange = 1", " If USERID != 'SYSADM' ",
                                        "  Set nNoChange = 0", " If CITY = CITYO",
                                        "  Set nNoChange = 1"}));
}

TEST(SqlBaseUpdateAudit, EighteenCharacterColumnKeepsItsOldValueUnderSeventeenPlusO) {
    AuditDefinition definition = orderUpdateAudit();
    definition.columns = {"ABCDEFGHIJKLMNOPQR", "CODE"};
    definition.saveOldValue = {true, true};
    definition.changedFields = {"ABCDEFGHIJKLMNOPQR"};
    const ColumnInfoList columns = {sqlBaseColumn("ABCDEFGHIJKLMNOPQR", "DECIMAL", 8, 2),
                                    sqlBaseColumn("CODE", "CHAR", 3)};
    const GeneratedStatements generated = generateSqlBaseAudit(definition, columns);
    EXPECT_EQ(generated.statements.value(1).toStdString(),
              "CREATE TABLE ZOTA_ORDUPD (ABCDEFGHIJKLMNOPQR DECIMAL(8,2),ABCDEFGHIJKLMNOPQO "
              "DECIMAL(8,2),CODE CHAR(3),CODEO CHAR(3),DATE TIMESTAMP, USERID VARCHAR(8))PCTFREE "
              "10");
    EXPECT_EQ(procedureDecision(generated),
              (std::vector<std::string>{" Set nNoChange = 0",
                                        " If ABCDEFGHIJKLMNOPQR = ABCDEFGHIJKLMNOPQO",
                                        "  Set nNoChange = 1"}));
}

TEST(SqlBaseUpdateAudit, TimeColumnGetsItsTableColumnsButNoParameterOrArgument) {
    AuditDefinition definition = orderUpdateAudit();
    definition.columns = {"T1", "CITY"};
    definition.saveOldValue = {true, false};
    const GeneratedStatements generated = generateSqlBaseAudit(definition, ordersColumns());
    EXPECT_EQ(generated.statements.value(1).toStdString(),
              "CREATE TABLE ZOTA_ORDUPD (T1 TIME,T1O TIME,CITY VARCHAR(30),DATE TIMESTAMP, USERID "
              "VARCHAR(8))PCTFREE 10");
    EXPECT_EQ(procedureParameters(generated),
              (std::vector<std::string>{" String: CITY", " String: CITYO", " String: USERID"}));
    EXPECT_EQ(
        generated.statements.value(6).toStdString(),
        "CREATE TRIGGER ZOTA_ORDUPD AFTER UPDATE OF CITY ON ORDERS REFERENCING OLD AS OLDDATA "
        "NEW AS NEWDATA(EXECUTE ZOTA_ORDUPD(NEWDATA.CITY,OLDDATA.CITY,user))FOR EACH ROW");
}

} // namespace
} // namespace quorvex::testing
