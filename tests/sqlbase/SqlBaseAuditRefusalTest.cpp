#include "SqlBaseGeneratorTesting.h"
#include "sqlbase/SqlBaseAuditGenerator.h"

#include <gtest/gtest.h>

namespace quorvex::testing {
namespace {

using sqlbase::generateSqlBaseAudit;

AuditDefinition auditOf(AuditKind kind, const QStringList& columns) {
    AuditDefinition definition;
    definition.kind = kind;
    definition.table = "ORDERS";
    definition.columns = columns;
    definition.conditions = {emptySlot()};
    definition.name = "ORDAUD";
    return definition;
}

// A refusal carries its message and nothing to send.
void expectRefused(const AuditDefinition& definition, const ColumnInfoList& columns,
                   const std::string& message) {
    const GeneratedStatements generated = generateSqlBaseAudit(definition, columns);
    EXPECT_EQ(generated.refusal.toStdString(), message);
    EXPECT_EQ(texts(generated.statements), std::vector<std::string>{});
}

const std::string kProcedureInputs = "The audit procedure receives only the chosen fields of a "
                                     "character, number, date or timestamp type, and USERID.";

TEST(SqlBaseAuditRefusal, LongColumnIsRefusedEvenAfterUsableColumns) {
    expectRefused(auditOf(AuditKind::Insert, {"ORDNO", "CITY", "NOTES"}), ordersColumns(),
                  "The field NOTES can not be used. ");
    expectRefused(auditOf(AuditKind::Update, {"NOTES"}), ordersColumns(),
                  "The field NOTES can not be used. ");
}

TEST(SqlBaseAuditRefusal, ColumnMissingFromTheCatalogueIsRefused) {
    expectRefused(auditOf(AuditKind::Delete, {"ORDNO", "ZIP"}), ordersColumns(),
                  "The field ZIP can not be used. It is not a column of the table ORDERS.");
}

TEST(SqlBaseAuditRefusal, ColumnsNamedLikeTheAuditsOwnColumnsOrVariablesAreRefused) {
    const std::string reason =
        " can not be used. The audit table has a column of its own with this name (the time "
        "and the user of the change).";
    ColumnInfoList columns = ordersColumns();
    columns << sqlBaseColumn("DATE", "DATE", 4) << sqlBaseColumn("userid", "CHAR", 8);
    expectRefused(auditOf(AuditKind::Insert, {"ORDNO", "DATE"}), columns,
                  "The field DATE" + reason);
    expectRefused(auditOf(AuditKind::Insert, {"userid"}), columns, "The field userid" + reason);
    columns << sqlBaseColumn("nRcd", "INTEGER", 4);
    expectRefused(auditOf(AuditKind::Insert, {"ORDNO", "nRcd"}), columns,
                  "The field nRcd can not be used. The audit procedure has a variable of its own "
                  "with this name.");
}

TEST(SqlBaseAuditRefusal, ColumnChosenTwiceIsRefused) {
    expectRefused(auditOf(AuditKind::Insert, {"CITY", "ORDNO", "CITY"}), ordersColumns(),
                  "The field CITY can not be used. It is chosen more than once.");
}

TEST(SqlBaseAuditRefusal, AuditWithoutAnyColumnThatReachesTheProcedureIsRefused) {
    const std::string message = "At least one chosen field must be of a character, number, date "
                                "or timestamp type: the audit procedure receives no other fields.";
    expectRefused(auditOf(AuditKind::Insert, {"T1"}), ordersColumns(), message);
    expectRefused(auditOf(AuditKind::Update, {}), ordersColumns(), message);
}

TEST(SqlBaseAuditRefusal, ConditionOnAFieldTheProcedureDoesNotReceiveIsRefused) {
    AuditDefinition definition = auditOf(AuditKind::Insert, {"ORDNO", "T1"});
    definition.conditions = {condition("ORDNO", "=", "1"), condition("T1", ">", "12:00"),
                             emptySlot()};
    expectRefused(definition, ordersColumns(),
                  "The condition on T1 can not be used. " + kProcedureInputs);
    definition.conditions = {condition("CITY", "=", "Paris"), emptySlot()};
    expectRefused(definition, ordersColumns(),
                  "The condition on CITY can not be used. " + kProcedureInputs);
}

TEST(SqlBaseAuditRefusal, ConditionThatWouldChangeTheProcedureCodeIsRefused) {
    AuditDefinition definition = auditOf(AuditKind::Insert, {"CITY"});
    definition.conditions = {condition("CITY", "LIKE", "P%")};
    expectRefused(definition, ordersColumns(),
                  "The condition on CITY can not be used. Its operator must be =, !=, > or <.");
    definition.conditions = {condition("USERID", "=", "x'\r\n Call SqlConnect(hSql1)")};
    expectRefused(definition, ordersColumns(),
                  "The condition on USERID can not be used. Its value must not contain a line "
                  "break.");
}

TEST(SqlBaseAuditRefusal, OldValueNameTakenByAnotherNameIsRefused) {
    // CITY's old value, kept or only passed, would be declared next to the real CITYO.
    AuditDefinition definition = auditOf(AuditKind::Update, {"CITY", "CITYO"});
    const std::string cityMessage = "The field CITY can not be used. Its old value would be kept "
                                    "under the name CITYO, which is already in use.";
    expectRefused(definition, ordersColumns(), cityMessage);
    definition.saveOldValue = {true, false};
    expectRefused(definition, ordersColumns(), cityMessage);

    // Two 18-character names sharing their first 17, and one that ends in O itself.
    const ColumnInfoList columns = {sqlBaseColumn("ABCDEFGHIJKLMNOPQR", "CHAR", 2),
                                    sqlBaseColumn("ABCDEFGHIJKLMNOPQS", "CHAR", 2),
                                    sqlBaseColumn("ABCDEFGHIJKLMNOPXO", "CHAR", 2)};
    expectRefused(auditOf(AuditKind::Update, {"ABCDEFGHIJKLMNOPQR", "ABCDEFGHIJKLMNOPQS"}), columns,
                  "The field ABCDEFGHIJKLMNOPQS can not be used. Its old value would be kept "
                  "under the name ABCDEFGHIJKLMNOPQO, which is already in use.");
    expectRefused(auditOf(AuditKind::Update, {"ABCDEFGHIJKLMNOPXO"}), columns,
                  "The field ABCDEFGHIJKLMNOPXO can not be used. Its old value would be kept "
                  "under the name ABCDEFGHIJKLMNOPXO, which is already in use.");
}

TEST(SqlBaseAuditRefusal, OldValueNamesDoNotMatterToInsertAudits) {
    const GeneratedStatements generated =
        generateSqlBaseAudit(auditOf(AuditKind::Insert, {"CITY", "CITYO"}), ordersColumns());
    EXPECT_EQ(generated.refusal.toStdString(), "");
    EXPECT_EQ(generated.statements.value(1).toStdString(),
              "CREATE TABLE ZOTA_ORDAUD (CITY VARCHAR(30),CITYO VARCHAR(30),DATE TIMESTAMP, "
              "USERID VARCHAR(8))PCTFREE 10");
}

TEST(SqlBaseAuditRefusal, ChangedFieldTheProcedureCannotCompareIsRefused) {
    AuditDefinition definition = auditOf(AuditKind::Update, {"ORDNO", "T1"});
    definition.changedFields = {"T1"};
    expectRefused(definition, ordersColumns(),
                  "The field T1 can not be used as a changed field. The audit procedure does not "
                  "receive fields of type TIME.");
    definition.changedFields = {"ZIP"};
    expectRefused(definition, ordersColumns(),
                  "The field ZIP can not be used as a changed field. It is not a column of the "
                  "table ORDERS.");
}

TEST(SqlBaseAuditRefusal, UnauditedChangedFieldOfAnyTypeOnlyNarrowsTheTrigger) {
    AuditDefinition definition = auditOf(AuditKind::Update, {"ORDNO"});
    definition.changedFields = {"T1", "NOTES"};
    const GeneratedStatements generated = generateSqlBaseAudit(definition, ordersColumns());
    EXPECT_EQ(generated.refusal.toStdString(), "");
    EXPECT_EQ(generated.statements.value(6).toStdString(),
              "CREATE TRIGGER ZOTA_ORDAUD AFTER UPDATE OF T1,NOTES ON ORDERS REFERENCING OLD AS "
              "OLDDATA NEW AS NEWDATA(EXECUTE ZOTA_ORDAUD(NEWDATA.ORDNO,OLDDATA.ORDNO,user))FOR "
              "EACH ROW");
}

} // namespace
} // namespace quorvex::testing
