#include "MainWindowFixture.h"
#include "MainWindowTests.h"

#include "components/Grid.h"

#include <QHeaderView>
#include <QTest>

namespace quorvex::testing {

namespace {

const QString Tables = QStringLiteral("lstAuditableTables");
const QString UpdateTables = QStringLiteral("lstUpdateAuditableTables");
const QString UpdateColumns = QStringLiteral("lstUpdateColumns");
const QString FieldsChanged = QStringLiteral("lstUpdateFieldsChanged");

} // namespace

class ColumnListingTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // --- insert/delete tab ---
    void releasingOverTheTableListListsItsColumnsThenUserId();
    void releasingWithNothingChosenLeavesOnlyUserId();
    void everyReleaseListsAgainEvenOnTheSameTable();
    void keyboardChangeOfTableListsColumnsOnSqlServerToo();
    void sqlBaseListsWheneverTheChoiceChangesAndOnlyThen();
    void columnsAreListedUnderTheWaitCursor();
    void eachTabAsksTheBackendForItsOwnChoice();

    // --- update tab ---
    void updateGridIsRebuiltForEachTable();
    void sqlBaseFlagsStartAsLowerCaseFalse();
    void clickingARowTwiceChoosesAndUnchoosesIt();
    void clickingTheFlagTogglesOnlyTheFlag();
    void changedFieldsKeepTheOrderOfChoosingUnchosen();
    void choosingAnotherTableEmptiesTheChangedFields();
};

void ColumnListingTest::releasingOverTheTableListListsItsColumnsThenUserId() {
    MainWindowFixture fixture(sqlServerTraits());
    QVERIFY(fixture.open());
    fixture.clickItem(Tables, 0);
    QCOMPARE(fixture.backend.calls,
             (QStringList{QStringLiteral("load"), QStringLiteral("listColumns(ORDERS)")}));
    QCOMPARE(
        MainWindowFixture::itemTexts(fixture.list(QStringLiteral("lstColumns"))),
        (QStringList{QStringLiteral("ORDNO"), QStringLiteral("CUSTNO"), QStringLiteral("AMOUNT")}));
    QComboBox* columns = fixture.combo(QStringLiteral("cboConditionalColumns"));
    QCOMPARE(MainWindowFixture::comboTexts(columns),
             (QStringList{QStringLiteral("ORDNO"), QStringLiteral("CUSTNO"),
                          QStringLiteral("AMOUNT"), QStringLiteral("USERID")}));
    // Listing picks no column for the user, and none is chosen in the list either.
    QCOMPARE(columns->currentText(), QString());
    QCOMPARE(MainWindowFixture::chosenTexts(fixture.list(QStringLiteral("lstColumns"))),
             QStringList{});
}

void ColumnListingTest::releasingWithNothingChosenLeavesOnlyUserId() {
    MainWindowFixture fixture(sqlServerTraits());
    QVERIFY(fixture.open());
    fixture.clickItem(Tables, 1);
    fixture.click(QStringLiteral("cmdClear"));
    QCOMPARE(fixture.list(Tables)->selectedItems().size(), 0);

    fixture.clickListBackground(Tables);
    QCOMPARE(fixture.backend.calls.last(), QStringLiteral("listColumns()"));
    QCOMPARE(fixture.list(QStringLiteral("lstColumns"))->count(), 0);
    QCOMPARE(MainWindowFixture::comboTexts(fixture.combo(QStringLiteral("cboConditionalColumns"))),
             QStringList{QStringLiteral("USERID")});
}

void ColumnListingTest::everyReleaseListsAgainEvenOnTheSameTable() {
    MainWindowFixture fixture(sqlServerTraits());
    QVERIFY(fixture.open());
    fixture.clickItem(Tables, 2);
    fixture.clickItem(QStringLiteral("lstColumns"), 1);
    fixture.clickItem(Tables, 2);
    QCOMPARE(fixture.backend.calls.count(QStringLiteral("listColumns(CUSTOMERS)")), 2);
    // A new listing chooses nothing.
    QCOMPARE(MainWindowFixture::chosenTexts(fixture.list(QStringLiteral("lstColumns"))),
             QStringList{});
}

void ColumnListingTest::keyboardChangeOfTableListsColumnsOnSqlServerToo() {
    MainWindowFixture fixture(sqlServerTraits());
    QVERIFY(fixture.open());
    fixture.clickItem(Tables, 0);
    // Otherwise ITEMS would be chosen with the columns of ORDERS still listed.
    QTest::keyClick(fixture.list(Tables), Qt::Key_Down);
    QCOMPARE(fixture.backend.calls,
             (QStringList{QStringLiteral("load"), QStringLiteral("listColumns(ORDERS)"),
                          QStringLiteral("listColumns(ITEMS)")}));
    QCOMPARE(MainWindowFixture::itemTexts(fixture.list(QStringLiteral("lstColumns"))),
             (QStringList{QStringLiteral("ITEMNO"), QStringLiteral("PRICE")}));
    // A key that does not move the choice lists nothing.
    QTest::keyClick(fixture.list(Tables), Qt::Key_Shift);
    QCOMPARE(fixture.backend.calls.size(), 3);
}

