// The SQLite generators as pure text: quoting, column types, the audit table, the trigger and
// its WHEN clause for each kind of audit, and what is refused.
#include "sqlite/SqliteAuditGenerator.h"
#include "sqlite/SqliteColumnType.h"
#include "sqlserver/SqlServerAuditGenerator.h"

#include <gtest/gtest.h>

using namespace quorvex;
using namespace quorvex::sqlite;

namespace {

// ORDER LINES: a name with a blank, columns with a quote, a letter beyond ASCII and no type.
const ColumnInfoList orderLines = {
    {"LINE_ID", "INTEGER", 0, 0, 0, true},
    {"Cust \"Name\"", "VARCHAR(40)"},
    {"AMOUNT", "INTEGER"},
    {"Prix é", "NUMERIC(10,2)"},
    {"SHIPPED", "DATE"},
    {"Misc", ""},
};

AuditDefinition audit(AuditKind kind, QStringList columns) {
    AuditDefinition definition;
    definition.kind = kind;
    definition.table = "ORDER LINES";
    definition.columns = std::move(columns);
    definition.name = "Lines";
    definition.description = "Order lines";
    return definition;
}

AuditCondition condition(const QString& column, const QString& op, const QString& value) {
    return {column, op, value, {}};
}

QString generated(const AuditDefinition& definition) {
    const GeneratedStatements statements = generateSqliteAudit(definition, orderLines);
    return statements.refused() ? "refused: " + statements.refusal
                                : statements.statements.join("\n;\n");
}

} // namespace

TEST(SqliteColumnType, AffinityDeclarationAndConditionValuesFollowTheDeclaredType) {
    using A = SqliteColumnType::Affinity;
    const struct {
        const char* declared;
        A affinity;
        const char* declaration;
        const char* number; // how "1000" is compared
        const char* date;   // how "2024-01-31" is compared, "-" when refused
    } cases[] = {
        {"INTEGER", A::Integer, "INTEGER", "1000", "-"},
        {"VARCHAR(40)", A::Text, "VARCHAR(40)", "'1000'", "'2024-01-31'"},
        {"", A::Blob, "", "1000", "'2024-01-31'"},
        {"DOUBLE PRECISION", A::Real, "DOUBLE PRECISION", "1000", "-"},
        // A type named like a keyword is quoted, which keeps its name and affinity.
        {"PRIMARY", A::Numeric, "\"PRIMARY\"", "1000", "'2024-01-31'"},
        {"my \"odd\" type", A::Numeric, "\"my \"\"odd\"\" type\"", "1000", "'2024-01-31'"},
    };
    for (const auto& c : cases) {
        const SqliteColumnType type(c.declared);
        SCOPED_TRACE(c.declared);
        EXPECT_EQ(type.affinity(), c.affinity);
        EXPECT_EQ(type.auditDeclaration(), c.declaration);
        EXPECT_EQ(type.conditionLiteral("1000").value_or("-"), c.number);
        EXPECT_EQ(type.conditionLiteral("2024-01-31").value_or("-"), c.date);
    }
    EXPECT_EQ(SqliteColumnType("INTEGER").conditionLiteral(" -2.5e3 ").value_or("-"), "-2.5e3");
}

TEST(SqliteAuditGenerator, InsertAuditOnlyWhenEitherConditionHolds) {
    AuditDefinition definition = audit(AuditKind::Insert, {"LINE_ID", "Cust \"Name\"", "Prix é"});
    definition.mode = AuditMode::OnlyWhen;
    definition.connective = Connective::Or;
    definition.conditions = {
        condition("AMOUNT", ">", "1000"), condition("Cust \"Name\"", "=", "O'Brien"), {}};
    EXPECT_EQ(generated(definition),
              "CREATE TABLE \"tblZOTA_Lines\" (\n"
              "\"LINE_ID\" INTEGER,\n"
              "\"Cust \"\"Name\"\"\" VARCHAR(40),\n"
              "\"Prix é\" NUMERIC(10,2),\n"
              "\"AuditDate\" DATETIME NOT NULL DEFAULT CURRENT_TIMESTAMP,\n"
              "\"UserName\" TEXT NULL)\n;\n"
              "CREATE TRIGGER \"trgZOTA_Lines\" AFTER INSERT ON \"ORDER LINES\" FOR EACH ROW\n"
              "WHEN CASE WHEN NEW.\"AMOUNT\" > 1000 OR NEW.\"Cust \"\"Name\"\"\" = 'O''Brien' "
              "THEN 0 ELSE 1 END = 0\n"
              "BEGIN\n"
              "INSERT INTO \"tblZOTA_Lines\" (\"LINE_ID\", \"Cust \"\"Name\"\"\", \"Prix é\") "
              "VALUES (NEW.\"LINE_ID\", NEW.\"Cust \"\"Name\"\"\", NEW.\"Prix é\");\n"
              "END\n;\n"
              "INSERT INTO \"tblZOTA_SYSTEM_TABLE\" (\"AUDIT_NAME\", \"AUDIT_DESCRIPTION\", "
              "\"ENABLED\", \"TRIGGERTABLE\") VALUES ('Lines', 'Order lines', 'Y', 'ORDER LINES')");
}

