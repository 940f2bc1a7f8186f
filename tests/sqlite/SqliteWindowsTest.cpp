// The program end to end on SQLite files, with no scripted database: the choice window, the
// SQLite login window, the main window with each kind of audit, the statements of another
// connection and the exact rows recorded, Disable, Enable, the viewer, each export format, BOTH
// and Delete; then the sample database, quorvex --sqlite and a new file.
#include "SqliteStand.h"

#include "sqlite/SqliteAuditGenerator.h"
#include "sqlite/SqliteConnection.h"
#include "sqlite/SqliteSample.h"
#include "support/ExportedFiles.h"

using namespace quorvex;
using namespace quorvex::testing;

namespace {

const QString DeleteQuestion =
    QStringLiteral("Are you sure you want to delete this Audit from the database?");
const QString Cust = QStringLiteral("Cust 'Name'");

#define SHOWN(s) qPrintable(s.messages.texts().join('\n'))

} // namespace

class SqliteWindowsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void theWholeFlowFromTheChoiceToTheDelete() {
        SqliteStand s;
        QCOMPARE(s.db.run("CREATE TABLE \"Order s\" (\"No\" INTEGER PRIMARY KEY, \"Cust 'Name'\" "
                          "VARCHAR(40), Amount INTEGER, \"Notiz ü\" TEXT)"),
                 QString());
        // Neither SQLite's own tables (sqlite_sequence) nor ours are listed.
        for (const char* statement :
             {"CREATE TABLE Counter (Id INTEGER PRIMARY KEY AUTOINCREMENT)",
              "INSERT INTO Counter DEFAULT VALUES", "CREATE TABLE TBLzota_Old (x)"})
            QCOMPARE(s.db.run(statement), QString());
        QCOMPARE(s.db.run("CREATE TABLE Stock (Code TEXT, Qty INTEGER)"), QString());
        const QStringList columns{"No", Cust, "Amount", "Notiz ü"};

        QVERIFY(s.openLogin());
        s.dialogs->existing.push_back(s.db.path());
        s.click(s.login()->browseButton());
        QCOMPARE(s.login()->fileBox()->text(), s.db.path());
        s.click(s.login()->openButton());
        QVERIFY2(s.mainWindowShown(), SHOWN(s));
        QVERIFY(!s.login());
        QCOMPARE(s.listed(s.tableList(0)), (QStringList{"Counter", "Order s", "Stock"}));

        // Insert: only when either condition holds; delete: always except both hold; update:
        // the old amount kept, only when the amount is set.
        QVERIFY(s.chooseTable(0, "Order s", columns, {"No", Cust, "Amount"}));
        for (const char* option : {"optNormallyOff", "optOr"})
            s.click(option);
        s.addCondition(0, "Amount", ">", "1000");
        s.addCondition(0, Cust, "=", "O'Brien");
        QVERIFY2(s.go(0, "Ins", "Big or Irish"), SHOWN(s));
        QVERIFY(s.chooseTable(0, "Order s", columns, {"No", Cust}));
        s.click("optDelete");
        s.addCondition(0, Cust, "=", "Keep");
        s.addCondition(0, "No", ">", "4");
        QVERIFY2(s.go(0, "Del", "Gone orders"), SHOWN(s));
        QVERIFY(s.chooseTable(1, "Order s", columns, {Cust, "Amount"}));
        s.keepOldValue("Amount");
        s.chooseChangedField("Amount");
        QVERIFY2(s.go(1, "Upd", "Amounts"), SHOWN(s));
        QCOMPARE(s.messages.texts(), QStringList());
        QCOMPARE(s.auditListed("Upd"), QString("Upd|Amounts|Y|Order s"));
        // "UPD" would name the same table on SQLite.
        QVERIFY(s.chooseTable(1, "Order s", columns, {"Amount"}));
        QVERIFY(!s.go(1, "UPD", "Again"));
        QCOMPARE(
            s.messages.texts(),
            QStringList{"You already have an Audit with that name.  Please enter another name."});
        s.messages.clear();

