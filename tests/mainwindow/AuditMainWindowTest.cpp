#include "MainWindowFixture.h"
#include "sqlbase/SqlBaseAuditGenerator.h"
#include "sqlbase/SqlBaseBackend.h"

#include <QHeaderView>
#include <QPushButton>

namespace quorvex::testing {

namespace {

const QString NotChosen =
    QStringLiteral("This field must also be chosen in the columns list box above");
const QString DeleteQuestion =
    QStringLiteral("Are you sure you want to delete this Audit from the database?");
const QString Audits = QStringLiteral("grdInstalledAudits");

// The names of one tab's controls: tab 0 is insert/delete, tab 1 update.
struct Editor {
    QString tables, name, description, combo, value, add, grid, orOption, connectiveFrame;
};
const Editor Editors[2] = {
    {"lstAuditableTables", "txtNewTableName", "txtDescription", "cboConditionalColumns",
     "txtCriteria", "cmdAdd", "grdCriteria", "optOr", "Frame6"},
    {"lstUpdateAuditableTables", "txtUpdateNewTableName", "txtUpdateDescription",
     "cboUpdateConditionalColumns", "txtUpdateCriteria", "cmdUpdateAdd", "grdUpdateCriteria",
     "optUpdateOr", "Frame7"}};
const char* const Operators[2][4] = {
    {"optEqual", "optNotEqual", "OptGreater", "optLessThan"},
    {"optUpdateEqual", "optUpdateNotEqual", "OptUpdateGreater", "optUpdateLessThan"}};

void chooseColumn(MainWindowFixture& fixture, int tab, int row) {
    if (tab == 0)
        fixture.clickItem("lstColumns", row);
    else
        fixture.clickCell("lstUpdateColumns", row, 0);
}

// ORDERS listed on the tab, the given columns (by row) chosen.
void chooseOrdersColumns(MainWindowFixture& fixture, int tab, const QList<int>& rows) {
    fixture.showTab(tab);
    fixture.clickItem(Editors[tab].tables, 0);
    for (int row : rows)
        chooseColumn(fixture, tab, row);
}

// Tab 0 filled in: ORDERS, AMOUNT and ORDNO chosen (clicked in that order), a delete audit,
// only when, OR, two conditions.
void fillInsertDeleteTab(MainWindowFixture& fixture) {
    chooseOrdersColumns(fixture, 0, {2, 0});
    for (const char* option : {"optDelete", "optNormallyOff", "optOr", "OptGreater"})
        fixture.click(option);
    fixture.type("txtNewTableName", "OrdGone");
    fixture.type("txtDescription", "deleted big orders");
    fixture.addCondition(0, "AMOUNT", "1000");
    fixture.click("optNotEqual");
    fixture.addCondition(0, "USERID", "sa");
}

// Tab 1 filled in: ORDERS, AMOUNT then ORDNO chosen, AMOUNT keeps its old value, CUSTNO
// listed too but only AMOUNT chosen as a changed field, one condition.
void fillUpdateTab(MainWindowFixture& fixture) {
    chooseOrdersColumns(fixture, 1, {2, 1, 0, 1, 1, 1});
    fixture.clickCell("lstUpdateColumns", 2, 1);
    fixture.clickItem("lstUpdateFieldsChanged", 0);
    fixture.type("txtUpdateNewTableName", "OrdUpd");
    fixture.type("txtUpdateDescription", "amount changes");
    fixture.click("optUpdateLessThan");
    fixture.addCondition(1, "ORDNO", "7");
}

// What RESET and a saved audit both leave on a tab: no table or column chosen, no name,
// description, column box, value or condition.
void verifyTabEmptied(const MainWindowFixture& fixture, int tab) {
    const Editor& names = Editors[tab];
    QCOMPARE(fixture.chosen(names.tables), QStringList{});
    for (const QString& box : {names.name, names.description, names.value})
        QCOMPARE(fixture.text(box), QString());
    QCOMPARE(fixture.combo(names.combo)->count(), 0);
    QCOMPARE(fixture.combo(names.combo)->currentText(), QString());
    QCOMPARE(fixture.rows(names.grid), QStringList{"|||"});
    // Connective and mode can be chosen again.
    QVERIFY(fixture.enabled(names.connectiveFrame));
    QVERIFY(fixture.enabled(tab == 0 ? "Frame4" : "UpdateFrame4"));
    if (tab == 0)
        QCOMPARE(fixture.chosen("lstColumns"), QStringList{});
    else
        QCOMPARE(fixture.grid("lstUpdateColumns")->selectedCount(), 0);
}

// Rows 0 to 2 selected by mouse (a click and a shift-click); the grid's current row is then 2.
void selectAllThreeAudits(MainWindowFixture& fixture) {
    fixture.clickCell(Audits, 0, 0);
    fixture.clickCell(Audits, 2, 0, Qt::ShiftModifier);
    QCOMPARE(fixture.grid(Audits)->selectedCount(), 3);
}

} // namespace

class AuditMainWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startListsTablesGoHandsDefaultsOverAndClosingShutsDown() {
        MainWindowFixture fixture(sqlServerTraits());
        fixture.backend.tables = QStringList{"zeta", "Alpha", "dbo2.mid"};
        QVERIFY(fixture.open());
        QCOMPARE(fixture.backend.calls, QStringList{"load"});
        QCOMPARE(fixture.items("lstAuditableTables"), *fixture.backend.tables);
        QCOMPARE(fixture.items("lstUpdateAuditableTables"), *fixture.backend.tables);
        QCOMPARE(fixture.grid(Audits)->rowCount(), 3);
        // GO with the default choices hands over empty definitions.
        fixture.click("cmdGo");
        fixture.showTab(1);
        fixture.click("cmdUpdateGo");
        AuditDefinition insert;
        insert.conditions = {AuditCondition{}};
        AuditDefinition update = insert;
        update.kind = AuditKind::Update;
        QCOMPARE(fixture.backend.saved, (QList<AuditDefinition>{insert, update}));
        // SQL Server names take 25 characters, as typed.
        fixture.showTab(0);
        fixture.type("txtNewTableName", "orders_audit_of_the_year_2024");
        fixture.find<QWidget>("txtDescription")->setFocus();
        QCOMPARE(fixture.text("txtNewTableName"), "orders_audit_of_the_year_");
        // Closing the window shuts the back end down, once, on a worker of its own.
        QVERIFY(fixture.window->close());
        fixture.window->close();
        QVERIFY(BackgroundTask::waitForAll(5000));
        QTRY_COMPARE(fixture.callsAfterLoad(), (QStringList{"save()", "save()", "shutdown"}));
    }

