// The program end to end on the engine named in QUORVEX_TEST_MSSQL, driven with the mouse and
// the keyboard over FreeTDS; a second, plain connection changes the audited tables.
#include "EngineStand.h"

#include "auditdata/XlsxContents.h"
#include "support/ExportedFiles.h"

using namespace quorvex;
using namespace quorvex::testing;

namespace {

const QString DeleteQuestion =
    QStringLiteral("Are you sure you want to delete this Audit from the database?");

#define ENGINE_STAND(stand)                                                                        \
    const std::optional<SqlServerLoginValues> target = EngineDatabase::target();                   \
    if (!target)                                                                                   \
        QSKIP(EngineDatabase::skipReason());                                                       \
    EngineStand stand(*target);                                                                    \
    QVERIFY2(stand.db.isOpen(), qPrintable(stand.db.openError()))

#define SHOWN(stand) qPrintable(stand.messages.texts().join('\n'))

} // namespace

class SqlServerEngineTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Insert (only when, OR, a quote), delete (always except, AND, USERID), update keeping an
    // old value with and without a key; single- and multi-row statements.
    void auditsRecordExactlyTheRowsTheirDefinitionsSay() {
        ENGINE_STAND(stand);
        const QString orders = stand.db.uniqueName("Ord");
        const QString stock = stand.db.uniqueName("Stk");
        QCOMPARE(stand.db.createTable({}, orders,
                                      "OrderNo int NOT NULL PRIMARY KEY, custName nvarchar(40) "
                                      "NULL, Amount int NULL, Note varchar(20) NULL"),
                 QString());
        QCOMPARE(stand.db.createTable({}, stock, "Code varchar(10) NULL, Qty int NULL"), QString());
        QCOMPARE(stand.db.createTable({}, "TBLzota_" + stand.db.uniqueName("Own"), "ID int"),
                 QString());
        const QString user = stand.db.databaseUser();
        QVERIFY(!user.isEmpty());
        QVERIFY(stand.logIn());
        QCOMPARE(stand.messages.texts(), QStringList());
        QVERIFY(!stand.loginWindow()->isVisible());
        QCOMPARE(stand.mainWindow()->windowTitle().contains("Babelfish"), stand.db.isBabelfish());
        const QStringList tables = stand.listedTables(0);
        QVERIFY2(tables.contains(orders), qPrintable(tables.join(", ")));
        for (const QString& listed : tables)
            QVERIFY2(!listed.section(u'.', -1).startsWith("tblZOTA_", Qt::CaseInsensitive),
                     qPrintable(listed));
        QCOMPARE(stand.listedTables(1), tables);

        const QStringList orderColumns{"OrderNo", "custName", "Amount", "Note"};
        const QString ins = stand.db.uniqueName("Ins");
        QVERIFY(stand.chooseTable(0, orders, orderColumns, {"OrderNo", "custName", "Amount"}));
        for (const char* option : {"optInsert", "optNormallyOff", "optOr"})
            stand.click(option);
        stand.addCondition(0, "Amount", ">", "1000");
        stand.addCondition(0, "custName", "=", "O'Brien");
        QVERIFY2(stand.go(0, ins, "Big or Irish orders"), SHOWN(stand));
        QCOMPARE(stand.find<QLineEdit>("txtNewTableName")->text(), QString());

        const QString del = stand.db.uniqueName("Del");
        QVERIFY(stand.chooseTable(0, orders, orderColumns, {"OrderNo", "custName"}));
        stand.click("optDelete");
        stand.addCondition(0, "custName", "=", "Keep");
        stand.addCondition(0, "USERID", "=", user);
        QVERIFY2(stand.go(0, del, "Gone orders"), SHOWN(stand));

        const QString upd = stand.db.uniqueName("Upd");
        QVERIFY(stand.chooseTable(1, orders, orderColumns, {"custName", "Amount"}));
        stand.keepOldValue("Amount");
        stand.chooseChangedField("Amount");
        QVERIFY2(stand.go(1, upd, "Amount changes"), SHOWN(stand));

        const QString stk = stand.db.uniqueName("Stk");
        QVERIFY(stand.chooseTable(1, stock, {"Code", "Qty"}, {"Code", "Qty"}));
        stand.keepOldValue("Qty");
        QVERIFY2(stand.go(1, stk, "Stock changes"), SHOWN(stand));
        QCOMPARE(stand.messages.texts(), QStringList());

        QCOMPARE(stand.auditListed(ins), ins + "|Big or Irish orders|Y|" + orders);
        QCOMPARE(stand.auditListed(stk), stk + "|Stock changes|Y|" + stock);
        QCOMPARE(stand.db.catalogRow(del), QStringList{"Gone orders|Y|" + orders});
        QCOMPARE(stand.db.rows("SELECT COLUMN_NAME FROM INFORMATION_SCHEMA.COLUMNS WHERE "
                               "TABLE_NAME = 'tblZOTA_" +
                               upd + "' ORDER BY ORDINAL_POSITION"),
                 (QStringList{"custName", "Amount", "oldAmount", "AuditDate", "UserName"}));

        const QString o = EngineDatabase::bracket(orders);
        const QString s = EngineDatabase::bracket(stock);
        for (const QString& statement : {
                 "INSERT INTO " + o + " VALUES (1, N'ACME', 5000, 'a')",
                 "INSERT INTO " + o +
                     " VALUES (2, N'O''Brien', 10, 'b'), (3, N'Bolt', 50, 'c'), "
                     "(4, N'Keep', 2000, 'd'), (5, NULL, NULL, 'e')",
                 "UPDATE " + o + " SET Amount = 6000 WHERE OrderNo = 1",
                 "UPDATE " + o + " SET Amount = Amount + 1 WHERE OrderNo IN (2, 3)",
                 "UPDATE " + o + " SET custName = N'Bolts' WHERE OrderNo = 3",
                 "DELETE FROM " + o + " WHERE OrderNo = 4",
                 "DELETE FROM " + o + " WHERE OrderNo IN (1, 2, 3, 5)",
                 "INSERT INTO " + s + " VALUES ('A', 1), ('B', 2)",
                 "UPDATE " + s + " SET Qty = 10 WHERE Code = 'A'",
                 "UPDATE " + s + " SET Qty = Qty + 100",
             })
            QCOMPARE(stand.db.run(statement), QString());

        const auto by = [&](const QString& row) { return row + '|' + user + "|recent"; };
        QCOMPARE(stand.db.recorded(ins, "OrderNo, custName, Amount", "OrderNo"),
                 (QStringList{by("1|ACME|5000"), by("2|O'Brien|10"), by("4|Keep|2000")}));
        // A change of custName alone is no change of Amount.
        QCOMPARE(stand.db.recorded(upd, "custName, Amount, oldAmount", "Amount"),
                 (QStringList{by("O'Brien|11|10"), by("Bolt|51|50"), by("ACME|6000|5000")}));
        // Keep deleted by this user is the exception; a row of NULLs is no exception.
        QCOMPARE(stand.db.recorded(del, "OrderNo, custName", "OrderNo"),
                 (QStringList{by("1|ACME"), by("2|O'Brien"), by("3|Bolts"), by("5|NULL")}));
        // Without a key only a single-row update can be paired with its old row; the rows of a
        // multi-row update keep no old value rather than another row's.
        QCOMPARE(stand.db.recorded(stk, "Code, Qty, oldQty", "Code, Qty"),
                 (QStringList{by("A|10|1"), by("A|110|NULL"), by("B|102|NULL")}));
        QCOMPARE(stand.db.rows("SELECT Code, Qty FROM " + s + " ORDER BY Code"),
                 (QStringList{"A|110", "B|102"}));
    }

    // GO, Disable, Enable and Delete on tables with a schema or odd names.
    void anAuditOnEachKindOfTableNameIsSwitchedAndDeleted_data() {
        QTest::addColumn<QStringList>("names"); // schema, table, key column, count column
        QTest::newRow("a schema other than dbo") << QStringList{"Sch", "Parcels", "Code", "Qty"};
        QTest::newRow("blanks and quotes") << QStringList{"", "Ord er's", "Cust Name", "Qty's"};
        QTest::newRow("a closing bracket") << QStringList{"", "Ord]ers", "Code", "Qty]x"};
    }
    void anAuditOnEachKindOfTableNameIsSwitchedAndDeleted() {
        QFETCH(QStringList, names);
        QString schema = names[0], table = names[1];
        const QString key = names[2], count = names[3];
        ENGINE_STAND(stand);
        if (table.contains(u']') && stand.db.isBabelfish())
            QSKIP("Babelfish cannot express a \"]\" inside a delimited name: [a]]b] is a syntax "
                  "error there");
        table = stand.db.uniqueName(table);
        if (!schema.isEmpty())
            schema = stand.db.uniqueName(schema);
        const QString k = EngineDatabase::bracket(key);
        const QString c = EngineDatabase::bracket(count);
        QCOMPARE(stand.db.createTable(schema, table, k + " nvarchar(10) NULL, " + c + " int NULL"),
                 QString());
        const QString listed = schema.isEmpty() ? table : schema + u'.' + table;
        const QString audited =
            (schema.isEmpty() ? QString() : EngineDatabase::bracket(schema) + u'.') +
            EngineDatabase::bracket(table);
        const QString name = stand.db.uniqueName("Sw");
        const auto insert = [&](const QString& code, int qty) {
            return stand.db.run(
                QStringLiteral("INSERT INTO %1 VALUES (N'%2', %3)").arg(audited, code).arg(qty));
        };
        const auto recorded = [&] {
            return stand.db.rows("SELECT " + k + " FROM tblZOTA_" + name + " ORDER BY " + c);
        };

        QVERIFY(stand.logIn());
        QVERIFY(stand.chooseTable(0, listed, {key, count}, {key, count}));
        stand.click("optNormallyOff");
        stand.addCondition(0, count, ">", "5");
        QVERIFY2(stand.go(0, name, "Switch test"), SHOWN(stand));
        QCOMPARE(stand.auditListed(name), name + "|Switch test|Y|" + listed);
        QCOMPARE(insert("low", 3), QString());
        QCOMPARE(insert("high", 7), QString());
        QCOMPARE(recorded(), QStringList{"high"});

        QVERIFY(stand.press("cmdDisable", name,
                            [&] { return stand.auditListed(name).contains("|N|"); }));
        QCOMPARE(stand.db.triggerState(name), QString("disabled"));
        QCOMPARE(stand.db.catalogRow(name), QStringList{"Switch test|N|" + listed});
        QCOMPARE(insert("off", 9), QString());
        QCOMPARE(recorded(), QStringList{"high"});

        QVERIFY(stand.press("cmdEnable", name,
                            [&] { return stand.auditListed(name).contains("|Y|"); }));
        QCOMPARE(stand.db.triggerState(name), QString("enabled"));
        QCOMPARE(insert("on", 8), QString());
        QCOMPARE(recorded(), (QStringList{"high", "on"}));
        QCOMPARE(stand.messages.texts(), QStringList());

        stand.messages.answerNext(true);
        QVERIFY(stand.press("CmdDelete", name, [&] { return stand.auditRow(name) < 0; }));
        QCOMPARE(stand.messages.texts(), QStringList{DeleteQuestion});
        QCOMPARE(stand.db.triggerState(name), QString("missing"));
        QVERIFY(!stand.db.auditTableExists(name));
        QCOMPARE(stand.db.catalogRow(name), QStringList());
        QCOMPARE(insert("after", 10), QString());
    }

    void theViewerAndTheExportWindowShowAndArchiveTheRecordedRows() {
        ENGINE_STAND(stand);
        const QString table = stand.db.uniqueName("Arc");
        QCOMPARE(stand.db.createTable({}, table,
                                      "Id int NOT NULL PRIMARY KEY, custName nvarchar(40) NULL, "
                                      "Amount int NULL"),
                 QString());
        QVERIFY(stand.logIn());
        const QString name = stand.db.uniqueName("Arc");
        const QStringList columns{"Id", "custName", "Amount"};
        QVERIFY(stand.chooseTable(0, table, columns, columns));
        QVERIFY2(stand.go(0, name, "Archive"), SHOWN(stand));
        QCOMPARE(stand.db.run("INSERT INTO " + EngineDatabase::bracket(table) +
                              " VALUES (1, N'Smith, John', 10), (2, NULL, 20), "
                              "(3, N'say \"hi\" & <go>', 30)"),
                 QString());
        const QString select = "Select * from tblZOTA_" + name;
        const QStringList header{"Id", "custName", "Amount", "AuditDate", "UserName"};
        QCOMPARE(stand.db.rows(select).size(), 3);

        QVERIFY(stand.view(name, 3));
        QCOMPARE(stand.viewed(), QStringList{header.join(u'|')} + stand.db.rows(select, QString()));
        const QByteArray archived = csvOf(header, stand.db.rows(select, "(NULL)"));

        QVERIFY(stand.openExport(name));
        AuditExportWindow* window = stand.exportWindow();
        QVERIFY(stand.exportAs(window->excelOption(), QString(), window->exportButton(), 1));
        QCOMPARE(stand.messages.texts(), QStringList{"Export completed"});
        const QString sheet = stand.inFolder(name + ".xlsx");
        QCOMPARE(stand.desktop.opened(), QStringList{sheet});
        const XlsxContents xlsx = XlsxContents::read(sheet);
        QCOMPARE(xlsx.error, QString());
        QCOMPARE(xlsx.rowCount, 4);
        QCOMPARE(xlsx.rowValues(1), header);
        QCOMPARE(xlsx.rowValues(4).mid(0, 3), (QStringList{"3", "say \"hi\" & <go>", "30"}));
        QCOMPARE(xlsx.rowValues(4).value(4).trimmed(), stand.db.databaseUser());

        stand.messages.answerNext(true);
        QVERIFY(stand.exportAs(window->csvOption(), "archive", window->bothButton(), 4));
        QVERIFY(stand.messages.texts().value(1).contains("then delete exactly those rows"));
        QCOMPARE(stand.messages.texts().mid(2),
                 (QStringList{"Export completed", "Purge Complete"}));
        QCOMPARE(fileContents(stand.inFolder("archive.CSV")), archived);
        QCOMPARE(stand.db.rows(select), QStringList());
    }

    // Delete while the viewer still reads the audit's rows: the read is ended first, so the
    // delete neither waits on our own SELECT nor leaves the trigger without its table.
    void deleteWhileTheViewerFillsNeitherHangsNorLeavesATrigger() {
        ENGINE_STAND(stand);
        const QString table = stand.db.uniqueName("Big");
        QCOMPARE(stand.db.createTable({}, table, "Id int NOT NULL, Note varchar(40) NULL"),
                 QString());
        QVERIFY(stand.logIn());
        const QString name = stand.db.uniqueName("Big");
        QVERIFY(stand.chooseTable(0, table, {"Id", "Note"}, {"Id", "Note"}));
        QVERIFY2(stand.go(0, name, "Many rows"), SHOWN(stand));
        // Enough rows that the viewer is still reading when Delete is pressed.
        QCOMPARE(stand.db.run("INSERT INTO " + EngineDatabase::bracket(table) +
                              " SELECT a.object_id % 100000, 'row of many' FROM sys.all_columns a "
                              "CROSS JOIN (SELECT TOP 20 object_id FROM sys.all_columns) b"),
                 QString());
        QVERIFY(stand.db.value("Select COUNT(*) from tblZOTA_" + name).toInt() > 20000);

        QVERIFY(stand.selectAudit(name));
        QTest::mouseClick(stand.find<QAbstractButton>("cmdView"), Qt::LeftButton);
        QVERIFY(EngineStand::waitFor(
            [&] { return stand.viewer() != nullptr && stand.viewer()->isFilling(); }));
        stand.messages.answerNext(true);
        QTest::mouseClick(stand.find<QAbstractButton>("CmdDelete"), Qt::LeftButton);
        // The read's end is awaited first, then the delete runs: both within the patience of a
        // busy test machine.
        QVERIFY2(QTest::qWaitFor([&] { return stand.auditRow(name) < 0; }, 60000), SHOWN(stand));
        QVERIFY(!stand.viewer()->isFilling());
        QCOMPARE(stand.messages.texts(), QStringList{DeleteQuestion});
        QCOMPARE(stand.db.triggerState(name), QString("missing"));
        QVERIFY(!stand.db.auditTableExists(name));
        QCOMPARE(stand.db.catalogRow(name), QStringList());
        QCOMPARE(
            stand.db.run("INSERT INTO " + EngineDatabase::bracket(table) + " VALUES (1, 'after')"),
            QString());
    }

    // The trigger's name is taken: nothing of the audit is left, the other trigger stays.
    void aTriggerTheServerRefusesLeavesNothingBehind() {
        ENGINE_STAND(stand);
        const QString table = stand.db.uniqueName("Cls");
        const QString other = stand.db.uniqueName("Blk");
        QCOMPARE(stand.db.createTable({}, table, "Code varchar(10) NULL"), QString());
        QCOMPARE(stand.db.createTable({}, other, "ID int NULL"), QString());
        const QString name = stand.db.uniqueName("Cls");
        const QString trigger =
            "CREATE TRIGGER trgZOTA_" + name + " ON %1 FOR INSERT AS SET NOCOUNT ON";
        QCOMPARE(stand.db.run(trigger.arg(other)), QString());
        const QString refusal = stand.db.run(trigger.arg(table));
        QVERIFY(!refusal.isEmpty());

        QVERIFY(stand.logIn());
        QVERIFY(stand.chooseTable(0, table, {"Code"}, {"Code"}));
        QVERIFY(!stand.go(0, name, "Clash"));
        QTRY_COMPARE_WITH_TIMEOUT(stand.messages.texts(),
                                  (QStringList{"Error saving trigger to database", refusal}),
                                  EngineStand::Patience);
        QTRY_VERIFY_WITH_TIMEOUT(!stand.db.auditTableExists(name), EngineStand::Patience);
        QCOMPARE(stand.db.catalogRow(name), QStringList());
        QCOMPARE(stand.db.triggerState(name), QString("enabled"));
        QCOMPARE(stand.find<QLineEdit>("txtNewTableName")->text(), name);
        QCOMPARE(stand.db.run("INSERT INTO " + table + " VALUES ('x')"), QString());
    }
};

QTEST_MAIN(SqlServerEngineTest)
#include "SqlServerEngineTest.moc"
