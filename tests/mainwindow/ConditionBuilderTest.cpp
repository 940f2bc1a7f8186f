#include "MainWindowFixture.h"
#include "MainWindowTests.h"

#include "components/Grid.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

namespace quorvex::testing {

namespace {

const QString NotChosen =
    QStringLiteral("This field must also be chosen in the columns list box above");

// The names of one tab's condition controls.
struct EditorNames {
    int tab;
    QString combo, value, add, grid, andOption, orOption, connectiveFrame, modeFrame, onlyWhen,
        alwaysExcept, reset;
};

const EditorNames InsertDelete{0,
                               QStringLiteral("cboConditionalColumns"),
                               QStringLiteral("txtCriteria"),
                               QStringLiteral("cmdAdd"),
                               QStringLiteral("grdCriteria"),
                               QStringLiteral("optAnd"),
                               QStringLiteral("optOr"),
                               QStringLiteral("Frame6"),
                               QStringLiteral("Frame4"),
                               QStringLiteral("optNormallyOff"),
                               QStringLiteral("optNormallyOn"),
                               QStringLiteral("cmdClear")};

const EditorNames Update{1,
                         QStringLiteral("cboUpdateConditionalColumns"),
                         QStringLiteral("txtUpdateCriteria"),
                         QStringLiteral("cmdUpdateAdd"),
                         QStringLiteral("grdUpdateCriteria"),
                         QStringLiteral("optUpdateAnd"),
                         QStringLiteral("optUpdateOr"),
                         QStringLiteral("Frame7"),
                         QStringLiteral("UpdateFrame4"),
                         QStringLiteral("optUpdateNormallyOff"),
                         QStringLiteral("optUpdateNormallyOn"),
                         QStringLiteral("cmdUpdateClear")};

// ORDERS listed on the tab, the given columns (by row) chosen.
void chooseOrdersColumns(MainWindowFixture& fixture, const EditorNames& names,
                         const QList<int>& rows) {
    fixture.showTab(names.tab);
    if (names.tab == 0) {
        fixture.clickItem(QStringLiteral("lstAuditableTables"), 0);
        for (int row : rows)
            fixture.clickItem(QStringLiteral("lstColumns"), row);
    } else {
        fixture.clickItem(QStringLiteral("lstUpdateAuditableTables"), 0);
        for (int row : rows)
            fixture.clickCell(QStringLiteral("lstUpdateColumns"), row, 0);
    }
}

void addCondition(MainWindowFixture& fixture, const EditorNames& names, const QString& column,
                  const QString& value) {
    fixture.chooseInCombo(names.combo, column);
    auto* box = fixture.find<QLineEdit>(names.value);
    box->setText(value);
    fixture.click(names.add);
}

} // namespace

class ConditionBuilderTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void addNeedsTheColumnChosenAbove_data();
    void addNeedsTheColumnChosenAbove();
    void userIdNeedsAnyChosenColumn_data();
    void userIdNeedsAnyChosenColumn();
    void addWithAnEmptyColumnBoxShowsTheMessage();
    void threeAddsFillRowsAndLabelFromTheSecondOn_data();
    void threeAddsFillRowsAndLabelFromTheSecondOn();
    void eachOperatorStoresItsText_data();
    void eachOperatorStoresItsText();
    void typedColumnMustStillBeChosen();
    void sameConditionTwiceGivesTwoRows();
    void firstAddLocksConnectiveAndModeUntilReset_data();
    void firstAddLocksConnectiveAndModeUntilReset();
    void oneTabsAddLeavesTheOtherTabsGridAlone();
    void resetEmptiesInsertDeleteTabButKeepsKindOperatorAndColumns();
    void resetEmptiesUpdateTabButKeepsItsRowsAndFlags();
    void sqlBaseResetKeepsTheChangedFields();
};

void ConditionBuilderTest::addNeedsTheColumnChosenAbove_data() {
    QTest::addColumn<int>("tab");
    QTest::newRow("insert/delete tab") << 0;
    QTest::newRow("update tab") << 1;
}