    // A condition's column must be chosen above, USERID too; once chosen, the same Add goes
    // through.
    void addNeedsTheColumnChosenAbove() {
        struct Case {
            int tab;
            QList<int> chosenFirst;
            QString column;
            int chosenLater;
        };
        for (const Case& c : {Case{0, {0}, "AMOUNT", 2}, Case{1, {}, "USERID", 1}}) {
            MainWindowFixture fixture(sqlServerTraits());
            QVERIFY(fixture.open());
            chooseOrdersColumns(fixture, c.tab, c.chosenFirst);
            fixture.addCondition(c.tab, c.column, "100");
            QCOMPARE(fixture.messages.shown().size(), 1);
            QCOMPARE(fixture.messages.shown().first().text, NotChosen);
            QCOMPARE(fixture.messages.shown().first().icon, MessageIcon::Critical);
            QCOMPARE(fixture.messages.shown().first().kind, ShownMessage::Kind::Message);
            QCOMPARE(fixture.rows(Editors[c.tab].grid), QStringList{"|||"});
            QVERIFY(fixture.enabled(Editors[c.tab].connectiveFrame));
            chooseColumn(fixture, c.tab, c.chosenLater);
            fixture.click(Editors[c.tab].add);
            QCOMPARE(fixture.messages.texts(), QStringList{NotChosen});
            QCOMPARE(fixture.rows(Editors[c.tab].grid),
                     (QStringList{"|" + c.column + "|=|100", "|||"}));
        }
    }

