// quorvex-sql's SQLite script run by the sqlite3 program on a fresh file; quorvex-export on a
// SQLite file.
#include "SqliteTestFile.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

using namespace quorvex;
using namespace quorvex::testing;

namespace {

struct Ran {
    int status = -1;
    QString out;
    QString err;
};

Ran runProgram(const QString& program, const QStringList& arguments, const QByteArray& input = {}) {
    QProcess process;
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

} // namespace

// The script, as a DBA reviews it and runs it by hand with sqlite3, installs audits that record
// what the window's would.
TEST(SqliteScripts, QuorvexSqlsStatementsRunBySqlite3RecordTheRightRows) {
    SqliteTestFile db;
    const QString file = db.path();
    ASSERT_EQ(runProgram("sqlite3", {file, "CREATE TABLE \"ORDER LINES\" (ID INTEGER PRIMARY KEY, "
                                           "\"Cust \"\"Name\"\"\" VARCHAR(40), AMOUNT INTEGER)"})
                  .status,
              0);
    const QByteArray columns =
        R"json("columns": [{"name": "ID", "type": "INTEGER", "primaryKey": true},
                       {"name": "Cust \"Name\"", "type": "VARCHAR(40)"},
                       {"name": "AMOUNT", "type": "INTEGER"}])json";
    const QByteArray definitions[] = {
        R"json({"backend": "sqlite", "kind": "insert", "table": "ORDER LINES", )json" + columns +
            R"json(,
            "chosen": ["ID", "Cust \"Name\""], "mode": "only-when", "connective": "OR",
            "conditions": [{"column": "AMOUNT", "op": ">", "value": "1000"},
                           {"column": "Cust \"Name\"", "op": "=", "value": "O'Brien"}],
            "name": "Ins", "description": "Big or Irish"})json",
        R"json({"backend": "sqlite", "kind": "update", "table": "ORDER LINES", )json" + columns +
            R"json(,
            "chosen": ["ID", "AMOUNT"], "saveOld": ["AMOUNT"], "changedFields": ["AMOUNT"],
            "name": "Upd", "description": "Amounts"})json",
    };
    for (const QByteArray& definition : definitions) {
        const Ran script = runProgram(QStringLiteral(QUORVEX_SQL_PROGRAM), {}, definition);
        ASSERT_EQ(script.status, 0) << script.err.toStdString();
        EXPECT_TRUE(script.out.startsWith("BEGIN IMMEDIATE;\nCREATE TABLE IF NOT EXISTS "
                                          "\"tblZOTA_SYSTEM_TABLE\""))
            << script.out.toStdString();
        const Ran installed = runProgram("sqlite3", {"-bail", file}, script.out.toUtf8());
        ASSERT_EQ(installed.status, 0) << installed.err.toStdString();
    }
    const Ran fired = runProgram(
        "sqlite3",
        {file, "INSERT INTO \"ORDER LINES\" VALUES (1, 'ACME', 5000), (2, 'O''Brien', "
               "5), (3, 'Bolt', 5), (4, NULL, NULL); UPDATE \"ORDER LINES\" SET AMOUNT "
               "= AMOUNT + 1 WHERE ID < 3; UPDATE \"ORDER LINES\" SET \"Cust \"\"Name\"\"\""
               " = 'x'; SELECT ID, \"Cust \"\"Name\"\"\" FROM tblZOTA_Ins; SELECT ID, "
               "AMOUNT, oldAMOUNT FROM tblZOTA_Upd; SELECT AUDIT_NAME, TRIGGERTABLE FROM "
               "tblZOTA_SYSTEM_TABLE;"});
    EXPECT_EQ(fired.err, QString());
    EXPECT_EQ(fired.out,
              "1|ACME\n2|O'Brien\n1|5001|5000\n2|6|5\nIns|ORDER LINES\nUpd|ORDER LINES\n");
}

// "Only rows whose values changed": an update records a row only where a watched column got
// another value, NULL to a value and back included; an update to the same values records nothing.
TEST(SqliteScripts, ChangedValuesOnlyRecordsRealChangesOfAMultiRowUpdate) {
    SqliteTestFile db;
    const QString file = db.path();
    ASSERT_EQ(runProgram("sqlite3", {file, "CREATE TABLE T (ID INTEGER PRIMARY KEY, AMOUNT "
                                           "INTEGER, NOTE TEXT); INSERT INTO T VALUES (1, 10, "
                                           "'a'), (2, 20, 'b'), (3, NULL, 'c'), (4, 40, 'd')"})
                  .status,
              0);
    const Ran script = runProgram(QStringLiteral(QUORVEX_SQL_PROGRAM), {},
                                  R"json({"backend": "sqlite", "kind": "update", "table": "T",
                "columns": [{"name": "ID", "type": "INTEGER", "primaryKey": true},
                            {"name": "AMOUNT", "type": "INTEGER"}, {"name": "NOTE", "type": "TEXT"}],
                "chosen": ["ID", "AMOUNT"], "saveOld": ["AMOUNT"], "changedValuesOnly": true,
                "name": "Chg"})json");
    ASSERT_EQ(script.status, 0) << script.err.toStdString();
    ASSERT_EQ(runProgram("sqlite3", {"-bail", file}, script.out.toUtf8()).status, 0);
    const Ran fired = runProgram(
        "sqlite3", {file, "UPDATE T SET AMOUNT = AMOUNT; UPDATE T SET NOTE = 'x'; "
                          "UPDATE T SET AMOUNT = CASE ID WHEN 1 THEN 11 WHEN 2 THEN 20 "
                          "WHEN 3 THEN 30 ELSE NULL END; "
                          "SELECT ID, quote(AMOUNT), quote(oldAMOUNT) FROM tblZOTA_Chg;"});
    EXPECT_EQ(fired.err, QString());
    EXPECT_EQ(fired.out, "1|11|10\n3|30|NULL\n4|NULL|40\n");
}

