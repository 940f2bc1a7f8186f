#include "sqlserver/ScriptCompanion.h"

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
         "\"backend\" must be one of: sqlserver, sqlbase, sqlite"},
        {"length_as_text", R"({"kind": "insert", "columns": [{"name": "A", "length": "30"}]})",
         "\"length\" in entry 1 of \"columns\" must be a whole number"},
        {"value_as_number",
         R"({"kind": "insert", "conditions": [{"column": "A", "op": "=", "value": 5}]})",
         "\"value\" in entry 1 of \"conditions\" must be a text"},
        {"old_value_of_unchosen_column", R"({"kind": "update", "chosen": ["A"], "saveOld": ["B"]})",
         "\"saveOld\" names B, which is not a chosen column"},
        {"changed_fields_on_insert_audit", R"({"kind": "insert", "changedFields": ["A"]})",
         "\"saveOld\" and \"changedFields\" belong to update audits"},
        {"unknown_engine", R"({"kind": "insert", "engine": "sybase"})",
         "\"engine\" must be \"sqlserver\" or \"babelfish\""},
        {"engine_on_sqlbase", R"({"backend": "sqlbase", "kind": "insert", "engine": "babelfish"})",
         "\"engine\" belongs to the sqlserver back end"},
        {"who_as_text", R"({"kind": "insert", "who": "yes"})", "\"who\" must be true or false"},
        {"changed_values_only_on_delete_audit", R"({"kind": "delete", "changedValuesOnly": true})",
         "\"changedValuesOnly\" belongs to update audits"}};
    for (const BadInput& c : cases)
        EXPECT_EQ(c.error, ScriptCompanion::parse(c.input).error) << c.behaviour;
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

// On Babelfish the trigger has no WITH ENCRYPTION line, and every writer of the audited table
// may insert into the audit table (Babelfish has no ownership chain through triggers).
TEST(CompanionProgram, BabelfishTriggersGoWithoutEncryption) {
    QByteArray input = bigOrdersInput;
    input.replace(R"("backend": "sqlserver",)",
                  R"("backend": "sqlserver", "engine": "babelfish",)");
    const ProgramRun run = runCompanion({}, input);
    EXPECT_EQ(0, run.exitCode) << run.standardError.toStdString();
    QStringList expected = bigOrdersStatements();
    ASSERT_TRUE(expected[1].contains("\r\nWITH ENCRYPTION\r\n"));
    expected[1].replace("\r\nWITH ENCRYPTION\r\n", "\r\n");
    expected.insert(1, "GRANT INSERT ON [tblZOTA_BigOrders] TO PUBLIC");
    EXPECT_EQ(withGoLines(expected), run.standardOutput);
    input.replace(R"("engine": "babelfish")", R"("engine": "sqlserver")");
    EXPECT_EQ(withGoLines(bigOrdersStatements()), runCompanion({}, input).standardOutput);
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

// What a reviewer reads is what the server gets: Unicode literals, dates in their
// language-neutral form, the user's name in an nvarchar(128).
TEST(CompanionProgram, ShowsUnicodeLiteralsNormalisedDatesAndTheWholeUserName) {
    const QByteArray input = R"({"kind": "insert", "table": "SHIPMENTS",
        "columns": [{"name": "CITY", "type": "nvarchar", "length": 40},
                    {"name": "SHIPPED", "type": "datetime2", "precision": 27, "scale": 7}],
        "chosen": ["CITY", "SHIPPED"],
        "conditions": [{"column": "CITY", "op": "=", "value": "Łódź"},
                       {"column": "SHIPPED", "op": ">", "value": "2024-01-13 10:00"},
                       {"column": "USERID", "op": "!=", "value": "Müller"}],
        "mode": "only-when", "name": "LodzShipments"})";
    const ProgramRun run = runCompanion({"--json"}, input);
    EXPECT_EQ(0, run.exitCode) << run.standardOutput.toStdString();
    const QJsonArray statements =
        QJsonDocument::fromJson(run.standardOutput).object().value("statements").toArray();
    ASSERT_EQ(3, statements.size());
    EXPECT_EQ(testing::lines({"CREATE TABLE [tblZOTA_LodzShipments] ([CITY] [nvarchar] (40) NULL ,",
                              "[SHIPPED] [datetime2] (7) NULL ,",
                              "[AuditDate] [datetime] NOT NULL DEFAULT CURRENT_TIMESTAMP ,",
                              "[UserName] [nvarchar] (128) NOT NULL DEFAULT CURRENT_USER)"}),
              statements[0].toString());
    EXPECT_EQ(QStringLiteral("WHERE CASE WHEN ins.CITY = N'Łódź' AND ins.SHIPPED > "
                             "'2024-01-13T10:00:00' AND user_name() != N'Müller' THEN 0 ELSE 1 END "
                             "= 0"),
              statements[1].toString().section("\r\n", -1));
}