    void addsFillRowsWithTheirOperatorAndLabelFromTheSecondOn() {
        for (const auto& [tab, c] : {std::pair{0, QString("AND")}, std::pair{1, QString("OR")}}) {
            MainWindowFixture fixture(sqlServerTraits());
            QVERIFY(fixture.open());
            chooseOrdersColumns(fixture, tab, {0, 2});
            if (c == "OR")
                fixture.click(Editors[tab].orOption);
            fixture.addCondition(tab, "ORDNO", "5");
            fixture.click(Operators[tab][1]);
            fixture.addCondition(tab, "AMOUNT", QString());
            fixture.click(Operators[tab][2]);
            fixture.addCondition(tab, "USERID", "O'Brien");
            fixture.click(Operators[tab][3]);
            fixture.addCondition(tab, "AMOUNT", "7");
            // The column, the value and the operator stay: the same condition twice, two rows.
            fixture.click(Editors[tab].add);
            QCOMPARE(fixture.rows(Editors[tab].grid),
                     (QStringList{"|ORDNO|=|5", c + "|AMOUNT|!=|", c + "|USERID|>|O'Brien",
                                  c + "|AMOUNT|<|7", c + "|AMOUNT|<|7", "|||"}));
            // From the first condition on, connective and mode are locked.
            QVERIFY(!fixture.enabled(Editors[tab].connectiveFrame));
            QVERIFY(!fixture.enabled(tab == 0 ? "Frame4" : "UpdateFrame4"));
            QVERIFY(fixture.messages.shown().isEmpty());
        }
    }

    void resetEmptiesEachTabButKeepsKindOperatorColumnsAndFlags() {
        MainWindowFixture fixture(sqlServerTraits());
        QVERIFY(fixture.open());
        chooseOrdersColumns(fixture, 0, {0, 2});
        fixture.click("optDelete");
        fixture.click("OptGreater");
        fixture.type("txtNewTableName", "gone");
        fixture.type("txtDescription", "deleted orders");
        fixture.addCondition(0, "AMOUNT", "10");
        fixture.click("cmdClear");
        verifyTabEmptied(fixture, 0);
        QCOMPARE(fixture.items("lstColumns"), (QStringList{"ORDNO", "CUSTNO", "AMOUNT"}));
        QVERIFY(fixture.checked("optDelete") && fixture.checked("OptGreater"));
        // RESET asks the back end for nothing.
        QCOMPARE(fixture.callsAfterLoad(), QStringList{"listColumns(ORDERS)"});

        chooseOrdersColumns(fixture, 1, {2, 0});
        fixture.clickCell("lstUpdateColumns", 0, 1);
        fixture.type("txtUpdateNewTableName", "upd");
        fixture.type("txtUpdateDescription", "price");
        fixture.addCondition(1, "ORDNO", "4");
        fixture.click("cmdUpdateClear");
        verifyTabEmptied(fixture, 1);
        QCOMPARE(fixture.rows("lstUpdateColumns"),
                 (QStringList{"|ORDNO|True", "|CUSTNO|False", "|AMOUNT|False"}));
        QCOMPARE(fixture.list("lstUpdateFieldsChanged")->count(), 0);
    }

