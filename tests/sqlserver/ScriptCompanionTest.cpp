#include "sqlserver/ScriptCompanion.h"

#include "sqlserver/SqlServerAuditGenerator.h"

#include "OrdersTable.h"

#include "support/ProgramRun.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace quorvex {
namespace {

using testing::bigOrders;
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

QString withGoLines(const QStringList& statements) {
    return statements.join("\r\nGO\r\n") + "\r\nGO\r\n";
}

struct BadInput {
    const char* behaviour;
    QByteArray input;
    QString error;
};

TEST(CompanionInputFaults, AreReportedByWhatIsWrong) {
    const BadInput cases[] = {
        {"not_json", "{\"kind\": ", "the input is not valid JSON: unterminated object at offset 9"},
        {"misspelt_key", R"({"kind": "insert", "choosen": []})", "unknown key \"choosen\""},
        {"old_value_of_unchosen_column", R"({"kind": "update", "chosen": ["A"], "saveOld": ["B"]})",
         "\"saveOld\" names B, which is not a chosen column"}};
    for (const BadInput& c : cases)
        EXPECT_EQ(c.error, ScriptCompanion::parse(c.input).error) << c.behaviour;
}

testing::ProgramRun runCompanion(const QStringList& arguments, const QByteArray& input) {
    return testing::ProgramRun::of(QStringLiteral(QUORVEX_SQL_PROGRAM), arguments, input);
}

TEST(CompanionProgram, PrintsTheScriptWithGoLinesOrAsAJsonList) {
    const auto run = runCompanion({}, bigOrdersInput);
    EXPECT_EQ(QString(), run.err);
    EXPECT_EQ(0, run.exitCode);
    EXPECT_EQ(withGoLines(bigOrdersStatements()), run.out);
    const auto json = runCompanion({"--json"}, bigOrdersInput);
    EXPECT_EQ(0, json.exitCode);
    EXPECT_EQ(QJsonObject({{"statements", QJsonArray::fromStringList(bigOrdersStatements())}}),
              QJsonDocument::fromJson(json.out.toUtf8()).object());
}

// A refusal exits with 1, a wrong command line with 2.
TEST(CompanionProgram, RefusalsExitWithOneAndAWrongCommandLineWithTwo) {
    QByteArray input = bigOrdersInput;
    input.replace("\"money\"", "\"image\"");
    const auto plain = runCompanion({}, input);
    EXPECT_EQ(1, plain.exitCode);
    EXPECT_EQ(QString(), plain.out);
    EXPECT_EQ("The field AMOUNT can not be used. It has been de-selected\n", plain.err);
    const auto wrong = runCompanion({"--jsno"}, bigOrdersInput);
    EXPECT_EQ(2, wrong.exitCode);
    EXPECT_TRUE(wrong.err.startsWith("Unknown option 'jsno'."));
}

// "backend": "sqlbase" reaches SQLBase's own rules: a name SQL Server takes is too long there.
TEST(CompanionRefusals, SqlBaseNamesFollowSqlBaseRules) {
    const ScriptCompanion::Output output = ScriptCompanion::run(
        R"({"backend": "sqlbase", "kind": "insert", "table": "T",
            "columns": [{"name": "C", "type": "INTEGER", "length": 4}], "chosen": ["C"],
            "name": "ABCDEFGHIJKLMN"})",
        ScriptCompanion::OutputFormat::Json);
    EXPECT_EQ(1, output.exitCode);
    EXPECT_TRUE(QJsonDocument::fromJson(output.standardOutput)
                    .object()
                    .value("error")
                    .toString()
                    .startsWith("The Audit Name ABCDEFGHIJKLMN has 14 characters"))
        << output.standardOutput.toStdString();
}

} // namespace
} // namespace quorvex
