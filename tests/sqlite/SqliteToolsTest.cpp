// quorvex-sql's script run by sqlite3; quorvex-export and quorvex-audits on a SQLite file.
#include "SqliteTestFile.h"

#include "support/ExportedFiles.h"
#include "support/ProgramRun.h"

#include <gtest/gtest.h>

using namespace quorvex;
using namespace quorvex::testing;

namespace {

// What sqlite3 prints for the statements, run on the file (with -bail: up to the first failure).
ProgramRun sqlite3(const QString& file, const QString& statements, const QByteArray& input = {}) {
    const QStringList arguments =
        statements.isEmpty() ? QStringList{"-bail", file} : QStringList{file, statements};
    return ProgramRun::of(QStringLiteral("sqlite3"), arguments, input, 60000);
}

// quorvex-sql's script for the definition, checked and then run by sqlite3 on the file.
void install(const QString& file, const QByteArray& definition) {
    const ProgramRun script = ProgramRun::of(QStringLiteral(QUORVEX_SQL_PROGRAM), {}, definition);
    ASSERT_EQ(script.exitCode, 0) << script.err.toStdString();
    EXPECT_TRUE(script.out.startsWith(
        "BEGIN IMMEDIATE;\nCREATE TABLE IF NOT EXISTS \"tblZOTA_SYSTEM_TABLE\""))
        << script.out.toStdString();
    const ProgramRun installed = sqlite3(file, {}, script.out.toUtf8());
    ASSERT_EQ(installed.exitCode, 0) << installed.err.toStdString();
}

ProgramRun quorvexExport(const QStringList& arguments) {
    return ProgramRun::of(QStringLiteral(QUORVEX_EXPORT_PATH),
                          QStringList{"--backend", "sqlite", "--format", "csv"} + arguments);
}

} // namespace

// An update records a row only where a watched column got another value, NULL included.
TEST(SqliteScripts, ChangedValuesOnlyRecordsRealChangesOfAMultiRowUpdate) {
    SqliteTestFile db;
    ASSERT_EQ(sqlite3(db.path(), "CREATE TABLE T (ID INTEGER PRIMARY KEY, AMOUNT INTEGER, NOTE "
                                 "TEXT); INSERT INTO T VALUES (1, 10, 'a'), (2, 20, 'b'), (3, "
                                 "NULL, 'c'), (4, 40, 'd')")
                  .exitCode,
              0);
    install(db.path(), R"json({"backend": "sqlite", "kind": "update", "table": "T",
        "columns": [{"name": "ID", "type": "INTEGER", "primaryKey": true},
                    {"name": "AMOUNT", "type": "INTEGER"}, {"name": "NOTE", "type": "TEXT"}],
        "chosen": ["ID", "AMOUNT"], "saveOld": ["AMOUNT"], "changedValuesOnly": true,
        "name": "Chg"})json");
    const ProgramRun fired = sqlite3(
        db.path(), "UPDATE T SET AMOUNT = AMOUNT; UPDATE T SET NOTE = 'x'; UPDATE T SET "
                   "AMOUNT = CASE ID WHEN 1 THEN 11 WHEN 2 THEN 20 WHEN 3 THEN 30 ELSE "
                   "NULL END; SELECT ID, quote(AMOUNT), quote(oldAMOUNT) FROM tblZOTA_Chg;");
    EXPECT_EQ(fired.err, QString());
    EXPECT_EQ(fired.out, "1|11|10\n3|30|NULL\n4|NULL|40\n");
}

// quorvex-export --older-than --purge archives and deletes the old rows only; quorvex-audits
// tells an audit whose table is gone, with exit status 4.
TEST(SqliteScripts, OlderRowsArchivedAndADroppedColumnMonitored) {
    SqliteTestFile db;
    const QString file = db.path();
    ASSERT_EQ(
        sqlite3(file, "CREATE TABLE T (ID INTEGER PRIMARY KEY, CODE TEXT, QTY INTEGER)").exitCode,
        0);
    install(file, R"json({"backend": "sqlite", "kind": "insert", "table": "T",
        "columns": [{"name": "ID", "type": "INTEGER", "primaryKey": true},
                    {"name": "CODE", "type": "TEXT"}, {"name": "QTY", "type": "INTEGER"}],
        "chosen": ["ID", "CODE"], "name": "Kept"})json");
    ASSERT_EQ(sqlite3(file, "INSERT INTO T VALUES (1, 'old', 1), (2, 'new', 2); UPDATE "
                            "tblZOTA_Kept SET AuditDate = datetime('now', '-40 days') WHERE ID = 1")
                  .exitCode,
              0);
    const auto audits = [&file] {
        return ProgramRun::of(QStringLiteral(QUORVEX_AUDITS_PATH),
                              {"--backend", "sqlite", "--database", file});
    };
    ProgramRun listed = audits();
    EXPECT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    EXPECT_EQ(listed.out, "Kept\tT\tY\t2\tok\n");

    const QString archive = db.folder() + "/old.csv";
    const ProgramRun purged = quorvexExport({"--audit", "Kept", "--file", archive, "--database",
                                             file, "--purge", "--older-than", "30"});
    EXPECT_EQ(purged.exitCode, 0) << purged.err.toStdString();
    EXPECT_TRUE(fileContents(archive).contains("\r\n1,old,"));
    EXPECT_EQ(sqlite3(file, "SELECT ID FROM tblZOTA_Kept").out, "2\n");

    ASSERT_EQ(sqlite3(file, "DROP TABLE T").exitCode, 0);
    listed = audits();
    EXPECT_EQ(listed.exitCode, 4);
    EXPECT_EQ(listed.out, "Kept\tT\tY\t1\ttable missing\n");

    // A file that is not there is said, and not made.
    const QString none = db.folder() + "/none.db";
    const ProgramRun missing =
        quorvexExport({"--audit", "Kept", "--file", archive, "--database", none});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.err.trimmed(), "The SQLite database file " + none + " does not exist.");
    EXPECT_FALSE(QFile::exists(none));
}