    // --- GO ---
    void goHandsTheInsertDeleteTabOverUnchoosesARefusedColumnAndEmptiesTheTabWhenSaved() {
        MainWindowFixture fixture(sqlServerTraits());
        QVERIFY(fixture.open());
        fillInsertDeleteTab(fixture);
        fixture.backend.saveResults.push_back({SaveResult::Outcome::NotSaved, "AMOUNT"});
        fixture.click("cmdGo");
        const AuditDefinition expected{
            .kind = AuditKind::Delete,
            .table = "ORDERS",
            .columns = {"ORDNO", "AMOUNT"},
            .saveOldValue = {},
            .changedFields = {},
            .conditions = {{"AMOUNT", ">", "1000", ""}, {"USERID", "!=", "sa", "OR"}, {}},
            .mode = AuditMode::OnlyWhen,
            .connective = Connective::Or,
            .name = "OrdGone",
            .description = "deleted big orders"};
        QCOMPARE(fixture.backend.saved, QList<AuditDefinition>{expected});
        QCOMPARE(fixture.backend.calls.last(), "save(OrdGone)");
        // The refused column is unchosen whatever the outcome.
        QCOMPARE(fixture.chosen("lstColumns"), QStringList{"ORDNO"});
        QCOMPARE(fixture.text("txtNewTableName"), "OrdGone");
        // A saved audit empties the tab before the list is reloaded.
        fixture.backend.saveResults.push_back({SaveResult::Outcome::Saved, "ORDNO"});
        QStringList atReload;
        fixture.backend.whenListingAudits = [&] {
            atReload << fixture.text("txtNewTableName")
                     << QString::number(fixture.grid("grdCriteria")->rowCount());
        };
        fixture.backend.auditRows.push_back(textRow({"OrdGone", "deleted", "Y", "ORDERS"}));
        fixture.click("cmdGo");
        QCOMPARE(fixture.backend.saved.last().columns, QStringList{"ORDNO"});
        QCOMPARE(fixture.callsAfterLoad(), (QStringList{"listColumns(ORDERS)", "save(OrdGone)",
                                                        "save(OrdGone)", "listAudits"}));
        QCOMPARE(atReload, (QStringList{QString(), "1"}));
        QCOMPARE(fixture.grid(Audits)->rowCount(), 4);
        verifyTabEmptied(fixture, 0);
        QCOMPARE(fixture.list("lstColumns")->count(), 3);
        QVERIFY(fixture.checked("optNormallyOn") && fixture.checked("optAnd"));
        QVERIFY(fixture.enabled("Frame4") && fixture.enabled("Frame6"));
        // The kind of audit is not part of the clearing.
        QVERIFY(fixture.checked("optDelete"));
        QVERIFY(fixture.messages.shown().isEmpty());
    }

    void goHandsTheUpdateTabOverAndUnchoosesARefusedColumn() {
        MainWindowFixture fixture(sqlServerTraits());
        QVERIFY(fixture.open());
        fillUpdateTab(fixture);
        fixture.backend.saveResults.push_back({SaveResult::Outcome::NotSaved, "AMOUNT"});
        fixture.click("cmdUpdateGo");
        // Grid order, not the order of choosing; flags one for one.
        const AuditDefinition expected{.kind = AuditKind::Update,
                                       .table = "ORDERS",
                                       .columns = {"ORDNO", "AMOUNT"},
                                       .saveOldValue = {false, true},
                                       .changedFields = {"AMOUNT"},
                                       .conditions = {{"ORDNO", "<", "7", ""}, {}},
                                       .name = "OrdUpd",
                                       .description = "amount changes"};
        QCOMPARE(fixture.backend.saved, QList<AuditDefinition>{expected});
        // The refused column is unchosen but keeps its changed-field entry.
        QCOMPARE(fixture.grid("lstUpdateColumns")->selectedCount(), 1);
        QVERIFY(fixture.grid("lstUpdateColumns")->isRowSelected(0));
        QCOMPARE(fixture.items("lstUpdateFieldsChanged"), (QStringList{"AMOUNT", "ORDNO"}));
    }

