#include "MainWindowFixture.h"

#include "components/Grid.h"
#include "shell/Twips.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

namespace quorvex::testing {

namespace {

const QString NotChosen =
    QStringLiteral("This field must also be chosen in the columns list box above");
const QString DeleteQuestion =
    QStringLiteral("Are you sure you want to delete this Audit from the database?");
const QString Audits = QStringLiteral("grdInstalledAudits");

// The names of one tab's controls: tab 0 is insert/delete, tab 1 update.
struct Editor {
    QString tables, name, description, combo, value, add, grid, andOption, orOption,
        connectiveFrame, modeFrame, onlyWhen, alwaysExcept, reset;
};
const Editor Editors[2] = {
    {"lstAuditableTables", "txtNewTableName", "txtDescription", "cboConditionalColumns",
     "txtCriteria", "cmdAdd", "grdCriteria", "optAnd", "optOr", "Frame6", "Frame4",
     "optNormallyOff", "optNormallyOn", "cmdClear"},
    {"lstUpdateAuditableTables", "txtUpdateNewTableName", "txtUpdateDescription",
     "cboUpdateConditionalColumns", "txtUpdateCriteria", "cmdUpdateAdd", "grdUpdateCriteria",
     "optUpdateAnd", "optUpdateOr", "Frame7", "UpdateFrame4", "optUpdateNormallyOff",
     "optUpdateNormallyOn", "cmdUpdateClear"}};

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
    if (tab == 0)
        QCOMPARE(fixture.chosen("lstColumns"), QStringList{});
    else
        QCOMPARE(fixture.grid("lstUpdateColumns")->selectedCount(), 0);
}

SaveResult saved(const QString& deselect = QString()) {
    return SaveResult{SaveResult::Outcome::Saved, deselect};
}

SaveResult notSaved(const QString& deselect = QString()) {
    return SaveResult{SaveResult::Outcome::NotSaved, deselect};
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
    // --- start and look ---
    void eachBackendsWindowHasItsOwnNameSizeLayoutTooltipsAndAddButtons() {
        MainWindowFixture sqlServer(sqlServerTraits());
        QVERIFY(sqlServer.open());
        QCOMPARE(sqlServer.window->objectName(), "frmSqlMain");
        QCOMPARE(sqlServer.window->windowTitle(), "Quorvex");
        QCOMPARE(sqlServer.window->size(), QSize(730, 631));
        QCOMPARE(sqlServer.window->minimumSize(), sqlServer.window->maximumSize());
        QTabWidget* tabs = sqlServer.find<QTabWidget>("SSTab1");
        QVERIFY(tabs != nullptr);
        QCOMPARE(tabs->count(), 3);
        QCOMPARE(tabs->tabText(0), "Insert/Delete Audits");
        QCOMPARE(tabs->tabText(1), "Update Audits");
        QCOMPARE(tabs->tabText(2), "Installed Audits");
        QCOMPARE(tabs->currentIndex(), 0);
        QCOMPARE(tabs->geometry(), sqlServer.window->rect());
        QStringList captions;
        for (const char* name :
             {"Label1", "optInsert", "optDelete", "cmdGo", "cmdClear", "optNormallyOff",
              "optNormallyOn", "optNotEqual", "Label10", "Label9", "cmdUpdateAdd",
              "OptUpdateGreater", "cmdExport", "cmdPanic"}) {
            auto* label = sqlServer.find<QLabel>(name);
            captions << (label != nullptr ? label->text()
                                          : sqlServer.find<QAbstractButton>(name)->text());
        }
        QCOMPARE(captions.join('|'),
                 "Visual Tables|Inserting a new record|Deleting a record|GO|RESET|Audit only when|"
                 "Audit always except if|Not Equal|Save old value?|If these fields changed|Add|"
                 "Greater Than|Purge/Export|Panic");

        MainWindowFixture sqlBase(sqlBaseTraits());
        QVERIFY(sqlBase.open());
        QCOMPARE(sqlBase.window->objectName(), "FRMCENMAIN");
        QCOMPARE(sqlBase.window->windowTitle(), "Quorvex");
        QCOMPARE(sqlBase.window->size(), QSize(730, 601));
        QStringList tips;
        for (const char* name :
             {"optOr", "optAnd", "txtCriteria", "cmdAdd", "cboConditionalColumns", "cmdDisable",
              "cmdEnable", "CmdDelete", "cmdView", "cmdExport"}) {
            tips << sqlBase.find<QWidget>(name)->toolTip();
            QCOMPARE(sqlServer.find<QWidget>(name)->toolTip(), QString());
        }
        QCOMPARE(tips.join('|'),
                 "Any one of the conditions will cause audit to Fire|"
                 "All the conditions must match for audit to Fire|"
                 "The selected field must match this value.|Add conditional expression|"
                 "Selection here must also be selected in columns list.|Disable selected audit|"
                 "Enable selected audit|Deletes the selected audit|"
                 "View the selected audits results|Export and purge the selected audits data");
        // The criteria grids stay inside the shorter SQLBase window: only their height gives
        // way, and not so far that the conditions cannot be seen.
        for (int tab = 0; tab < 2; ++tab) {
            sqlBase.showTab(tab);
            QWidget* page = sqlBase.window->tabs()->widget(tab);
            Grid* grid = sqlBase.grid(Editors[tab].grid);
            const QRect place(grid->mapTo(page, QPoint(0, 0)), grid->size());
            QVERIFY(place.bottom() < page->height());
            QCOMPARE(place.topLeft(), rectFromTwips(480, 7200, 9615, 1455).topLeft());
            QCOMPARE(place.width(), twipsToPixels(9615));
            QVERIFY(place.height() >= 3 * grid->verticalHeader()->defaultSectionSize());
        }
        // The add buttons show an arrow over the caption on SQL Server only.
        for (const char* name : {"cmdAdd", "cmdUpdateAdd"}) {
            auto* withArrow = sqlServer.find<QToolButton>(name);
            QVERIFY(!withArrow->icon().isNull());
            QCOMPARE(withArrow->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
            QCOMPARE(sqlBase.find<QToolButton>(name)->toolButtonStyle(), Qt::ToolButtonTextOnly);
        }
    }

    void startListsTheBackendsTablesOnBothTabsUnlessTheLoadFails() {
        MainWindowFixture fixture(sqlServerTraits());
        fixture.backend.tables = QStringList{"zeta", "Alpha", "dbo2.mid"};
        QVERIFY(fixture.open());
        QCOMPARE(fixture.backend.calls, QStringList{"load"});
        QCOMPARE(fixture.items("lstAuditableTables"), *fixture.backend.tables);
        QCOMPARE(fixture.items("lstUpdateAuditableTables"), *fixture.backend.tables);
        // The back end filled the installed-audits grid during the load.
        QCOMPARE(fixture.grid(Audits)->rowCount(), 3);
        QVERIFY(fixture.messages.shown().isEmpty());

        // A failing load means the window is not shown.
        MainWindowFixture failing(sqlServerTraits());
        failing.backend.tables.reset();
        QVERIFY(!failing.open());
        QVERIFY(!failing.window->isVisible());
        QCOMPARE(failing.backend.calls, QStringList{"load"});
        QCOMPARE(failing.list("lstAuditableTables")->count(), 0);
        // A database without tables is a successful start with empty lists.
        MainWindowFixture empty(sqlServerTraits());
        empty.backend.tables = QStringList{};
        QVERIFY(empty.open());
        QCOMPARE(empty.list("lstUpdateAuditableTables")->count(), 0);
    }

    void windowOpensWithTheDefaultChoicesAndGoHandsThemOver() {
        MainWindowFixture fixture(sqlServerTraits());
        QVERIFY(fixture.open());
        for (const char* name : {"optInsert", "optNormallyOn", "optEqual", "optAnd",
                                 "optUpdateNormallyOn", "optUpdateEqual", "optUpdateAnd"})
            QVERIFY2(fixture.checked(name), name);
        for (const char* name : {"Frame4", "Frame6", "UpdateFrame4", "Frame7"})
            QVERIFY2(fixture.enabled(name), name);
        QCOMPARE(fixture.rows("grdCriteria"), QStringList{"|||"});
        QCOMPARE(fixture.rows("grdUpdateCriteria"), QStringList{"|||"});
        QCOMPARE(fixture.list("lstColumns")->count(), 0);
        QCOMPARE(fixture.combo("cboConditionalColumns")->count(), 0);
        QCOMPARE(fixture.grid("lstUpdateColumns")->rowCount(), 0);
        QVERIFY(fixture.find<QWidget>("cmdPanic")->isHidden());
        QCOMPARE(fixture.list("lstAuditableTables")->selectionMode(),
                 QAbstractItemView::SingleSelection);
        QCOMPARE(fixture.list("lstColumns")->selectionMode(), QAbstractItemView::MultiSelection);
        QCOMPARE(fixture.list("lstUpdateFieldsChanged")->selectionMode(),
                 QAbstractItemView::MultiSelection);
        for (const char* name : {"txtDescription", "txtUpdateDescription"})
            QCOMPARE(fixture.find<QLineEdit>(name)->maxLength(), 200);

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
    }

    void sqlBaseNamesTake13CharactersUpperCasedOnLeavingBeforeGoReadsThem() {
        MainWindowFixture fixture(sqlBaseTraits());
        QVERIFY(fixture.open());
        for (int tab : {1, 0}) {
            fixture.showTab(tab);
            auto* box = fixture.find<QLineEdit>(Editors[tab].name);
            box->setFocus();
            QTRY_VERIFY(box->hasFocus());
            QTest::keyClicks(box, "orders_audit2x");
            // The fourteenth character does not get in; the case changes only on leaving.
            QCOMPARE(box->text(), "orders_audit2");
            QTest::keyClick(box, Qt::Key_Tab);
            QTRY_VERIFY(!box->hasFocus());
            QCOMPARE(box->text(), "ORDERS_AUDIT2");
        }
        auto* name = fixture.find<QLineEdit>("txtNewTableName");
        name->clear();
        name->setFocus();
        QTRY_VERIFY(name->hasFocus());
        QTest::keyClicks(name, "orders_2");
        // Pressing GO takes the focus from the name box first.
        fixture.click("cmdGo");
        QCOMPARE(fixture.backend.saved.size(), 1);
        QCOMPARE(fixture.backend.saved.first().name, "ORDERS_2");
    }

    // --- listing columns ---
    void sqlServerListsOnEveryReleaseAndKeyMoveThenUserId() {
        MainWindowFixture fixture(sqlServerTraits());
        QVERIFY(fixture.open());
        fixture.clickItem("lstAuditableTables", 0);
        QCOMPARE(fixture.backend.calls, (QStringList{"load", "listColumns(ORDERS)"}));
        QCOMPARE(fixture.items("lstColumns"), (QStringList{"ORDNO", "CUSTNO", "AMOUNT"}));
        QCOMPARE(fixture.comboItems("cboConditionalColumns"),
                 (QStringList{"ORDNO", "CUSTNO", "AMOUNT", "USERID"}));
        // Listing picks no column for the user, and none is chosen in the list either.
        QCOMPARE(fixture.combo("cboConditionalColumns")->currentText(), QString());
        QCOMPARE(fixture.chosen("lstColumns"), QStringList{});
        fixture.clickItem("lstColumns", 1);
        fixture.clickItem("lstAuditableTables", 0);
        QCOMPARE(fixture.chosen("lstColumns"), QStringList{});
        // Otherwise ITEMS would be chosen with the columns of ORDERS still listed.
        QTest::keyClick(fixture.list("lstAuditableTables"), Qt::Key_Down);
        QCOMPARE(fixture.items("lstColumns"), (QStringList{"ITEMNO", "PRICE"}));
        // A key that does not move the choice lists nothing.
        QTest::keyClick(fixture.list("lstAuditableTables"), Qt::Key_Shift);
        QCOMPARE(fixture.callsAfterLoad(),
                 (QStringList{"listColumns(ORDERS)", "listColumns(ORDERS)", "listColumns(ITEMS)"}));

        // A release below the last table, with none chosen, lists only USERID.
        fixture.click("cmdClear");
        QListWidget* tables = fixture.list("lstAuditableTables");
        const QPoint below(tables->viewport()->width() / 2, tables->viewport()->height() - 3);
        QVERIFY(tables->itemAt(below) == nullptr);
        QTest::mouseClick(tables->viewport(), Qt::LeftButton, Qt::NoModifier, below);
        QCOMPARE(fixture.backend.calls.last(), "listColumns()");
        QCOMPARE(fixture.list("lstColumns")->count(), 0);
        QCOMPARE(fixture.comboItems("cboConditionalColumns"), QStringList{"USERID"});
    }

    void sqlBaseListsWheneverTheChoiceChangesAndOnlyThen() {
        MainWindowFixture fixture(sqlBaseTraits());
        QVERIFY(fixture.open());
        fixture.clickItem("lstAuditableTables", 0);
        QTest::keyClick(fixture.list("lstAuditableTables"), Qt::Key_Down);
        fixture.clickItem("lstAuditableTables", 1); // already chosen: no change, no listing
        fixture.showTab(1);
        // The first key only makes the first table current and chosen; the second moves on.
        QTest::keyClick(fixture.list("lstUpdateAuditableTables"), Qt::Key_End);
        QTest::keyClick(fixture.list("lstUpdateAuditableTables"), Qt::Key_End);
        QCOMPARE(fixture.callsAfterLoad(),
                 (QStringList{"listColumns(ORDERS)", "listColumns(ITEMS)", "listColumns(ORDERS)",
                              "listColumns(CUSTOMERS)"}));
        QCOMPARE(fixture.items("lstColumns"), (QStringList{"ITEMNO", "PRICE"}));
        // RESET unchooses the table without listing anything: the columns stay listed.
        fixture.showTab(0);
        fixture.click("cmdClear");
        QCOMPARE(fixture.backend.calls.size(), 5);
        QCOMPARE(fixture.list("lstColumns")->count(), 2);
    }

    void updateGridIsRebuiltForEachTableAndEachTabListsItsOwn() {
        MainWindowFixture fixture(sqlServerTraits());
        QVERIFY(fixture.open());
        chooseOrdersColumns(fixture, 1, {});
        Grid* grid = fixture.grid("lstUpdateColumns");
        QCOMPARE(fixture.rows("lstUpdateColumns"),
                 (QStringList{"|ORDNO|False", "|CUSTNO|False", "|AMOUNT|False"}));
        QVERIFY(grid->gridModel()->isCheckColumn(1));
        QVERIFY(!grid->gridModel()->isCheckColumn(0));
        QCOMPARE(grid->selectedCount(), 0);
        QCOMPARE(fixture.comboItems("cboUpdateConditionalColumns"),
                 (QStringList{"ORDNO", "CUSTNO", "AMOUNT", "USERID"}));
        fixture.clickCell("lstUpdateColumns", 2, 1);
        fixture.clickItem("lstUpdateAuditableTables", 1);
        QCOMPARE(fixture.rows("lstUpdateColumns"), (QStringList{"|ITEMNO|False", "|PRICE|False"}));
        QCOMPARE(grid->colCount(), 2);
        QCOMPARE(fixture.comboItems("cboUpdateConditionalColumns"),
                 (QStringList{"ITEMNO", "PRICE", "USERID"}));

        // The back end keeps the table asked for last as its current table.
        fixture.showTab(0);
        fixture.clickItem("lstAuditableTables", 2);
        QCOMPARE(fixture.callsAfterLoad(), (QStringList{"listColumns(ORDERS)", "listColumns(ITEMS)",
                                                        "listColumns(CUSTOMERS)"}));
        QCOMPARE(fixture.backend.listedUnderWaitCursor, (QList<bool>{true, true, true}));
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        QCOMPARE(grid->rowCount(), 2);
        QCOMPARE(fixture.items("lstColumns"), (QStringList{"CUSTNO", "NAME"}));
    }

    void changedFieldsFollowTheClickedRowsInTheOrderOfChoosing() {
        MainWindowFixture fixture(sqlServerTraits());
        QVERIFY(fixture.open());
        chooseOrdersColumns(fixture, 1, {});
        Grid* grid = fixture.grid("lstUpdateColumns");
        // A click on the flag toggles only the flag.
        fixture.clickCell("lstUpdateColumns", 2, 1);
        QCOMPARE(grid->cellText(2, 1), "True");
        QVERIFY(!grid->isRowSelected(2));
        QCOMPARE(fixture.items("lstUpdateFieldsChanged"), QStringList{});

        for (int row : {2, 0, 1})
            fixture.clickCell("lstUpdateColumns", row, 0);
        QVERIFY(grid->isRowSelected(1));
        QCOMPARE(fixture.items("lstUpdateFieldsChanged"),
                 (QStringList{"AMOUNT", "ORDNO", "CUSTNO"}));
        QCOMPARE(fixture.chosen("lstUpdateFieldsChanged"), QStringList{});
        // A second click unchooses the row and removes just its entry; a third appends it.
        fixture.clickCell("lstUpdateColumns", 0, 0);
        QVERIFY(!grid->isRowSelected(0));
        QCOMPARE(fixture.items("lstUpdateFieldsChanged"), (QStringList{"AMOUNT", "CUSTNO"}));
        fixture.clickCell("lstUpdateColumns", 0, 0);
        QCOMPARE(fixture.items("lstUpdateFieldsChanged"),
                 (QStringList{"AMOUNT", "CUSTNO", "ORDNO"}));
        fixture.clickCell("lstUpdateColumns", 2, 1);
        QCOMPARE(grid->cellText(2, 1), "False");
        QVERIFY(grid->isRowSelected(2));
        for (int row : {0, 1, 2})
            fixture.clickCell("lstUpdateColumns", row, 0);
        QCOMPARE(fixture.items("lstUpdateFieldsChanged"), QStringList{});
        QCOMPARE(grid->selectedCount(), 0);
    }

    void sqlBaseChangedFieldsOutliveResetButNotAnotherTable() {
        MainWindowFixture fixture(sqlBaseTraits());
        QVERIFY(fixture.open());
        fixture.showTab(1);
        fixture.clickItem("lstUpdateAuditableTables", 1);
        QCOMPARE(fixture.rows("lstUpdateColumns"), (QStringList{"|ITEMNO|false", "|PRICE|false"}));
        fixture.clickCell("lstUpdateColumns", 0, 1);
        QCOMPARE(fixture.grid("lstUpdateColumns")->cellText(0, 1), "True");
        fixture.clickCell("lstUpdateColumns", 1, 0);
        fixture.clickCell("lstUpdateColumns", 0, 0);
        fixture.click("cmdUpdateClear");
        QCOMPARE(fixture.items("lstUpdateFieldsChanged"), (QStringList{"PRICE", "ITEMNO"}));
        QCOMPARE(fixture.grid("lstUpdateColumns")->selectedCount(), 0);
        QCOMPARE(fixture.combo("cboUpdateConditionalColumns")->count(), 0);
        fixture.clickItem("lstUpdateAuditableTables", 2);
        QCOMPARE(fixture.items("lstUpdateFieldsChanged"), QStringList{});
        QCOMPARE(fixture.grid("lstUpdateColumns")->selectedCount(), 0);
    }

    // --- conditions ---
    void addNeedsTheColumnChosenAbove_data() {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QList<int>>("chosenFirst");
        QTest::addColumn<QString>("column");
        QTest::addColumn<int>("chosenLater");
        for (int tab : {0, 1}) {
            const char* name = tab == 0 ? "insert/delete tab" : "update tab";
            QTest::addRow("%s, column not chosen", name) << tab << QList<int>{0} << "AMOUNT" << 2;
            QTest::addRow("%s, USERID with no column chosen", name)
                << tab << QList<int>{} << "USERID" << 1;
        }
    }
    void addNeedsTheColumnChosenAbove() {
        QFETCH(int, tab);
        QFETCH(QList<int>, chosenFirst);
        QFETCH(QString, column);
        QFETCH(int, chosenLater);
        MainWindowFixture fixture(sqlServerTraits());
        QVERIFY(fixture.open());
        chooseOrdersColumns(fixture, tab, chosenFirst);
        fixture.addCondition(tab, column, "100");
        QCOMPARE(fixture.messages.shown().size(), 1);
        QCOMPARE(fixture.messages.shown().first().text, NotChosen);
        QCOMPARE(fixture.messages.shown().first().icon, MessageIcon::Critical);
        QCOMPARE(fixture.messages.shown().first().kind, ShownMessage::Kind::Message);
        QCOMPARE(fixture.rows(Editors[tab].grid), QStringList{"|||"});
        QVERIFY(fixture.enabled(Editors[tab].connectiveFrame));
        // Once chosen, the same Add goes through.
        chooseColumn(fixture, tab, chosenLater);
        fixture.click(Editors[tab].add);
        QCOMPARE(fixture.messages.texts(), QStringList{NotChosen});
        QCOMPARE(fixture.rows(Editors[tab].grid), (QStringList{"|" + column + "|=|100", "|||"}));
    }

    void emptyOrMistypedColumnIsRefused() {
        MainWindowFixture fixture(sqlServerTraits());
        QVERIFY(fixture.open());
        chooseOrdersColumns(fixture, 0, {0, 1, 2});
        QComboBox* combo = fixture.combo("cboConditionalColumns");
        QCOMPARE(combo->currentText(), QString());
        fixture.click("cmdAdd");
        combo->setEditText("custno");
        fixture.click("cmdAdd");
        QCOMPARE(fixture.messages.texts(), (QStringList{NotChosen, NotChosen}));
        QCOMPARE(fixture.grid("grdCriteria")->rowCount(), 1);
        combo->setEditText("CUSTNO");
        fixture.click("cmdAdd");
        QCOMPARE(fixture.rows("grdCriteria"), (QStringList{"|CUSTNO|=|", "|||"}));
        // Typing does not add the text to the list.
        QCOMPARE(combo->count(), 4);
    }

    void threeAddsFillRowsAndLabelFromTheSecondOn_data() {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("connective");
        for (int tab : {0, 1}) {
            for (const char* connective : {"AND", "OR"})
                QTest::addRow("tab %d, %s", tab, connective) << tab << connective;
        }
    }

    void threeAddsFillRowsAndLabelFromTheSecondOn() {
        QFETCH(int, tab);
        QFETCH(QString, connective);
        MainWindowFixture fixture(sqlServerTraits());
        QVERIFY(fixture.open());
        chooseOrdersColumns(fixture, tab, {0, 2});
        if (connective == "OR")
            fixture.click(Editors[tab].orOption);
        fixture.addCondition(tab, "ORDNO", "5");
        fixture.addCondition(tab, "AMOUNT", QString());
        fixture.addCondition(tab, "USERID", "O'Brien");
        QCOMPARE(fixture.rows(Editors[tab].grid),
                 (QStringList{"|ORDNO|=|5", connective + "|AMOUNT|=|",
                              connective + "|USERID|=|O'Brien", "|||"}));
        QVERIFY(fixture.messages.shown().isEmpty());
    }

    void eachOperatorStoresItsTextAndStaysForTheNextCondition_data() {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("text");
        const char* const options[2][4] = {
            {"optEqual", "optNotEqual", "OptGreater", "optLessThan"},
            {"optUpdateEqual", "optUpdateNotEqual", "OptUpdateGreater", "optUpdateLessThan"}};
        const char* const texts[4] = {"=", "!=", ">", "<"};
        for (int tab : {0, 1}) {
            for (int i = 0; i < 4; ++i)
                QTest::newRow(options[tab][i]) << tab << options[tab][i] << texts[i];
        }
    }

    void eachOperatorStoresItsTextAndStaysForTheNextCondition() {
        QFETCH(int, tab);
        QFETCH(QString, option);
        QFETCH(QString, text);
        MainWindowFixture fixture(sqlServerTraits());
        QVERIFY(fixture.open());
        chooseOrdersColumns(fixture, tab, {1});
        fixture.click(option);
        fixture.addCondition(tab, "CUSTNO", "7");
        // The column, the value and the operator stay: the same condition twice gives two rows.
        fixture.click(Editors[tab].add);
        const QString condition = "|CUSTNO|" + text + "|7";
        QCOMPARE(fixture.rows(Editors[tab].grid),
                 (QStringList{condition, "AND" + condition, "|||"}));
    }

    void firstAddLocksConnectiveAndModeUntilReset_data() {
        QTest::addColumn<int>("tab");
        QTest::newRow("insert/delete tab") << 0;
        QTest::newRow("update tab") << 1;
    }
    void firstAddLocksConnectiveAndModeUntilReset() {
        QFETCH(int, tab);
        const Editor& names = Editors[tab];
        MainWindowFixture fixture(sqlServerTraits());
        QVERIFY(fixture.open());
        chooseOrdersColumns(fixture, tab, {0});
        fixture.click(names.orOption);
        fixture.click(names.onlyWhen);
        fixture.addCondition(tab, "ORDNO", "1");
        QVERIFY(!fixture.enabled(names.connectiveFrame));
        QVERIFY(!fixture.enabled(names.modeFrame));
        // A click on a locked option changes nothing.
        fixture.click(names.andOption);
        fixture.click(names.alwaysExcept);
        QVERIFY(fixture.checked(names.orOption));
        QVERIFY(fixture.checked(names.onlyWhen));
        fixture.click(names.reset);
        QVERIFY(fixture.enabled(names.connectiveFrame));
        QVERIFY(fixture.enabled(names.modeFrame));
        QVERIFY(fixture.checked(names.andOption) && !fixture.checked(names.orOption));
        QVERIFY(fixture.checked(names.alwaysExcept) && !fixture.checked(names.onlyWhen));
        fixture.click(names.orOption);
        QVERIFY(fixture.checked(names.orOption));
    }

    void oneTabsAddAndResetLeaveTheOtherTabAlone() {
        MainWindowFixture fixture(sqlServerTraits());
        QVERIFY(fixture.open());
        chooseOrdersColumns(fixture, 1, {0});
        fixture.addCondition(1, "ORDNO", "9");
        QCOMPARE(fixture.grid("grdCriteria")->rowCount(), 1);
        QVERIFY(fixture.enabled("Frame6"));
        chooseOrdersColumns(fixture, 0, {2});
        fixture.addCondition(0, "AMOUNT", "3");
        QCOMPARE(fixture.rows("grdUpdateCriteria"), (QStringList{"|ORDNO|=|9", "|||"}));
        QCOMPARE(fixture.rows("grdCriteria"), (QStringList{"|AMOUNT|=|3", "|||"}));
        fixture.showTab(1);
        fixture.click("cmdUpdateClear");
        QCOMPARE(fixture.grid("grdCriteria")->rowCount(), 2);
    }

    void resetEmptiesInsertDeleteTabButKeepsKindOperatorAndColumns() {
        MainWindowFixture fixture(sqlServerTraits());
        QVERIFY(fixture.open());
        chooseOrdersColumns(fixture, 0, {0, 2});
        fixture.click("optDelete");
        fixture.click("OptGreater");
        fixture.type("txtNewTableName", "gone");
        fixture.type("txtDescription", "deleted orders");
        fixture.addCondition(0, "AMOUNT", "10");
        fixture.addCondition(0, "ORDNO", "2");
        fixture.click("cmdClear");
        verifyTabEmptied(fixture, 0);
        QCOMPARE(fixture.items("lstColumns"), (QStringList{"ORDNO", "CUSTNO", "AMOUNT"}));
        QVERIFY(fixture.checked("optDelete"));
        QVERIFY(fixture.checked("OptGreater"));
        // RESET asks the back end for nothing.
        QCOMPARE(fixture.callsAfterLoad(), QStringList{"listColumns(ORDERS)"});
        // With the column box empty, no condition can be added until a table is chosen again.
        fixture.clickItem("lstColumns", 0);
        fixture.click("cmdAdd");
        QCOMPARE(fixture.messages.texts(), QStringList{NotChosen});
    }

    void resetEmptiesUpdateTabButKeepsItsRowsAndFlags() {
        MainWindowFixture fixture(sqlServerTraits());
        QVERIFY(fixture.open());
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
    void goHandsTheInsertDeleteTabOverAndUnchoosesARefusedColumn() {
        MainWindowFixture fixture(sqlServerTraits());
        QVERIFY(fixture.open());
        fillInsertDeleteTab(fixture);
        fixture.backend.saveResults.push_back(notSaved("AMOUNT"));
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
        fixture.backend.saveResults.push_back(saved("ORDNO"));
        fixture.click("cmdGo");
        QCOMPARE(fixture.backend.saved.last().columns, QStringList{"ORDNO"});
        QCOMPARE(fixture.chosen("lstColumns"), QStringList{});
        QCOMPARE(fixture.backend.calls.last(), "listAudits");
    }

    void goHandsTheUpdateTabOverAndUnchoosesARefusedColumn() {
        MainWindowFixture fixture(sqlServerTraits());
        QVERIFY(fixture.open());
        fillUpdateTab(fixture);
        fixture.backend.saveResults.push_back(notSaved("AMOUNT"));
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

    void oldValueFlagsReadAsBooleans() {
        MainWindowFixture fixture(sqlBaseTraits());
        QVERIFY(fixture.open());
        chooseOrdersColumns(fixture, 1, {0, 1, 2});
        // "false" as first written, "True" after a click, and a text written by hand.
        fixture.clickCell("lstUpdateColumns", 1, 1);
        fixture.grid("lstUpdateColumns")->setCellText(2, 1, "true");
        fixture.click("cmdUpdateGo");
        QCOMPARE(fixture.backend.saved.size(), 1);
        QCOMPARE(fixture.backend.saved.first().saveOldValue, (QList<bool>{false, true, true}));
    }

    void savedAuditEmptiesTheTabBeforeTheListIsReloaded() {
        MainWindowFixture fixture(sqlServerTraits());
        QVERIFY(fixture.open());
        fillInsertDeleteTab(fixture);
        fixture.backend.saveResults.push_back(saved());
        QStringList atReload;
        fixture.backend.whenListingAudits = [&] {
            atReload << fixture.text("txtNewTableName")
                     << QString::number(fixture.grid("grdCriteria")->rowCount());
        };
        fixture.backend.auditRows.push_back(textRow({"OrdGone", "deleted", "Y", "ORDERS"}));
        fixture.click("cmdGo");
        QCOMPARE(fixture.callsAfterLoad(),
                 (QStringList{"listColumns(ORDERS)", "save(OrdGone)", "listAudits"}));
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

        fixture.backend.saveResults.push_back(saved());
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
    void sqlServerActsOnTheCurrentRowOnly() {
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
        selectAllThreeAudits(fixture);
        fixture.messages.answerNext(true);
        fixture.click("CmdDelete");
        QCOMPARE(fixture.callsAfterLoad(), (QStringList{"disable(Items)", "enable(Customers)",
                                                        "prepareDelete", "delete(Customers;Yes)"}));
        QCOMPARE(fixture.messages.texts(), QStringList{DeleteQuestion});
    }

    void sqlServerDeleteAsksAndDeletesOnYesOnly() {
        MainWindowFixture fixture(sqlServerTraits());
        QVERIFY(fixture.open());
        fixture.showTab(2);
        fixture.clickCell(Audits, 0, 1);
        fixture.messages.answerNext(false);
        fixture.click("CmdDelete");
        // No: nothing deleted, nothing reloaded; the row is still current.
        QCOMPARE(fixture.callsAfterLoad(), QStringList{"prepareDelete"});
        QCOMPARE(fixture.grid(Audits)->currentRow(), 0);
        fixture.messages.answerNext(true);
        fixture.click("CmdDelete");
        QCOMPARE(fixture.callsAfterLoad(),
                 (QStringList{"prepareDelete", "prepareDelete", "delete(Orders;Yes)"}));
        QCOMPARE(fixture.messages.shown().size(), 2);
        for (const ShownMessage& question : fixture.messages.shown()) {
            QCOMPARE(question.kind, ShownMessage::Kind::Question);
            QCOMPARE(question.text, DeleteQuestion);
            QCOMPARE(question.icon, MessageIcon::None);
        }
    }

    void sqlBaseActsOnEverySelectedRowEvenNone() {
        MainWindowFixture fixture(sqlBaseTraits());
        QVERIFY(fixture.open());
        fixture.showTab(2);
        fixture.click("cmdDisable");
        fixture.click("cmdEnable");
        selectAllThreeAudits(fixture);
        fixture.click("cmdDisable");
        // The reload cleared the marks; choose two rows with the Ctrl key.
        fixture.clickCell(Audits, 0, 2);
        fixture.clickCell(Audits, 2, 2, Qt::ControlModifier);
        fixture.click("cmdEnable");
        QCOMPARE(
            fixture.callsAfterLoad(),
            (QStringList{"disable()", "enable()", "disable(ZOTA_ORDERS,ZOTA_ITEMS,ZOTA_CUSTOMERS)",
                         "enable(ZOTA_ORDERS,ZOTA_CUSTOMERS)"}));
        QVERIFY(fixture.messages.shown().isEmpty());
    }

    void sqlBaseDeleteAsksOnceAndPassesTheAnswer() {
        MainWindowFixture fixture(sqlBaseTraits());
        QVERIFY(fixture.open());
        fixture.showTab(2);
        // A back end that cannot prepare ends the delete before the question.
        fixture.backend.deleteMayGoOn = false;
        selectAllThreeAudits(fixture);
        fixture.click("CmdDelete");
        QCOMPARE(fixture.callsAfterLoad(), QStringList{"prepareDelete"});
        QVERIFY(fixture.messages.shown().isEmpty());
        fixture.backend.deleteMayGoOn = true;
        fixture.messages.answerNext(false);
        fixture.click("CmdDelete");
        selectAllThreeAudits(fixture);
        fixture.messages.answerNext(true);
        fixture.click("CmdDelete");
        QCOMPARE(fixture.callsAfterLoad(),
                 (QStringList{"prepareDelete", "prepareDelete",
                              "delete(ZOTA_ORDERS,ZOTA_ITEMS,ZOTA_CUSTOMERS;No)", "prepareDelete",
                              "delete(ZOTA_ORDERS,ZOTA_ITEMS,ZOTA_CUSTOMERS;Yes)"}));
        QCOMPARE(fixture.messages.texts(), (QStringList{DeleteQuestion, DeleteQuestion}));
        QCOMPARE(fixture.messages.unansweredQuestions(), 0);
    }

    void sqlBaseDeleteOnAnEmptyGridAsksNothing() {
        MainWindowFixture fixture(sqlBaseTraits());
        fixture.backend.auditRows.clear();
        QVERIFY(fixture.open());
        fixture.showTab(2);
        fixture.click("CmdDelete");
        QCOMPARE(fixture.callsAfterLoad(), (QStringList{"prepareDelete", "delete(;No)"}));
        QVERIFY(fixture.messages.shown().isEmpty());
    }

    void viewAndPurgeExportHandOverTheWindow() {
        MainWindowFixture fixture(sqlBaseTraits());
        QVERIFY(fixture.open());
        fixture.showTab(2);
        // Purge/Export needs a selected row.
        fixture.click("cmdExport");
        QCOMPARE(fixture.callsAfterLoad(), QStringList{});
        fixture.clickCell(Audits, 1, 1);
        fixture.click("cmdView");
        fixture.click("cmdExport");
        QCOMPARE(fixture.callsAfterLoad(), (QStringList{"view", "export"}));
        QCOMPARE(fixture.backend.owners, QList<QWidget*>(2, fixture.window.get()));
    }

    void f12RevealsPanicOnlyWhereTheBackendHasItAndClosingShutsDown() {
        MainWindowFixture sqlBase(sqlBaseTraits());
        QVERIFY(sqlBase.open());
        auto* panic = sqlBase.find<QPushButton>("cmdPanic");
        // Other keys do nothing; F12 in a control of another tab reveals the button.
        auto* name = sqlBase.find<QLineEdit>("txtNewTableName");
        QTest::keyClick(name, Qt::Key_F11);
        QVERIFY(panic->isHidden());
        QTest::keyClick(name, Qt::Key_F12);
        QVERIFY(!panic->isHidden());
        QCOMPARE(name->text(), QString());
        sqlBase.showTab(2);
        QVERIFY(panic->isVisible());
        // It stays, whatever comes after, and runs the back end's panic.
        QTest::keyClick(sqlBase.grid(Audits), Qt::Key_F12);
        sqlBase.showTab(0);
        sqlBase.showTab(2);
        QVERIFY(panic->isVisible());
        sqlBase.click("cmdPanic");
        QCOMPARE(sqlBase.callsAfterLoad(), QStringList{"panic"});

        MainWindowFixture sqlServer(sqlServerTraits());
        QVERIFY(sqlServer.open());
        QTest::keyClick(sqlServer.find<QLineEdit>("txtNewTableName"), Qt::Key_F12);
        QTest::keyClick(sqlServer.window.get(), Qt::Key_F12);
        sqlServer.showTab(2);
        QVERIFY(sqlServer.find<QPushButton>("cmdPanic")->isHidden());

        // Closing the window shuts the back end down, once.
        QVERIFY(sqlBase.window->close());
        sqlBase.window->close();
        QCOMPARE(sqlBase.callsAfterLoad(), (QStringList{"panic", "shutdown"}));
    }
};

} // namespace quorvex::testing

QTEST_MAIN(quorvex::testing::AuditMainWindowTest)
#include "AuditMainWindowTest.moc"