TEST(SqliteScripts, QuorvexExportArchivesAndPurgesASqliteAudit) {
    SqliteTestFile db;
    ASSERT_EQ(db.run("CREATE TABLE tblZOTA_Arc (Code TEXT, Qty INTEGER, AuditDate DATETIME, "
                     "UserName TEXT)"),
              QString());
    ASSERT_EQ(db.run("INSERT INTO tblZOTA_Arc VALUES ('a', 1, '2024-01-02 03:04:05', NULL), "
                     "('b, \"c\"', 2, '2024-01-02 03:04:06', NULL)"),
              QString());
    db.close();
    const QString archive = db.folder() + "/arc.csv";
    const QStringList common{"--backend", "sqlite", "--audit", "Arc",       "--format",
                             "csv",       "--file", archive,   "--database"};
    const Ran purged =
        runProgram(QStringLiteral(QUORVEX_EXPORT_PATH), common + QStringList{db.path(), "--purge"});
    EXPECT_EQ(purged.status, 0) << purged.err.toStdString();
    QFile file(archive);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().toStdString(),
              "Code,Qty,AuditDate,UserName\r\na,1,2024-01-02 03:04:05,(NULL)\r\n"
              "\"b, \"\"c\"\"\",2,2024-01-02 03:04:06,(NULL)\r\n\r\n");
    EXPECT_EQ(db.rows("SELECT COUNT(*) FROM tblZOTA_Arc"), QStringList{"0"});

    const Ran missing = runProgram(QStringLiteral(QUORVEX_EXPORT_PATH),
                                   common + QStringList{db.folder() + "/none.db"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err.trimmed(),
              "The SQLite database file " + db.folder() + "/none.db does not exist.");
    EXPECT_FALSE(QFile::exists(db.folder() + "/none.db"));
}

// Retention and the monitor on a SQLite file: --older-than keeps the recent rows, and
// quorvex-audits tells an audit whose table is gone, with exit status 4. (SQLite refuses to drop
// a column a trigger reads, so a copied column cannot go while the audit stands.)
TEST(SqliteScripts, OlderRowsArchivedAndADroppedColumnMonitored) {
    SqliteTestFile db;
    const QString file = db.path();
    ASSERT_EQ(runProgram("sqlite3", {file, "CREATE TABLE T (ID INTEGER PRIMARY KEY, CODE TEXT, "
                                           "QTY INTEGER)"})
                  .status,
              0);
    const Ran script = runProgram(QStringLiteral(QUORVEX_SQL_PROGRAM), {},
                                  R"json({"backend": "sqlite", "kind": "insert", "table": "T",
                "columns": [{"name": "ID", "type": "INTEGER", "primaryKey": true},
                            {"name": "CODE", "type": "TEXT"}, {"name": "QTY", "type": "INTEGER"}],
                "chosen": ["ID", "CODE"], "name": "Kept"})json");
    ASSERT_EQ(runProgram("sqlite3", {"-bail", file}, script.out.toUtf8()).status, 0);
    ASSERT_EQ(runProgram("sqlite3", {file, "INSERT INTO T VALUES (1, 'old', 1), (2, 'new', 2); "
                                           "UPDATE tblZOTA_Kept SET AuditDate = "
                                           "datetime('now', '-40 days') WHERE ID = 1"})
                  .status,
              0);
    const auto audits = [&file] {
        return runProgram(QStringLiteral(QUORVEX_AUDITS_PATH),
                          {"--backend", "sqlite", "--database", file});
    };
    Ran listed = audits();
    EXPECT_EQ(listed.status, 0) << listed.err.toStdString();
    EXPECT_EQ(listed.out, "Kept\tT\tY\t2\tok\n");

    const QString archive = db.folder() + "/old.csv";
    const Ran purged =
        runProgram(QStringLiteral(QUORVEX_EXPORT_PATH),
                   {"--backend", "sqlite", "--audit", "Kept", "--format", "csv", "--file", archive,
                    "--database", file, "--purge", "--older-than", "30"});
    EXPECT_EQ(purged.status, 0) << purged.err.toStdString();
    QFile csv(archive);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_TRUE(csv.readAll().contains("\r\n1,old,"));
    EXPECT_EQ(runProgram("sqlite3", {file, "SELECT ID FROM tblZOTA_Kept"}).out, "2\n");

    ASSERT_EQ(runProgram("sqlite3", {file, "DROP TABLE T"}).status, 0);
    listed = audits();
    EXPECT_EQ(listed.status, 4);
    EXPECT_EQ(listed.out, "Kept\tT\tY\t1\ttable missing\n");
}