    // The options go over with GO and RESET unticks them; where the back end cannot record
    // who made a change, that box stays disabled, saying why, and hands over false.
    void theOptionBoxesAreHandedOverAndResetAndWhoIsOfferedOnlyWhereRecorded_data() {
        QTest::addColumn<bool>("sqlBase");
        QTest::newRow("SQL Server") << false;
        QTest::newRow("SQLBase") << true;
    }
    void theOptionBoxesAreHandedOverAndResetAndWhoIsOfferedOnlyWhereRecorded() {
        QFETCH(bool, sqlBase);
        MainWindowFixture fixture(sqlBase ? sqlBaseTraits() : sqlServerTraits());
        QVERIFY(fixture.open());
        for (const QString box : {"chkRecordWho", "chkUpdateRecordWho"}) {
            QCOMPARE(fixture.enabled(box), !sqlBase);
            QCOMPARE(fixture.find<QWidget>(box)->toolTip(),
                     sqlBase ? sqlbase::sqlBaseRecordWhoUnavailableMessage() : QString());
        }

        fillInsertDeleteTab(fixture);
        fixture.click("chkRecordWho");
        fixture.click("cmdGo");
        fillUpdateTab(fixture);
        fixture.click("chkUpdateRecordWho");
        fixture.click("chkUpdateChangedValuesOnly");
        fixture.click("cmdUpdateGo");
        QCOMPARE(fixture.backend.saved.size(), 2);
        const AuditDefinition &insert = fixture.backend.saved[0],
                              &update = fixture.backend.saved[1];
        QCOMPARE((QList<bool>{insert.recordWho, insert.changedValuesOnly, update.recordWho,
                              update.changedValuesOnly}),
                 (QList<bool>{!sqlBase, false, !sqlBase, true}));

        fixture.click("cmdUpdateClear");
        fixture.showTab(0);
        fixture.click("cmdClear");
        for (const QString box :
             {"chkRecordWho", "chkUpdateRecordWho", "chkUpdateChangedValuesOnly"})
            QVERIFY2(!fixture.checked(box), qPrintable(box));
    }

    void sqlBaseReadsOldValueFlagsAsBooleansAndUpperCasesNamesOf13Characters() {
        MainWindowFixture fixture(sqlBaseTraits());
        QVERIFY(fixture.open());
        chooseOrdersColumns(fixture, 1, {0, 1, 2});
        // "false" as first written, "True" after a click, and a text written by hand.
        fixture.clickCell("lstUpdateColumns", 1, 1);
        fixture.grid("lstUpdateColumns")->setCellText(2, 1, "true");
        fixture.click("cmdUpdateGo");
        QCOMPARE(fixture.backend.saved.size(), 1);
        QCOMPARE(fixture.backend.saved.first().saveOldValue, (QList<bool>{false, true, true}));
        // The fourteenth character does not get in; pressing GO takes the focus from the name
        // box, which upper-cases it, before the name is read.
        fixture.showTab(0);
        auto* name = fixture.find<QLineEdit>("txtNewTableName");
        name->setFocus();
        QTRY_VERIFY(name->hasFocus());
        QTest::keyClicks(name, "orders_audit2x");
        QCOMPARE(name->text(), "orders_audit2");
        fixture.click("cmdGo");
        QCOMPARE(fixture.backend.saved.size(), 2);
        QCOMPARE(fixture.backend.saved.last().name, "ORDERS_AUDIT2");
    }

    void notSavedKeepsEverythingButASavedAuditEmptiesItsOwnTabOnly() {
        MainWindowFixture fixture(sqlServerTraits());
        QVERIFY(fixture.open());
        fillInsertDeleteTab(fixture);
        fixture.click("cmdGo");
        fillUpdateTab(fixture);
        fixture.click("cmdUpdateGo");
        QCOMPARE(fixture.backend.calls.count("listAudits"), 0);
        // Pressing GO again hands over the very same definitions.
        fixture.click("cmdUpdateGo");
        fixture.showTab(0);
        fixture.click("cmdGo");
        QCOMPARE(fixture.backend.saved.size(), 4);
        QCOMPARE(fixture.backend.saved[2], fixture.backend.saved[1]);
        QCOMPARE(fixture.backend.saved[3], fixture.backend.saved[0]);
        QVERIFY(!fixture.enabled("Frame6"));

        fixture.backend.saveResults.push_back({SaveResult::Outcome::Saved, {}});
        fixture.showTab(1);
        fixture.click("cmdUpdateGo");
        QCOMPARE(fixture.backend.calls.last(), "listAudits");
        verifyTabEmptied(fixture, 1);
        QCOMPARE(fixture.grid("lstUpdateColumns")->rowCount(), 3);
        QCOMPARE(fixture.list("lstUpdateFieldsChanged")->count(), 0);
        // The other tab keeps its entries, its mode among them.
        QCOMPARE(fixture.text("txtNewTableName"), "OrdGone");
        QVERIFY(fixture.checked("optNormallyOff"));
        QCOMPARE(fixture.grid("grdCriteria")->rowCount(), 3);
    }