void ColumnListingTest::sqlBaseListsWheneverTheChoiceChangesAndOnlyThen() {
    MainWindowFixture fixture(sqlBaseTraits());
    QVERIFY(fixture.open());
    fixture.clickItem(Tables, 0);
    QTest::keyClick(fixture.list(Tables), Qt::Key_Down);
    fixture.clickItem(Tables, 1); // already chosen: no change, no listing
    fixture.showTab(1);
    // The first key only makes the first table current and chosen; the second moves on.
    QTest::keyClick(fixture.list(UpdateTables), Qt::Key_End);
    QTest::keyClick(fixture.list(UpdateTables), Qt::Key_End);
    QCOMPARE(
        fixture.backend.calls,
        (QStringList{QStringLiteral("load"), QStringLiteral("listColumns(ORDERS)"),
                     QStringLiteral("listColumns(ITEMS)"), QStringLiteral("listColumns(ORDERS)"),
                     QStringLiteral("listColumns(CUSTOMERS)")}));
    QCOMPARE(MainWindowFixture::itemTexts(fixture.list(QStringLiteral("lstColumns"))),
             (QStringList{QStringLiteral("ITEMNO"), QStringLiteral("PRICE")}));

    // RESET unchooses the table without listing anything: the columns stay listed.
    fixture.showTab(0);
    fixture.click(QStringLiteral("cmdClear"));
    QCOMPARE(fixture.backend.calls.size(), 5);
    QCOMPARE(fixture.list(QStringLiteral("lstColumns"))->count(), 2);
}

void ColumnListingTest::columnsAreListedUnderTheWaitCursor() {
    MainWindowFixture fixture(sqlServerTraits());
    QVERIFY(fixture.open());
    fixture.clickItem(Tables, 0);
    fixture.showTab(1);
    fixture.clickItem(UpdateTables, 0);
    QCOMPARE(fixture.backend.listedUnderWaitCursor, (QList<bool>{true, true}));
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
}

void ColumnListingTest::eachTabAsksTheBackendForItsOwnChoice() {
    // The back end keeps the table asked for last as its current table.
    MainWindowFixture fixture(sqlServerTraits());
    QVERIFY(fixture.open());
    fixture.showTab(1);
    fixture.clickItem(UpdateTables, 1);
    fixture.showTab(0);
    fixture.clickItem(Tables, 2);
    QCOMPARE(fixture.backend.calls,
             (QStringList{QStringLiteral("load"), QStringLiteral("listColumns(ITEMS)"),
                          QStringLiteral("listColumns(CUSTOMERS)")}));
    // Each tab lists its own table's columns.
    QCOMPARE(fixture.grid(UpdateColumns)->rowCount(), 2);
    QCOMPARE(fixture.list(QStringLiteral("lstColumns"))->count(), 2);
    QCOMPARE(fixture.list(QStringLiteral("lstColumns"))->item(1)->text(), QStringLiteral("NAME"));
}

void ColumnListingTest::updateGridIsRebuiltForEachTable() {
    MainWindowFixture fixture(sqlServerTraits());
    QVERIFY(fixture.open());
    fixture.showTab(1);
    fixture.clickItem(UpdateTables, 0);
    Grid* grid = fixture.grid(UpdateColumns);
    QCOMPARE(MainWindowFixture::gridRows(grid),
             (QStringList{QStringLiteral("|ORDNO|False"), QStringLiteral("|CUSTNO|False"),
                          QStringLiteral("|AMOUNT|False")}));
    QVERIFY(grid->gridModel()->isCheckColumn(1));
    QVERIFY(!grid->gridModel()->isCheckColumn(0));
    QCOMPARE(grid->columnWidth(0), 160);
    QCOMPARE(grid->columnWidth(1), 40);
    QCOMPARE(grid->verticalHeader()->width(), 10);
    QCOMPARE(grid->selectedCount(), 0);
    QCOMPARE(
        MainWindowFixture::comboTexts(fixture.combo(QStringLiteral("cboUpdateConditionalColumns"))),
        (QStringList{QStringLiteral("ORDNO"), QStringLiteral("CUSTNO"), QStringLiteral("AMOUNT"),
                     QStringLiteral("USERID")}));

    fixture.clickCell(UpdateColumns, 2, 1);
    fixture.clickItem(UpdateTables, 1);
    QCOMPARE(MainWindowFixture::gridRows(grid),
             (QStringList{QStringLiteral("|ITEMNO|False"), QStringLiteral("|PRICE|False")}));
    QCOMPARE(grid->colCount(), 2);
    QCOMPARE(
        MainWindowFixture::comboTexts(fixture.combo(QStringLiteral("cboUpdateConditionalColumns"))),
        (QStringList{QStringLiteral("ITEMNO"), QStringLiteral("PRICE"), QStringLiteral("USERID")}));
}