// A delete reads OLD, an update keeps OLD beside NEW and fires only when a changed field is
// set; "only when" without conditions records nothing.
TEST(SqliteAuditGenerator, WhenClausesAndEventsOfEachKind) {
    AuditDefinition deleted = audit(AuditKind::Delete, {"LINE_ID"});
    deleted.conditions = {condition("SHIPPED", "<", "2024-01-31"), condition("Misc", "!=", "7")};
    AuditDefinition updated = audit(AuditKind::Update, {"AMOUNT"});
    updated.saveOldValue = {true};
    updated.changedFields = {"AMOUNT", "Prix é"};
    updated.mode = AuditMode::OnlyWhen;
    const auto trigger = [](const AuditDefinition& definition) {
        return generateSqliteAudit(definition, orderLines).statements.value(1).split('\n');
    };
    EXPECT_EQ(trigger(deleted).mid(0, 2),
              (QStringList{"CREATE TRIGGER \"trgZOTA_Lines\" AFTER DELETE ON \"ORDER LINES\" FOR "
                           "EACH ROW",
                           "WHEN CASE WHEN OLD.\"SHIPPED\" < '2024-01-31' AND OLD.\"Misc\" != 7 "
                           "THEN 1 ELSE 0 END = 0"}));
    EXPECT_EQ(
        trigger(updated),
        (QStringList{"CREATE TRIGGER \"trgZOTA_Lines\" AFTER UPDATE OF \"AMOUNT\", \"Prix é\" "
                     "ON \"ORDER LINES\" FOR EACH ROW",
                     "WHEN 1 = 0", "BEGIN",
                     "INSERT INTO \"tblZOTA_Lines\" (\"AMOUNT\", \"oldAMOUNT\") VALUES "
                     "(NEW.\"AMOUNT\", OLD.\"AMOUNT\");",
                     "END"}));
}

TEST(SqliteAuditGenerator, RefusesWhatCouldNotGiveAWorkingAudit) {
    const auto refusal = [](AuditDefinition definition) {
        return generateSqliteAudit(definition, orderLines).refusal;
    };
    AuditDefinition notANumber = audit(AuditKind::Insert, {"AMOUNT"});
    notANumber.conditions = {condition("AMOUNT", ">", "lots")};
    AuditDefinition twice = audit(AuditKind::Insert, {"AMOUNT", "AMOUNT"});
    AuditDefinition longName = audit(AuditKind::Insert, {"AMOUNT"});
    longName.name = "A23456789012345678901";
    AuditDefinition empty = audit(AuditKind::Insert, {});
    EXPECT_EQ(refusal(notANumber),
              "The value lots of the condition on AMOUNT is not a number, and AMOUNT (INTEGER) "
              "holds numbers: no row would ever match it. Please enter a number.");
    EXPECT_EQ(refusal(twice), "The field AMOUNT is chosen more than once");
    EXPECT_TRUE(refusal(longName).startsWith("The Audit Name A23456789012345678901 has 21 "));
    EXPECT_EQ(refusal(empty), sqlserver::missingEntriesMessage());
    AuditDefinition who = audit(AuditKind::Insert, {"AMOUNT"});
    who.recordWho = true;
    EXPECT_EQ(refusal(who), recordWhoUnavailableMessage());
}