void ConditionBuilderTest::addNeedsTheColumnChosenAbove() {
    QFETCH(int, tab);
    const EditorNames& names = tab == 0 ? InsertDelete : Update;
    MainWindowFixture fixture(sqlServerTraits());
    QVERIFY(fixture.open());
    chooseOrdersColumns(fixture, names, {0});

    addCondition(fixture, names, QStringLiteral("AMOUNT"), QStringLiteral("100"));
    QCOMPARE(fixture.messages.shown().size(), 1);
    QCOMPARE(fixture.messages.shown().first().text, NotChosen);
    QCOMPARE(fixture.messages.shown().first().icon, MessageIcon::Critical);
    QCOMPARE(fixture.messages.shown().first().kind, ShownMessage::Kind::Message);
    QCOMPARE(MainWindowFixture::gridRows(fixture.grid(names.grid)),
             QStringList{QStringLiteral("|||")});
    QVERIFY(fixture.find<QGroupBox>(names.connectiveFrame)->isEnabled());

    // Once chosen, the same Add goes through.
    if (tab == 0)
        fixture.clickItem(QStringLiteral("lstColumns"), 2);
    else
        fixture.clickCell(QStringLiteral("lstUpdateColumns"), 2, 0);
    fixture.click(names.add);
    QCOMPARE(fixture.messages.shown().size(), 1);
    QCOMPARE(MainWindowFixture::gridRows(fixture.grid(names.grid)),
             (QStringList{QStringLiteral("|AMOUNT|=|100"), QStringLiteral("|||")}));
}

void ConditionBuilderTest::userIdNeedsAnyChosenColumn_data() {
    addNeedsTheColumnChosenAbove_data();
}

void ConditionBuilderTest::userIdNeedsAnyChosenColumn() {
    QFETCH(int, tab);
    const EditorNames& names = tab == 0 ? InsertDelete : Update;
    MainWindowFixture fixture(sqlServerTraits());
    QVERIFY(fixture.open());
    chooseOrdersColumns(fixture, names, {});

    addCondition(fixture, names, QStringLiteral("USERID"), QStringLiteral("dba"));
    QCOMPARE(fixture.messages.texts(), QStringList{NotChosen});
    QCOMPARE(fixture.grid(names.grid)->rowCount(), 1);

    if (tab == 0)
        fixture.clickItem(QStringLiteral("lstColumns"), 1);
    else
        fixture.clickCell(QStringLiteral("lstUpdateColumns"), 1, 0);
    fixture.click(names.add);
    QCOMPARE(fixture.messages.texts(), QStringList{NotChosen});
    QCOMPARE(MainWindowFixture::gridRows(fixture.grid(names.grid)),
             (QStringList{QStringLiteral("|USERID|=|dba"), QStringLiteral("|||")}));
}

void ConditionBuilderTest::addWithAnEmptyColumnBoxShowsTheMessage() {
    MainWindowFixture fixture(sqlServerTraits());
    QVERIFY(fixture.open());
    chooseOrdersColumns(fixture, InsertDelete, {0, 1, 2});
    QCOMPARE(fixture.combo(InsertDelete.combo)->currentText(), QString());
    fixture.click(InsertDelete.add);
    QCOMPARE(fixture.messages.texts(), QStringList{NotChosen});
    QCOMPARE(fixture.grid(InsertDelete.grid)->rowCount(), 1);
}

void ConditionBuilderTest::threeAddsFillRowsAndLabelFromTheSecondOn_data() {
    QTest::addColumn<int>("tab");
    QTest::addColumn<bool>("useOr");
    QTest::addColumn<QString>("connective");
    QTest::newRow("insert/delete tab, AND") << 0 << false << QStringLiteral("AND");
    QTest::newRow("insert/delete tab, OR") << 0 << true << QStringLiteral("OR");
    QTest::newRow("update tab, AND") << 1 << false << QStringLiteral("AND");
    QTest::newRow("update tab, OR") << 1 << true << QStringLiteral("OR");
}