void ColumnListingTest::sqlBaseFlagsStartAsLowerCaseFalse() {
    MainWindowFixture fixture(sqlBaseTraits());
    QVERIFY(fixture.open());
    fixture.showTab(1);
    fixture.clickItem(UpdateTables, 1);
    Grid* grid = fixture.grid(UpdateColumns);
    QCOMPARE(MainWindowFixture::gridRows(grid),
             (QStringList{QStringLiteral("|ITEMNO|false"), QStringLiteral("|PRICE|false")}));
    fixture.clickCell(UpdateColumns, 0, 1);
    QCOMPARE(grid->cellText(0, 1), QStringLiteral("True"));
}

void ColumnListingTest::clickingARowTwiceChoosesAndUnchoosesIt() {
    MainWindowFixture fixture(sqlServerTraits());
    QVERIFY(fixture.open());
    fixture.showTab(1);
    fixture.clickItem(UpdateTables, 0);
    Grid* grid = fixture.grid(UpdateColumns);
    QListWidget* changed = fixture.list(FieldsChanged);

    fixture.clickCell(UpdateColumns, 1, 0);
    QVERIFY(grid->isRowSelected(1));
    QCOMPARE(MainWindowFixture::itemTexts(changed), QStringList{QStringLiteral("CUSTNO")});

    fixture.clickCell(UpdateColumns, 1, 0);
    QVERIFY(!grid->isRowSelected(1));
    QCOMPARE(MainWindowFixture::itemTexts(changed), QStringList{});
    QCOMPARE(grid->selectedCount(), 0);
}

void ColumnListingTest::clickingTheFlagTogglesOnlyTheFlag() {
    MainWindowFixture fixture(sqlServerTraits());
    QVERIFY(fixture.open());
    fixture.showTab(1);
    fixture.clickItem(UpdateTables, 0);
    Grid* grid = fixture.grid(UpdateColumns);

    fixture.clickCell(UpdateColumns, 2, 1);
    QCOMPARE(grid->cellText(2, 1), QStringLiteral("True"));
    QVERIFY(!grid->isRowSelected(2));
    QCOMPARE(fixture.list(FieldsChanged)->count(), 0);

    fixture.clickCell(UpdateColumns, 2, 0);
    fixture.clickCell(UpdateColumns, 2, 1);
    QCOMPARE(grid->cellText(2, 1), QStringLiteral("False"));
    QVERIFY(grid->isRowSelected(2));
    QCOMPARE(MainWindowFixture::itemTexts(fixture.list(FieldsChanged)),
             QStringList{QStringLiteral("AMOUNT")});
}

void ColumnListingTest::changedFieldsKeepTheOrderOfChoosingUnchosen() {
    MainWindowFixture fixture(sqlServerTraits());
    QVERIFY(fixture.open());
    fixture.showTab(1);
    fixture.clickItem(UpdateTables, 0);
    fixture.clickCell(UpdateColumns, 2, 0);
    fixture.clickCell(UpdateColumns, 0, 0);
    fixture.clickCell(UpdateColumns, 1, 0);
    QListWidget* changed = fixture.list(FieldsChanged);
    QCOMPARE(
        MainWindowFixture::itemTexts(changed),
        (QStringList{QStringLiteral("AMOUNT"), QStringLiteral("ORDNO"), QStringLiteral("CUSTNO")}));
    QCOMPARE(MainWindowFixture::chosenTexts(changed), QStringList{});

    // Unchoosing the middle one removes just its entry; choosing it again appends it.
    fixture.clickCell(UpdateColumns, 0, 0);
    fixture.clickCell(UpdateColumns, 0, 0);
    QCOMPARE(
        MainWindowFixture::itemTexts(changed),
        (QStringList{QStringLiteral("AMOUNT"), QStringLiteral("CUSTNO"), QStringLiteral("ORDNO")}));
}

void ColumnListingTest::choosingAnotherTableEmptiesTheChangedFields() {
    MainWindowFixture fixture(sqlBaseTraits());
    QVERIFY(fixture.open());
    fixture.showTab(1);
    fixture.clickItem(UpdateTables, 0);
    fixture.clickCell(UpdateColumns, 0, 0);
    QCOMPARE(fixture.list(FieldsChanged)->count(), 1);
    fixture.clickItem(UpdateTables, 2);
    QCOMPARE(fixture.list(FieldsChanged)->count(), 0);
    QCOMPARE(fixture.grid(UpdateColumns)->selectedCount(), 0);
}

} // namespace quorvex::testing

int runColumnListingTests(int argc, char** argv) {
    quorvex::testing::ColumnListingTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ColumnListingTest.moc"
