#include "sqlserver/ScriptCompanion.h"

#include "sqlbase/SqlBaseAuditGenerator.h"
#include "sqlserver/SqlServerAuditGenerator.h"

#include "OrdersTable.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

namespace quorvex {
namespace {

using testing::bigOrders;
using testing::condition;
using testing::ordersColumns;

const QByteArray ordersCatalogue =
    R"("columns": [{"name": "ORDER_ID", "type": "int", "length": 4, "precision": 10, "scale": 0, "primaryKey": true},
                   {"name": "CUSTOMER", "type": "varchar", "length": 30},
                   {"name": "AMOUNT", "type": "money", "length": 8, "precision": 19, "scale": 4}])";

const QByteArray bigOrdersInput =
    R"({"backend": "sqlserver", "kind": "insert", "table": "ORDERS", )" + ordersCatalogue + R"(,
    "chosen": ["CUSTOMER", "AMOUNT"], "conditions": [{"column": "AMOUNT", "op": ">", "value": "1000"}],
    "mode": "only-when", "connective": "AND", "name": "BigOrders", "description": "Large orders"})";

QStringList bigOrdersStatements() {
    return sqlserver::generateSqlServerAudit(bigOrders(), ordersColumns()).statements;
}

QByteArray withGoLines(const QStringList& statements) {
    return (statements.join("\r\nGO\r\n") + "\r\nGO\r\n").toUtf8();
}

TEST(CompanionInput, ReadsTheDefinitionAsTheWindowHoldsIt) {
    const ScriptCompanion::Request request = ScriptCompanion::parse(bigOrdersInput);
    EXPECT_EQ(QString(), request.error);
    EXPECT_EQ(QStringLiteral("sqlserver"), request.backend);
    AuditDefinition expected = bigOrders();
    expected.conditions.removeLast(); // no empty grid slot in the input
    expected.saveOldValue = {false, false};
    EXPECT_EQ(expected, request.definition);
    EXPECT_EQ(ordersColumns(), request.columns);
}

TEST(CompanionInput, MissingKeysMeanEmptyListsAlwaysExceptAndAnd) {
    const ScriptCompanion::Request request = ScriptCompanion::parse(
        R"({"kind": "update", "table": "T", "saveOld": ["B"], "chosen": ["A", "B"],
            "connective": "OR", "conditions": [{"column": "A", "op": "=", "value": "1"},
                                               {"column": "B", "op": "<", "value": "2"}]})");
    EXPECT_EQ(QString(), request.error);
    AuditDefinition expected;
    expected.kind = AuditKind::Update;
    expected.table = "T";
    expected.columns = {"A", "B"};
    expected.saveOldValue = {false, true};
    expected.connective = Connective::Or;
    expected.conditions = {condition("A", "=", "1"), condition("B", "<", "2", "OR")};
    EXPECT_EQ(QStringLiteral("sqlserver"), request.backend);
    EXPECT_EQ(expected, request.definition);
    EXPECT_EQ(ColumnInfoList(), request.columns);
}

struct BadInput {
    const char* behaviour;
    QByteArray input;
    QString error;
};

TEST(CompanionInputFaults, AreReportedByWhatIsWrong) {
    const BadInput cases[] = {
        {"not_json", "{\"kind\": ", "the input is not valid JSON: unterminated object at offset 9"},
        {"not_an_object", "[1]", "the input must be one JSON object"},
        {"misspelt_key", R"({"kind": "insert", "choosen": []})", "unknown key \"choosen\""},
        {"missing_kind", R"({"table": "T"})",
         "\"kind\" is missing: say \"insert\", \"delete\" or \"update\""},
        {"unknown_kind", R"({"kind": "merge"})",
         "\"kind\" must be \"insert\" or \"delete\" or \"update\""},
        {"unknown_mode", R"({"kind": "insert", "mode": "never"})",
         "\"mode\" must be \"always-except\" or \"only-when\""},
        {"unknown_backend", R"({"backend": "oracle", "kind": "insert"})",
         "\"backend\" must be one of: sqlserver, sqlbase"},
        {"length_as_text", R"({"kind": "insert", "columns": [{"name": "A", "length": "30"}]})",
         "\"length\" in entry 1 of \"columns\" must be a whole number"},
        {"value_as_number",
         R"({"kind": "insert", "conditions": [{"column": "A", "op": "=", "value": 5}]})",
         "\"value\" in entry 1 of \"conditions\" must be a text"},
        {"old_value_of_unchosen_column", R"({"kind": "update", "chosen": ["A"], "saveOld": ["B"]})",
         "\"saveOld\" names B, which is not a chosen column"},
        {"changed_fields_on_insert_audit", R"({"kind": "insert", "changedFields": ["A"]})",
         "\"saveOld\" and \"changedFields\" belong to update audits"}};
    for (const BadInput& c : cases)
        EXPECT_EQ(c.error, ScriptCompanion::parse(c.input).error) << c.behaviour;
}