void ConditionBuilderTest::threeAddsFillRowsAndLabelFromTheSecondOn() {
    QFETCH(int, tab);
    QFETCH(bool, useOr);
    QFETCH(QString, connective);
    const EditorNames& names = tab == 0 ? InsertDelete : Update;
    MainWindowFixture fixture(sqlServerTraits());
    QVERIFY(fixture.open());
    chooseOrdersColumns(fixture, names, {0, 2});
    if (useOr)
        fixture.click(names.orOption);

    addCondition(fixture, names, QStringLiteral("ORDNO"), QStringLiteral("5"));
    addCondition(fixture, names, QStringLiteral("AMOUNT"), QString());
    addCondition(fixture, names, QStringLiteral("USERID"), QStringLiteral("O'Brien"));

    const QString row2 = connective + QStringLiteral("|AMOUNT|=|");
    const QString row3 = connective + QStringLiteral("|USERID|=|O'Brien");
    QCOMPARE(MainWindowFixture::gridRows(fixture.grid(names.grid)),
             (QStringList{QStringLiteral("|ORDNO|=|5"), row2, row3, QStringLiteral("|||")}));
    QVERIFY(fixture.messages.shown().isEmpty());
}

void ConditionBuilderTest::eachOperatorStoresItsText_data() {
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("text");
    QTest::newRow("Equal to") << 0 << QStringLiteral("optEqual") << QStringLiteral("=");
    QTest::newRow("Not Equal") << 0 << QStringLiteral("optNotEqual") << QStringLiteral("!=");
    QTest::newRow("Greater Than") << 0 << QStringLiteral("OptGreater") << QStringLiteral(">");
    QTest::newRow("Less Than") << 0 << QStringLiteral("optLessThan") << QStringLiteral("<");
    QTest::newRow("update Not Equal")
        << 1 << QStringLiteral("optUpdateNotEqual") << QStringLiteral("!=");
    QTest::newRow("update Greater Than")
        << 1 << QStringLiteral("OptUpdateGreater") << QStringLiteral(">");
    QTest::newRow("update Less Than")
        << 1 << QStringLiteral("optUpdateLessThan") << QStringLiteral("<");
}

void ConditionBuilderTest::eachOperatorStoresItsText() {
    QFETCH(int, tab);
    QFETCH(QString, option);
    QFETCH(QString, text);
    const EditorNames& names = tab == 0 ? InsertDelete : Update;
    MainWindowFixture fixture(sqlServerTraits());
    QVERIFY(fixture.open());
    chooseOrdersColumns(fixture, names, {1});
    fixture.click(option);
    addCondition(fixture, names, QStringLiteral("CUSTNO"), QStringLiteral("7"));
    QCOMPARE(fixture.grid(names.grid)->cellText(0, 1), text);
    // The operator choice stays for the next condition.
    QVERIFY(fixture.find<QRadioButton>(option)->isChecked());
}

void ConditionBuilderTest::typedColumnMustStillBeChosen() {
    MainWindowFixture fixture(sqlServerTraits());
    QVERIFY(fixture.open());
    chooseOrdersColumns(fixture, InsertDelete, {1});
    QComboBox* combo = fixture.combo(InsertDelete.combo);
    combo->setEditText(QStringLiteral("custno"));
    fixture.click(InsertDelete.add);
    QCOMPARE(fixture.messages.texts(), QStringList{NotChosen});
    combo->setEditText(QStringLiteral("CUSTNO"));
    fixture.click(InsertDelete.add);
    QCOMPARE(fixture.grid(InsertDelete.grid)->rowCount(), 2);
    // Typing does not add the text to the list.
    QCOMPARE(combo->count(), 4);
}

void ConditionBuilderTest::sameConditionTwiceGivesTwoRows() {
    MainWindowFixture fixture(sqlServerTraits());
    QVERIFY(fixture.open());
    chooseOrdersColumns(fixture, InsertDelete, {0});
    addCondition(fixture, InsertDelete, QStringLiteral("ORDNO"), QStringLiteral("1"));
    fixture.click(InsertDelete.add);
    QCOMPARE(MainWindowFixture::gridRows(fixture.grid(InsertDelete.grid)),
             (QStringList{QStringLiteral("|ORDNO|=|1"), QStringLiteral("AND|ORDNO|=|1"),
                          QStringLiteral("|||")}));
    // The column, the value and the operator stay for the next condition.
    QCOMPARE(fixture.combo(InsertDelete.combo)->currentText(), QStringLiteral("ORDNO"));
    QCOMPARE(fixture.find<QLineEdit>(InsertDelete.value)->text(), QStringLiteral("1"));
}

void ConditionBuilderTest::firstAddLocksConnectiveAndModeUntilReset_data() {
    addNeedsTheColumnChosenAbove_data();
}