    // --- installed audits: SQL Server acts on the current row, SQLBase on every selected one ---
    void sqlServerActsOnTheCurrentRowOnlyAndDeletesOnYesOnly() {
        MainWindowFixture fixture(sqlServerTraits());
        QVERIFY(fixture.open());
        fixture.showTab(2);
        Grid* grid = fixture.grid(Audits);
        // A selected row is not enough: without a current row nothing happens.
        QCOMPARE(grid->currentRow(), Grid::NoCurrentRow);
        grid->setRowSelected(0, true);
        for (const char* button : {"cmdDisable", "cmdEnable", "CmdDelete"})
            fixture.click(button);
        QCOMPARE(fixture.callsAfterLoad(), QStringList{});
        for (int row = 0; row < 3; ++row)
            grid->setRowSelected(row, true);
        grid->setCurrentCell(1, 0);
        fixture.click("cmdDisable");
        QCOMPARE(fixture.callsAfterLoad(), QStringList{"disable(Items)"});
        // The reload left no current row: pick one by mouse.
        fixture.clickCell(Audits, 2, 3);
        fixture.click("cmdEnable");
        // No: nothing deleted, nothing reloaded; the row is still current.
        fixture.clickCell(Audits, 0, 1);
        fixture.messages.answerNext(false);
        fixture.click("CmdDelete");
        QCOMPARE(grid->currentRow(), 0);
        selectAllThreeAudits(fixture);
        fixture.messages.answerNext(true);
        fixture.click("CmdDelete");
        QCOMPARE(fixture.callsAfterLoad(),
                 (QStringList{"disable(Items)", "enable(Customers)", "prepareDelete",
                              "prepareDelete", "release(Customers)", "delete(Customers;Yes)"}));
        QCOMPARE(fixture.messages.shown().size(), 2);
        for (const ShownMessage& question : fixture.messages.shown()) {
            QCOMPARE(question.kind, ShownMessage::Kind::Question);
            QCOMPARE(question.text, DeleteQuestion);
            QCOMPARE(question.icon, MessageIcon::None);
        }
    }

    // The state is the listing's last column, shown beside the name; the states that lose rows
    // or stop statements colour their whole row.
    void theStateShowsBesideTheNameAndTroubleStandsOut() {
        for (const MainWindowTraits& traits : {sqlServerTraits(), sqlBaseTraits()}) {
            MainWindowFixture fixture(traits);
            fixture.backend.auditFields << "STATE";
            const QStringList states{"ok", "broken", "trigger missing"};
            for (std::size_t row = 0; row < 3; ++row)
                fixture.backend.auditRows[row].push_back(FieldValue(states[int(row)]));
            QVERIFY(fixture.open());
            Grid* grid = fixture.grid(Audits);
            const int state = grid->colCount() - 1;
            QCOMPARE(grid->cellText(-1, state), QString("STATE"));
            QCOMPARE(grid->horizontalHeader()->visualIndex(state),
                     traits.installedAuditNameColumn + 1);
            const auto background = [grid](int row) {
                return grid->model()->index(row, 0).data(Qt::BackgroundRole);
            };
            QVERIFY(!background(0).isValid());
            QVERIFY(background(1).value<QColor>().isValid());
            QVERIFY(background(2).value<QColor>().isValid());
        }
    }