        // SQLite has no users: a USERID condition is refused and nothing is made.
        QVERIFY(s.chooseTable(0, "Stock", {"Code", "Qty"}, {"Code"}));
        s.addCondition(0, "USERID", "=", "me");
        QVERIFY(!s.go(0, "Usr", "Users"));
        QCOMPARE(s.messages.texts(), QStringList{sqlite::userIdConditionMessage()});
        QCOMPARE(s.db.rows("SELECT name FROM sqlite_master WHERE name LIKE '%Usr'"), QStringList());
        s.messages.clear();
        s.click("cmdClear");

        for (const char* statement : {
                 "INSERT INTO \"Order s\" VALUES (1, 'ACME', 5000, 'a')",
                 "INSERT INTO \"Order s\" VALUES (2, 'O''Brien', 10, 'b'), (3, 'Bolt', 50, 'c'), "
                 "(5, 'Keep', 2000, 'd'), (6, NULL, NULL, 'e')",
                 "UPDATE \"Order s\" SET Amount = Amount * 2 WHERE \"No\" < 4",
                 "UPDATE \"Order s\" SET \"Notiz ü\" = 'x'",
                 "DELETE FROM \"Order s\" WHERE \"No\" > 1",
             })
            QCOMPARE(s.db.run(QString::fromUtf8(statement)), QString());
        QCOMPARE(s.db.rows("SELECT \"No\", \"Cust 'Name'\", Amount FROM tblZOTA_Ins"),
                 (QStringList{"1|ACME|5000", "2|O'Brien|10", "5|Keep|2000"}));
        QCOMPARE(s.db.rows("SELECT \"Cust 'Name'\", Amount, oldAmount FROM tblZOTA_Upd"),
                 (QStringList{"ACME|10000|5000", "O'Brien|20|10", "Bolt|100|50"}));
        QCOMPARE(s.db.rows("SELECT \"No\", \"Cust 'Name'\" FROM tblZOTA_Del"),
                 (QStringList{"2|O'Brien", "3|Bolt", "6|NULL"}));

        // Disable drops the trigger and keeps its text in the catalog: nothing recorded.
        // Enable makes it again from that text: recorded again.
        const auto insert = [&](int no) {
            return s.db.run(
                QStringLiteral("INSERT INTO \"Order s\" VALUES (%1, 'O''Brien', 1, '')").arg(no));
        };
        const QString triggerQuery = "SELECT sql FROM sqlite_master WHERE name = 'trgZOTA_Ins'";
        const QString keptQuery =
            "SELECT DISABLED_TRIGGER FROM tblZOTA_SYSTEM_TABLE WHERE AUDIT_NAME = 'Ins'";
        const QStringList trigger = s.db.rows(triggerQuery);
        QVERIFY(s.press("cmdDisable", "Ins", [&] { return s.auditListed("Ins").contains("|N|"); }));
        QCOMPARE(s.db.rows(triggerQuery), QStringList());
        QCOMPARE(s.db.rows(keptQuery), trigger);
        QCOMPARE(insert(7), QString());
        QVERIFY(s.press("cmdEnable", "Ins", [&] { return s.auditListed("Ins").contains("|Y|"); }));
        QCOMPARE(s.db.rows(triggerQuery), trigger);
        QCOMPARE(s.db.rows(keptQuery), QStringList{"NULL"});
        QCOMPARE(insert(8), QString());
        QCOMPARE(s.db.rows("SELECT \"No\" FROM tblZOTA_Ins"), (QStringList{"1", "2", "5", "8"}));
        QCOMPARE(s.messages.texts(), QStringList());

        // The viewer shows what is recorded, AuditDate in UTC and no user; BOTH archives it.
        const QString select = "Select * from tblZOTA_Ins";
        const QStringList header{"No", Cust, "Amount", "AuditDate", "UserName"};
        QVERIFY(s.view("Ins", 4));
        QCOMPARE(s.viewed(), QStringList{header.join(u'|')} + s.db.rows(select, QString()));

        QVERIFY(s.openExport("Ins"));
        AuditExportWindow* window = s.exportWindow();
        const QByteArray archived = csvOf(header, s.db.rows(select, "(NULL)"));
        s.messages.answerNext(true);
        QVERIFY(s.exportAs(window->csvOption(), "archive", window->bothButton(), 3));
        QCOMPARE(s.messages.texts().mid(1), (QStringList{"Export completed", "Purge Complete"}));
        QCOMPARE(fileContents(s.inFolder("archive.CSV")), archived);
        QCOMPARE(s.db.rows(select), QStringList());
        s.messages.clear();