void ConditionBuilderTest::firstAddLocksConnectiveAndModeUntilReset() {
    QFETCH(int, tab);
    const EditorNames& names = tab == 0 ? InsertDelete : Update;
    MainWindowFixture fixture(sqlServerTraits());
    QVERIFY(fixture.open());
    chooseOrdersColumns(fixture, names, {0});
    fixture.click(names.orOption);
    fixture.click(names.onlyWhen);
    addCondition(fixture, names, QStringLiteral("ORDNO"), QStringLiteral("1"));

    auto* connectiveFrame = fixture.find<QGroupBox>(names.connectiveFrame);
    auto* modeFrame = fixture.find<QGroupBox>(names.modeFrame);
    QVERIFY(!connectiveFrame->isEnabled());
    QVERIFY(!modeFrame->isEnabled());
    // A click on a locked option changes nothing.
    fixture.click(names.andOption);
    fixture.click(names.alwaysExcept);
    QVERIFY(fixture.find<QRadioButton>(names.orOption)->isChecked());
    QVERIFY(fixture.find<QRadioButton>(names.onlyWhen)->isChecked());

    fixture.click(names.reset);
    QVERIFY(connectiveFrame->isEnabled());
    QVERIFY(modeFrame->isEnabled());
    QVERIFY(fixture.find<QRadioButton>(names.andOption)->isChecked());
    QVERIFY(!fixture.find<QRadioButton>(names.orOption)->isChecked());
    QVERIFY(fixture.find<QRadioButton>(names.alwaysExcept)->isChecked());
    QVERIFY(!fixture.find<QRadioButton>(names.onlyWhen)->isChecked());
    fixture.click(names.orOption);
    QVERIFY(fixture.find<QRadioButton>(names.orOption)->isChecked());
}

void ConditionBuilderTest::oneTabsAddLeavesTheOtherTabsGridAlone() {
    MainWindowFixture fixture(sqlServerTraits());
    QVERIFY(fixture.open());
    chooseOrdersColumns(fixture, Update, {0});
    addCondition(fixture, Update, QStringLiteral("ORDNO"), QStringLiteral("9"));
    QCOMPARE(fixture.grid(InsertDelete.grid)->rowCount(), 1);
    QVERIFY(fixture.find<QGroupBox>(InsertDelete.connectiveFrame)->isEnabled());

    chooseOrdersColumns(fixture, InsertDelete, {2});
    addCondition(fixture, InsertDelete, QStringLiteral("AMOUNT"), QStringLiteral("3"));
    QCOMPARE(MainWindowFixture::gridRows(fixture.grid(Update.grid)),
             (QStringList{QStringLiteral("|ORDNO|=|9"), QStringLiteral("|||")}));
    QCOMPARE(MainWindowFixture::gridRows(fixture.grid(InsertDelete.grid)),
             (QStringList{QStringLiteral("|AMOUNT|=|3"), QStringLiteral("|||")}));

    // RESET of one tab leaves the other's conditions too.
    fixture.showTab(1);
    fixture.click(Update.reset);
    QCOMPARE(fixture.grid(InsertDelete.grid)->rowCount(), 2);
}