    void sqlBaseActsOnEverySelectedRowEvenNoneAndAsksOnceBeforeDeleting() {
        MainWindowFixture fixture(sqlBaseTraits());
        QVERIFY(fixture.open());
        fixture.showTab(2);
        // Each listing makes its first row current.
        QCOMPARE(fixture.grid(Audits)->currentRow(), 0);
        // Purge/Export needs a selected row; disable and enable go ahead without.
        fixture.click("cmdExport");
        fixture.click("cmdDisable");
        fixture.click("cmdEnable");
        selectAllThreeAudits(fixture);
        fixture.click("cmdDisable");
        // The reload cleared the marks; choose two rows with the Ctrl key.
        fixture.clickCell(Audits, 0, 2);
        fixture.clickCell(Audits, 2, 2, Qt::ControlModifier);
        fixture.click("cmdEnable");
        fixture.clickCell(Audits, 1, 1);
        fixture.click("cmdView");
        fixture.click("cmdExport");
        QCOMPARE(
            fixture.callsAfterLoad(),
            (QStringList{"disable()", "enable()", "disable(ZOTA_ORDERS,ZOTA_ITEMS,ZOTA_CUSTOMERS)",
                         "enable(ZOTA_ORDERS,ZOTA_CUSTOMERS)", "view", "export"}));
        QVERIFY(fixture.messages.shown().isEmpty());

        // A back end that cannot prepare ends the delete before the question; an empty grid
        // is deleted from without one.
        fixture.backend.calls.clear();
        fixture.backend.deleteMayGoOn = false;
        selectAllThreeAudits(fixture);
        fixture.click("CmdDelete");
        QCOMPARE(fixture.backend.calls, QStringList{"prepareDelete"});
        QVERIFY(fixture.messages.shown().isEmpty());
        fixture.backend.deleteMayGoOn = true;
        fixture.messages.answerNext(false);
        fixture.click("CmdDelete");
        selectAllThreeAudits(fixture);
        fixture.messages.answerNext(true);
        fixture.backend.auditRows.clear();
        fixture.click("CmdDelete");
        fixture.click("CmdDelete");
        QCOMPARE(
            fixture.backend.calls,
            (QStringList{"prepareDelete", "prepareDelete",
                         "delete(ZOTA_ORDERS,ZOTA_ITEMS,ZOTA_CUSTOMERS;No)", "prepareDelete",
                         "release(ZOTA_ORDERS)", "release(ZOTA_ITEMS)", "release(ZOTA_CUSTOMERS)",
                         "delete(ZOTA_ORDERS,ZOTA_ITEMS,ZOTA_CUSTOMERS;Yes)", "prepareDelete",
                         "delete(;No)"}));
        QCOMPARE(fixture.messages.texts(), (QStringList{DeleteQuestion, DeleteQuestion}));
        QCOMPARE(fixture.messages.unansweredQuestions(), 0);
    }

    // --- work off the window's thread ---
    // An operation the server keeps waiting: the window goes on handling events, what would
    // start another operation is disabled, the panel comes after half a second, and Cancel
    // ends the operation with its result dropped.
    void aWaitingOperationLeavesTheWindowAliveAndCancelEndsIt_data() {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("call");
        QTest::newRow("listing columns") << 0 << "lstAuditableTables"
                                         << "listColumns(ORDERS)";
        QTest::newRow("GO") << 1 << "cmdUpdateGo"
                            << "save()";
        QTest::newRow("Disable") << 2 << "cmdDisable"
                                 << "disable(Orders)";
    }
    void aWaitingOperationLeavesTheWindowAliveAndCancelEndsIt() {
        QFETCH(int, tab);
        QFETCH(QString, start);
        QFETCH(QString, call);
        MainWindowFixture fixture(sqlServerTraits());
        QVERIFY(fixture.open());
        fixture.showTab(tab);
        fixture.grid(Audits)->setCurrentCell(0, 0);
        std::atomic<bool> cancelSeen{false};
        fixture.backend.whileRunning = [&cancelSeen](const QString&, TaskContext& task) {
            while (!task.isCancelled())
                QThread::msleep(5);
            cancelSeen = true;
            task.throwIfCancelled();
        };
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(10);
        if (tab == 0)
            QTest::mouseClick(
                fixture.list(start)->viewport(), Qt::LeftButton, Qt::NoModifier,
                fixture.list(start)->visualItemRect(fixture.list(start)->item(0)).center());
        else
            QTest::mouseClick(fixture.find<QAbstractButton>(start), Qt::LeftButton);
        WindowOperation& operation = fixture.window->operation();
        QVERIFY(operation.isBusy());
        for (const char* blocked :
             {"cmdGo", "cmdUpdateGo", "lstAuditableTables", "cmdDisable", "CmdDelete"})
            QVERIFY2(!fixture.enabled(blocked), blocked);
        QTRY_VERIFY_WITH_TIMEOUT(operation.panel()->isVisible(), 3000);
        QVERIFY(ticks >= 30);
        QTest::mouseClick(operation.cancelButton(), Qt::LeftButton);
        QVERIFY(fixture.waitIdle());
        QVERIFY(cancelSeen);
        QVERIFY(!operation.panel()->isVisible());
        QVERIFY(fixture.enabled("cmdGo") && fixture.enabled("cmdDisable"));
        QCOMPARE(fixture.callsAfterLoad(), QStringList{call});
        // Nothing of what was cancelled arrived: no columns, no reload.
        QCOMPARE(fixture.list("lstColumns")->count(), 0);
        QVERIFY(fixture.messages.shown().isEmpty());
    }