        // PURGE alone, on the audit of the grid's current row: every row goes, no file.
        QVERIFY(s.press("cmdExport", "Upd", [&] { return window->isVisible(); }));
        s.messages.answerNext(true);
        QTest::mouseClick(window->purgeButton(), Qt::LeftButton);
        QVERIFY(s.waitFor([&] { return s.messages.shown().size() >= 2; }));
        QCOMPARE(s.messages.texts().value(1), QString("Purge Complete"));
        QCOMPARE(s.db.rows("SELECT COUNT(*) FROM tblZOTA_Upd"), QStringList{"0"});
        s.messages.clear();

        // Delete: trigger, table and catalog row go; the table keeps working.
        s.messages.answerNext(true);
        QVERIFY(s.press("CmdDelete", "Ins", [&] { return s.auditRow("Ins") < 0; }));
        QCOMPARE(s.messages.texts(), QStringList{DeleteQuestion});
        QCOMPARE(s.db.rows("SELECT name FROM sqlite_master WHERE name LIKE '%ZOTA\\_Ins' "
                           "ESCAPE '\\'"),
                 QStringList());
        QCOMPARE(s.db.rows("SELECT AUDIT_NAME FROM tblZOTA_SYSTEM_TABLE"),
                 (QStringList{"Del", "Upd"}));
        QCOMPARE(insert(9), QString());
    }

    void theSampleTheCommandLineAndANewFileOpenTheMainWindow() {
        const QStringList sampleTables{"CUSTOMERS", "ORDER LINES", "ORDERS"};
        {
            // quorvex --sqlite-sample with no sample yet: it is made, no question asked.
            SqliteStand s;
            startWithSqlite(*s.frame, SqliteStart::Sample);
            QVERIFY2(s.mainWindowShown(), SHOWN(s));
            QCOMPARE(s.listed(s.tableList(0)), sampleTables);
        }
        {
            // The button on a sample made before: asked first; No opens it as it is.
            SqliteStand s;
            OdbcConnectionFactory connections;
            TaskContext task;
            QVERIFY(sqlite::SqliteSample::create(connections, s.state.sqliteSampleFile, s.messages,
                                                 task));
            QCOMPARE(SqliteTestFile::runAlone(s.state.sqliteSampleFile, "CREATE TABLE Mine (x)"),
                     QString());
            QVERIFY(s.openLogin());
            s.messages.answerNext(false);
            s.click(s.login()->sampleButton());
            QVERIFY(s.mainWindowShown());
            QCOMPARE(s.messages.texts(),
                     QStringList{sqlite::SqliteLoginWindow::replaceSampleQuestion(
                         s.state.sqliteSampleFile)});
            QCOMPARE(s.listed(s.tableList(0)),
                     (QStringList{"CUSTOMERS", "Mine", "ORDER LINES", "ORDERS"}));
        }
        {
            // quorvex --sqlite on a missing file says so and keeps the login; New... makes the
            // file and opens it.
            SqliteStand s;
            const QString missing = s.inFolder("none.db");
            startWithSqlite(*s.frame, SqliteStart::File, missing);
            QVERIFY(s.login() != nullptr && s.login()->isVisible());
            QCOMPARE(s.messages.texts(),
                     QStringList{sqlite::missingFileMessage(missing) +
                                 "\r\n\r\nUse New... to make a new database file."});
            QVERIFY(!QFile::exists(missing));
            s.messages.clear();
            const QString made = s.inFolder("new é;{x}.db");
            s.dialogs->created.push_back(made);
            s.click(s.login()->newButton());
            QVERIFY2(s.mainWindowShown(), SHOWN(s));
            QCOMPARE(s.listed(s.tableList(0)), QStringList());
            QCOMPARE(SqliteTestFile::runAlone(made, "SELECT COUNT(*) FROM tblZOTA_SYSTEM_TABLE"),
                     QString());
        }
    }
};

QTEST_MAIN(SqliteWindowsTest)
#include "SqliteWindowsTest.moc"