void ConditionBuilderTest::resetEmptiesInsertDeleteTabButKeepsKindOperatorAndColumns() {
    MainWindowFixture fixture(sqlServerTraits());
    QVERIFY(fixture.open());
    chooseOrdersColumns(fixture, InsertDelete, {0, 2});
    fixture.click(QStringLiteral("optDelete"));
    fixture.click(QStringLiteral("OptGreater"));
    fixture.type(QStringLiteral("txtNewTableName"), QStringLiteral("gone"));
    fixture.type(QStringLiteral("txtDescription"), QStringLiteral("deleted orders"));
    addCondition(fixture, InsertDelete, QStringLiteral("AMOUNT"), QStringLiteral("10"));
    addCondition(fixture, InsertDelete, QStringLiteral("ORDNO"), QStringLiteral("2"));

    fixture.click(InsertDelete.reset);
    QCOMPARE(
        MainWindowFixture::itemTexts(fixture.list(QStringLiteral("lstColumns"))),
        (QStringList{QStringLiteral("ORDNO"), QStringLiteral("CUSTNO"), QStringLiteral("AMOUNT")}));
    QCOMPARE(MainWindowFixture::chosenTexts(fixture.list(QStringLiteral("lstColumns"))),
             QStringList{});
    QCOMPARE(fixture.list(QStringLiteral("lstAuditableTables"))->selectedItems().size(), 0);
    QCOMPARE(fixture.find<QLineEdit>(QStringLiteral("txtNewTableName"))->text(), QString());
    QCOMPARE(fixture.find<QLineEdit>(QStringLiteral("txtDescription"))->text(), QString());
    QCOMPARE(fixture.combo(InsertDelete.combo)->count(), 0);
    QCOMPARE(fixture.combo(InsertDelete.combo)->currentText(), QString());
    QCOMPARE(fixture.find<QLineEdit>(InsertDelete.value)->text(), QString());
    QCOMPARE(MainWindowFixture::gridRows(fixture.grid(InsertDelete.grid)),
             QStringList{QStringLiteral("|||")});
    QVERIFY(fixture.find<QRadioButton>(QStringLiteral("optDelete"))->isChecked());
    QVERIFY(fixture.find<QRadioButton>(QStringLiteral("OptGreater"))->isChecked());
    // RESET asks the back end for nothing.
    QCOMPARE(fixture.backend.calls,
             (QStringList{QStringLiteral("load"), QStringLiteral("listColumns(ORDERS)")}));

    // With the column box empty, no condition can be added until a table is chosen again.
    fixture.clickItem(QStringLiteral("lstColumns"), 0);
    fixture.click(InsertDelete.add);
    QCOMPARE(fixture.messages.texts(), QStringList{NotChosen});
}

void ConditionBuilderTest::resetEmptiesUpdateTabButKeepsItsRowsAndFlags() {
    MainWindowFixture fixture(sqlServerTraits());
    QVERIFY(fixture.open());
    chooseOrdersColumns(fixture, Update, {2, 0});
    fixture.clickCell(QStringLiteral("lstUpdateColumns"), 0, 1);
    fixture.type(QStringLiteral("txtUpdateNewTableName"), QStringLiteral("upd"));
    fixture.type(QStringLiteral("txtUpdateDescription"), QStringLiteral("price"));
    addCondition(fixture, Update, QStringLiteral("ORDNO"), QStringLiteral("4"));

    fixture.click(Update.reset);
    Grid* columns = fixture.grid(QStringLiteral("lstUpdateColumns"));
    QCOMPARE(MainWindowFixture::gridRows(columns),
             (QStringList{QStringLiteral("|ORDNO|True"), QStringLiteral("|CUSTNO|False"),
                          QStringLiteral("|AMOUNT|False")}));
    QCOMPARE(columns->selectedCount(), 0);
    QCOMPARE(fixture.list(QStringLiteral("lstUpdateAuditableTables"))->selectedItems().size(), 0);
    QCOMPARE(fixture.find<QLineEdit>(QStringLiteral("txtUpdateNewTableName"))->text(), QString());
    QCOMPARE(fixture.find<QLineEdit>(QStringLiteral("txtUpdateDescription"))->text(), QString());
    QCOMPARE(fixture.list(QStringLiteral("lstUpdateFieldsChanged"))->count(), 0);
    QCOMPARE(fixture.combo(Update.combo)->count(), 0);
    QCOMPARE(fixture.find<QLineEdit>(Update.value)->text(), QString());
    QCOMPARE(MainWindowFixture::gridRows(fixture.grid(Update.grid)),
             QStringList{QStringLiteral("|||")});
}

void ConditionBuilderTest::sqlBaseResetKeepsTheChangedFields() {
    MainWindowFixture fixture(sqlBaseTraits());
    QVERIFY(fixture.open());
    chooseOrdersColumns(fixture, Update, {1, 0});
    fixture.click(Update.reset);
    QCOMPARE(MainWindowFixture::itemTexts(fixture.list(QStringLiteral("lstUpdateFieldsChanged"))),
             (QStringList{QStringLiteral("CUSTNO"), QStringLiteral("ORDNO")}));
    QCOMPARE(fixture.grid(QStringLiteral("lstUpdateColumns"))->selectedCount(), 0);
    QCOMPARE(fixture.combo(Update.combo)->count(), 0);
}

} // namespace quorvex::testing

int runConditionBuilderTests(int argc, char** argv) {
    quorvex::testing::ConditionBuilderTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ConditionBuilderTest.moc"