    void closingTheWindowCancelsWhatRuns() {
        MainWindowFixture fixture(sqlServerTraits());
        QVERIFY(fixture.open());
        std::atomic<bool> cancelSeen{false};
        fixture.backend.whileRunning = [&cancelSeen](const QString& call, TaskContext& task) {
            if (call != "save()")
                return;
            for (int i = 0; i < 1000 && !task.isCancelled(); ++i)
                QThread::msleep(5);
            cancelSeen = task.isCancelled();
        };
        QTest::mouseClick(fixture.find<QAbstractButton>("cmdGo"), Qt::LeftButton);
        QVERIFY(fixture.window->operation().isBusy());
        fixture.window->close();
        fixture.window.reset();
        QVERIFY(BackgroundTask::waitForAll(3000));
        QVERIFY(cancelSeen);
    }

    void f12RevealsPanicOnlyOnSqlBaseAndPanicReachesTheBackEnd() {
        MainWindowFixture sqlBase(sqlBaseTraits());
        QVERIFY(sqlBase.open());
        auto* panic = sqlBase.find<QPushButton>("cmdPanic");
        auto* name = sqlBase.find<QLineEdit>("txtNewTableName");
        QTest::keyClick(name, Qt::Key_F11);
        QVERIFY(panic->isHidden());
        QTest::keyClick(name, Qt::Key_F12); // in a control of another tab
        QVERIFY(!panic->isHidden());
        sqlBase.showTab(2);
        // No: nothing happens. Yes: the sweep runs, its end is told and the program ends.
        sqlBase.messages.answerNext(false);
        sqlBase.click("cmdPanic");
        QCOMPARE(sqlBase.callsAfterLoad(), QStringList());
        sqlBase.messages.answerNext(true);
        sqlBase.backend.panicSwept = false;
        sqlBase.click("cmdPanic");
        QCOMPARE(sqlBase.callsAfterLoad(), QStringList{"panic"});
        QCOMPARE(sqlBase.messages.texts(), (QStringList{"Panic?", "Panic?", "Not all gone"}));
        QCOMPARE(sqlBase.messages.shown().first().icon, MessageIcon::None);
        QCOMPARE(sqlBase.process.exitCodes(), QList<int>{0});

        MainWindowFixture sqlServer(sqlServerTraits());
        QVERIFY(sqlServer.open());
        QTest::keyClick(sqlServer.find<QLineEdit>("txtNewTableName"), Qt::Key_F12);
        QVERIFY(sqlServer.find<QPushButton>("cmdPanic")->isHidden());
    }
};

} // namespace quorvex::testing

QTEST_MAIN(quorvex::testing::AuditMainWindowTest)
#include "AuditMainWindowTest.moc"