const QByteArray sqlBaseInput =
    R"({"backend": "sqlbase", "kind": "insert", "table": "ORDERS", "chosen": ["AMOUNT"],
        "name": "BIGORDERS", "description": "Large orders",
        "columns": [{"name": "ORDER_ID", "type": "INTEGER", "length": 4},
                    {"name": "AMOUNT", "type": "DECIMAL", "length": 15, "scale": 2}]})";

TEST(CompanionBackends, SqlBaseDefinitionsGoToTheSqlBaseGenerator) {
    const ScriptCompanion::Request request = ScriptCompanion::parse(sqlBaseInput);
    ASSERT_EQ(QString(), request.error);
    const GeneratedStatements expected =
        sqlbase::generateSqlBaseAudit(request.definition, request.columns);
    ASSERT_EQ(QString(), expected.refusal);
    const ScriptCompanion::Output output =
        ScriptCompanion::run(sqlBaseInput, ScriptCompanion::OutputFormat::Script);
    EXPECT_EQ(0, output.exitCode);
    EXPECT_EQ(withGoLines(expected.statements), output.standardOutput);
    EXPECT_NE(withGoLines(bigOrdersStatements()), output.standardOutput);
}

TEST(CompanionBackends, SqlBaseDefinitionsMeetTheNameRulesAndMustBeComplete) {
    QByteArray badName = sqlBaseInput;
    badName.replace("BIGORDERS", "BIG ORDERS");
    EXPECT_EQ(
        QByteArray("Invalid character in the Audit Name. Please use only Alpha-numeric and no "
                   "spaces in the Audit name\n"),
        ScriptCompanion::run(badName, ScriptCompanion::OutputFormat::Script).standardError);
    QByteArray incomplete = sqlBaseInput;
    incomplete.replace("[\"AMOUNT\"]", "[]");
    const ScriptCompanion::Output output =
        ScriptCompanion::run(incomplete, ScriptCompanion::OutputFormat::Script);
    EXPECT_EQ(1, output.exitCode);
    EXPECT_EQ(QByteArray("Please fill in more information\n"), output.standardError);
}

// The built program, run as a DBA would run it.
struct ProgramRun {
    int exitCode;
    QByteArray standardOutput;
    QByteArray standardError;
};

ProgramRun runCompanion(const QStringList& arguments, const QByteArray& input) {
    QProcess process;
    process.start(QStringLiteral(QUORVEX_SQL_PROGRAM), arguments);
    if (!process.waitForStarted())
        return {-1, {}, process.errorString().toUtf8()};
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(-1);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

TEST(CompanionProgram, PrintsTheScriptWithGoLinesOrAsAJsonList) {
    const ProgramRun run = runCompanion({}, bigOrdersInput);
    EXPECT_EQ(QByteArray(), run.standardError);
    EXPECT_EQ(0, run.exitCode);
    EXPECT_EQ(withGoLines(bigOrdersStatements()), run.standardOutput);
    const ProgramRun json = runCompanion({"--json"}, bigOrdersInput);
    EXPECT_EQ(0, json.exitCode);
    EXPECT_EQ(QJsonObject({{"statements", QJsonArray::fromStringList(bigOrdersStatements())}}),
              QJsonDocument::fromJson(json.standardOutput).object());
}

TEST(CompanionProgram, RefusalsExitWithOne) {
    QByteArray input = bigOrdersInput;
    input.replace("\"money\"", "\"image\"");
    const QByteArray message = "The field AMOUNT can not be used. It has been de-selected";
    const ProgramRun plain = runCompanion({}, input);
    EXPECT_EQ(1, plain.exitCode);
    EXPECT_EQ(QByteArray(), plain.standardOutput);
    EXPECT_EQ(message + '\n', plain.standardError);
    const ProgramRun json = runCompanion({"--json"}, input);
    EXPECT_EQ(1, json.exitCode);
    EXPECT_EQ(QJsonObject({{"error", QString::fromUtf8(message)}}),
              QJsonDocument::fromJson(json.standardOutput).object());
}

TEST(CompanionProgram, WrongCommandLineExitsWithTwo) {
    const ProgramRun run = runCompanion({"--jsno"}, bigOrdersInput);
    EXPECT_EQ(2, run.exitCode);
    EXPECT_EQ(QByteArray(), run.standardOutput);
    EXPECT_TRUE(run.standardError.startsWith("Unknown option 'jsno'."));
}

} // namespace
} // namespace quorvex