// The companion refuses what GO refuses, with the same message.
TEST(CompanionRefusals, ValuesAndNamesTheServerOrCatalogCannotTakeExitWithOne) {
    struct Case {
        const char* behaviour;
        QByteArray input;
        QString error;
    };
    const Case cases[] = {
        {"date_in_a_language_dependent_form",
         R"({"kind": "insert", "table": "T", "columns": [{"name": "D", "type": "datetime"}],
             "chosen": ["D"], "conditions": [{"column": "D", "op": "=", "value": "13/01/2024"}],
             "name": "A"})",
         "The value '13/01/2024' cannot be compared with the field D: it is not written in one "
         "of the accepted forms. A datetime value is accepted as YYYY-MM-DD, YYYYMMDD, "
         "YYYY-MM-DD hh:mm[:ss[.fff]] or YYYY-MM-DDThh:mm[:ss[.fff]], so that every language "
         "setting reads it the same."},
        {"sqlbase_name_of_14",
         R"({"backend": "sqlbase", "kind": "insert", "table": "T",
             "columns": [{"name": "C", "type": "INTEGER", "length": 4}], "chosen": ["C"],
             "name": "ABCDEFGHIJKLMN"})",
         "The Audit Name ABCDEFGHIJKLMN has 14 characters, but ZOTA_ABCDEFGHIJKLMN would name the "
         "audit's table, procedure and trigger and its row in ZOTA_SYSTEM_TABLE, and a SQLBase "
         "name has at most 18 characters. Please enter at most 13 characters."},
    };
    for (const Case& c : cases) {
        const ScriptCompanion::Output output =
            ScriptCompanion::run(c.input, ScriptCompanion::OutputFormat::Json);
        EXPECT_EQ(1, output.exitCode) << c.behaviour;
        EXPECT_EQ(QJsonObject({{"error", c.error}}),
                  QJsonDocument::fromJson(output.standardOutput).object())
            << c.behaviour << ": " << output.standardOutput.toStdString();
    }
}

// The options reach the definition the generators get (what they make of it is tested there
// and, printed by the program, on the engine).
TEST(CompanionOptions, WhoAndChangedValuesOnlyReachTheDefinition) {
    QByteArray input = bigOrdersInput;
    input.replace(R"("kind": "insert",)",
                  R"("kind": "update", "who": true, "changedValuesOnly": true,)");
    const ScriptCompanion::Request request = ScriptCompanion::parse(input);
    EXPECT_EQ(QString(), request.error);
    EXPECT_TRUE(request.definition.recordWho);
    EXPECT_TRUE(request.definition.changedValuesOnly);
    EXPECT_FALSE(ScriptCompanion::parse(bigOrdersInput).definition.recordWho);
}

TEST(CompanionProgram, WrongCommandLineExitsWithTwo) {
    const ProgramRun run = runCompanion({"--jsno"}, bigOrdersInput);
    EXPECT_EQ(2, run.exitCode);
    EXPECT_EQ(QByteArray(), run.standardOutput);
    EXPECT_TRUE(run.standardError.startsWith("Unknown option 'jsno'."));
}

} // namespace
} // namespace quorvex
