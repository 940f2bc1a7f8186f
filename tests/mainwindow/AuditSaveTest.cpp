#include "MainWindowFixture.h"
#include "MainWindowTests.h"

#include "components/Grid.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

namespace quorvex::testing {

namespace {

SaveResult saved(const QString& deselect = QString()) {
    return SaveResult{SaveResult::Outcome::Saved, deselect};
}

SaveResult notSaved(const QString& deselect = QString()) {
    return SaveResult{SaveResult::Outcome::NotSaved, deselect};
}

AuditCondition condition(const char* connective, const char* column, const char* op,
                         const char* value) {
    return AuditCondition{QString::fromLatin1(column), QString::fromLatin1(op),
                          QString::fromLatin1(value), QString::fromLatin1(connective)};
}

const AuditCondition EmptySlot{};

// Tab 0 filled in: ORDERS, AMOUNT and ORDNO chosen (clicked in that order), a delete audit,
// only when, OR, two conditions.
void fillInsertDeleteTab(MainWindowFixture& fixture) {
    fixture.showTab(0);
    fixture.clickItem(QStringLiteral("lstAuditableTables"), 0);
    fixture.clickItem(QStringLiteral("lstColumns"), 2);
    fixture.clickItem(QStringLiteral("lstColumns"), 0);
    fixture.click(QStringLiteral("optDelete"));
    fixture.click(QStringLiteral("optNormallyOff"));
    fixture.click(QStringLiteral("optOr"));
    fixture.type(QStringLiteral("txtNewTableName"), QStringLiteral("OrdGone"));
    fixture.type(QStringLiteral("txtDescription"), QStringLiteral("deleted big orders"));
    fixture.chooseInCombo(QStringLiteral("cboConditionalColumns"), QStringLiteral("AMOUNT"));
    fixture.find<QLineEdit>(QStringLiteral("txtCriteria"))->setText(QStringLiteral("1000"));
    fixture.click(QStringLiteral("OptGreater"));
    fixture.click(QStringLiteral("cmdAdd"));
    fixture.chooseInCombo(QStringLiteral("cboConditionalColumns"), QStringLiteral("USERID"));
    fixture.find<QLineEdit>(QStringLiteral("txtCriteria"))->setText(QStringLiteral("sa"));
    fixture.click(QStringLiteral("optNotEqual"));
    fixture.click(QStringLiteral("cmdAdd"));
}

// Tab 1 filled in: ORDERS, AMOUNT then ORDNO chosen, AMOUNT keeps its old value, CUSTNO
// listed too but only AMOUNT chosen as a changed field, one condition.
void fillUpdateTab(MainWindowFixture& fixture) {
    fixture.showTab(1);
    fixture.clickItem(QStringLiteral("lstUpdateAuditableTables"), 0);
    fixture.clickCell(QStringLiteral("lstUpdateColumns"), 2, 0);
    fixture.clickCell(QStringLiteral("lstUpdateColumns"), 1, 0);
    fixture.clickCell(QStringLiteral("lstUpdateColumns"), 0, 0);
    fixture.clickCell(QStringLiteral("lstUpdateColumns"), 1, 0);
    fixture.clickCell(QStringLiteral("lstUpdateColumns"), 1, 0);
    fixture.clickCell(QStringLiteral("lstUpdateColumns"), 1, 0);
    fixture.clickCell(QStringLiteral("lstUpdateColumns"), 2, 1);
    fixture.clickItem(QStringLiteral("lstUpdateFieldsChanged"), 0);
    fixture.type(QStringLiteral("txtUpdateNewTableName"), QStringLiteral("OrdUpd"));
    fixture.type(QStringLiteral("txtUpdateDescription"), QStringLiteral("amount changes"));
    fixture.chooseInCombo(QStringLiteral("cboUpdateConditionalColumns"), QStringLiteral("ORDNO"));
    fixture.find<QLineEdit>(QStringLiteral("txtUpdateCriteria"))->setText(QStringLiteral("7"));
    fixture.click(QStringLiteral("optUpdateLessThan"));
    fixture.click(QStringLiteral("cmdUpdateAdd"));
}

} // namespace

class AuditSaveTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void goHandsTheInsertDeleteTabOver();
    void goOnAnUntouchedTabHandsItsDefaultsOver();
    void goHandsTheUpdateTabOver();
    void oldValueFlagsReadAsBooleans();
    void sqlBaseNameIsUpperCasedBeforeGoReadsIt();
    void savedAuditEmptiesTheTabBeforeTheListIsReloaded();
    void savedUpdateAuditEmptiesItsTabOnly();
    void notSavedKeepsEverythingAndReloadsNothing();
    void refusedColumnIsUnchosenWhateverTheOutcome();
    void refusedUpdateColumnKeepsItsChangedFieldEntry();
};

void AuditSaveTest::goHandsTheInsertDeleteTabOver() {
    MainWindowFixture fixture(sqlServerTraits());
    QVERIFY(fixture.open());
    fillInsertDeleteTab(fixture);
    fixture.click(QStringLiteral("cmdGo"));

    AuditDefinition expected;
    expected.kind = AuditKind::Delete;
    expected.table = QStringLiteral("ORDERS");
    expected.columns = {QStringLiteral("ORDNO"), QStringLiteral("AMOUNT")};
    expected.conditions = {condition("", "AMOUNT", ">", "1000"),
                           condition("OR", "USERID", "!=", "sa"), EmptySlot};
    expected.mode = AuditMode::OnlyWhen;
    expected.connective = Connective::Or;
    expected.name = QStringLiteral("OrdGone");
    expected.description = QStringLiteral("deleted big orders");
    QCOMPARE(fixture.backend.saved, QList<AuditDefinition>{expected});
    QCOMPARE(fixture.backend.calls.last(), QStringLiteral("save(OrdGone)"));
}

void AuditSaveTest::goOnAnUntouchedTabHandsItsDefaultsOver() {
    MainWindowFixture fixture(sqlServerTraits());
    QVERIFY(fixture.open());
    fixture.click(QStringLiteral("cmdGo"));
    fixture.showTab(1);
    fixture.click(QStringLiteral("cmdUpdateGo"));

    AuditDefinition insert;
    insert.conditions = {EmptySlot};
    AuditDefinition update;
    update.kind = AuditKind::Update;
    update.conditions = {EmptySlot};
    QCOMPARE(fixture.backend.saved, (QList<AuditDefinition>{insert, update}));
}

void AuditSaveTest::goHandsTheUpdateTabOver() {
    MainWindowFixture fixture(sqlServerTraits());
    QVERIFY(fixture.open());
    fillUpdateTab(fixture);
    fixture.click(QStringLiteral("cmdUpdateGo"));

    AuditDefinition expected;
    expected.kind = AuditKind::Update;
    expected.table = QStringLiteral("ORDERS");
    // Grid order, not the order of choosing; flags one for one.
    expected.columns = {QStringLiteral("ORDNO"), QStringLiteral("AMOUNT")};
    expected.saveOldValue = {false, true};
    expected.changedFields = {QStringLiteral("AMOUNT")};
    expected.conditions = {condition("", "ORDNO", "<", "7"), EmptySlot};
    expected.name = QStringLiteral("OrdUpd");
    expected.description = QStringLiteral("amount changes");
    QCOMPARE(fixture.backend.saved, QList<AuditDefinition>{expected});
    QCOMPARE(MainWindowFixture::itemTexts(fixture.list(QStringLiteral("lstUpdateFieldsChanged"))),
             (QStringList{QStringLiteral("AMOUNT"), QStringLiteral("ORDNO")}));
}

void AuditSaveTest::oldValueFlagsReadAsBooleans() {
    MainWindowFixture fixture(sqlBaseTraits());
    QVERIFY(fixture.open());
    fixture.showTab(1);
    fixture.clickItem(QStringLiteral("lstUpdateAuditableTables"), 0);
    Grid* grid = fixture.grid(QStringLiteral("lstUpdateColumns"));
    for (int row = 0; row < 3; ++row)
        fixture.clickCell(QStringLiteral("lstUpdateColumns"), row, 0);
    // "false" as first written, "True" after a click, and a text written by hand.
    fixture.clickCell(QStringLiteral("lstUpdateColumns"), 1, 1);
    grid->setCellText(2, 1, QStringLiteral("true"));
    fixture.click(QStringLiteral("cmdUpdateGo"));
    QCOMPARE(fixture.backend.saved.size(), 1);
    QCOMPARE(fixture.backend.saved.first().saveOldValue, (QList<bool>{false, true, true}));
}

void AuditSaveTest::sqlBaseNameIsUpperCasedBeforeGoReadsIt() {
    MainWindowFixture fixture(sqlBaseTraits());
    QVERIFY(fixture.open());
    auto* name = fixture.find<QLineEdit>(QStringLiteral("txtNewTableName"));
    name->setFocus();
    QTRY_VERIFY(name->hasFocus());
    QTest::keyClicks(name, QStringLiteral("orders_2"));
    // Pressing GO takes the focus from the name box first.
    fixture.click(QStringLiteral("cmdGo"));
    QCOMPARE(fixture.backend.saved.size(), 1);
    QCOMPARE(fixture.backend.saved.first().name, QStringLiteral("ORDERS_2"));
}

void AuditSaveTest::savedAuditEmptiesTheTabBeforeTheListIsReloaded() {
    MainWindowFixture fixture(sqlServerTraits());
    QVERIFY(fixture.open());
    fillInsertDeleteTab(fixture);
    fixture.backend.saveResults.push_back(saved());
    QStringList atReload;
    fixture.backend.whenListingAudits = [&] {
        atReload << fixture.find<QLineEdit>(QStringLiteral("txtNewTableName"))->text()
                 << QString::number(fixture.grid(QStringLiteral("grdCriteria"))->rowCount());
    };
    fixture.backend.auditRows.push_back(textRow({"OrdGone", "deleted big orders", "Y", "ORDERS"}));
    fixture.click(QStringLiteral("cmdGo"));

    QCOMPARE(fixture.backend.calls.mid(fixture.backend.calls.size() - 2),
             (QStringList{QStringLiteral("save(OrdGone)"), QStringLiteral("listAudits")}));
    QCOMPARE(atReload, (QStringList{QString(), QStringLiteral("1")}));
    QCOMPARE(fixture.grid(QStringLiteral("grdInstalledAudits"))->rowCount(), 4);

    QCOMPARE(MainWindowFixture::chosenTexts(fixture.list(QStringLiteral("lstColumns"))),
             QStringList{});
    QCOMPARE(fixture.list(QStringLiteral("lstColumns"))->count(), 3);
    QCOMPARE(fixture.list(QStringLiteral("lstAuditableTables"))->selectedItems().size(), 0);
    QCOMPARE(fixture.find<QLineEdit>(QStringLiteral("txtDescription"))->text(), QString());
    QVERIFY(fixture.find<QRadioButton>(QStringLiteral("optNormallyOn"))->isChecked());
    QVERIFY(fixture.find<QRadioButton>(QStringLiteral("optAnd"))->isChecked());
    QVERIFY(fixture.find<QGroupBox>(QStringLiteral("Frame4"))->isEnabled());
    QVERIFY(fixture.find<QGroupBox>(QStringLiteral("Frame6"))->isEnabled());
    QCOMPARE(fixture.combo(QStringLiteral("cboConditionalColumns"))->count(), 0);
    QCOMPARE(fixture.find<QLineEdit>(QStringLiteral("txtCriteria"))->text(), QString());
    // The kind of audit is not part of the clearing.
    QVERIFY(fixture.find<QRadioButton>(QStringLiteral("optDelete"))->isChecked());
    QVERIFY(fixture.messages.shown().isEmpty());
}

void AuditSaveTest::savedUpdateAuditEmptiesItsTabOnly() {
    MainWindowFixture fixture(sqlServerTraits());
    QVERIFY(fixture.open());
    fillInsertDeleteTab(fixture);
    fillUpdateTab(fixture);
    fixture.backend.saveResults.push_back(saved());
    fixture.click(QStringLiteral("cmdUpdateGo"));

    QCOMPARE(fixture.backend.calls.last(), QStringLiteral("listAudits"));
    QCOMPARE(fixture.grid(QStringLiteral("lstUpdateColumns"))->selectedCount(), 0);
    QCOMPARE(fixture.grid(QStringLiteral("lstUpdateColumns"))->rowCount(), 3);
    QCOMPARE(fixture.list(QStringLiteral("lstUpdateFieldsChanged"))->count(), 0);
    QCOMPARE(fixture.find<QLineEdit>(QStringLiteral("txtUpdateNewTableName"))->text(), QString());
    QCOMPARE(MainWindowFixture::gridRows(fixture.grid(QStringLiteral("grdUpdateCriteria"))),
             QStringList{QStringLiteral("|||")});
    QCOMPARE(fixture.combo(QStringLiteral("cboUpdateConditionalColumns"))->count(), 0);

    // The other tab keeps its entries, its mode among them.
    QCOMPARE(fixture.find<QLineEdit>(QStringLiteral("txtNewTableName"))->text(),
             QStringLiteral("OrdGone"));
    QVERIFY(fixture.find<QRadioButton>(QStringLiteral("optNormallyOff"))->isChecked());
    QCOMPARE(fixture.grid(QStringLiteral("grdCriteria"))->rowCount(), 3);
}

void AuditSaveTest::notSavedKeepsEverythingAndReloadsNothing() {
    MainWindowFixture fixture(sqlServerTraits());
    QVERIFY(fixture.open());
    fillInsertDeleteTab(fixture);
    fixture.backend.saveResults.push_back(notSaved());
    fixture.click(QStringLiteral("cmdGo"));
    fillUpdateTab(fixture);
    fixture.backend.saveResults.push_back(notSaved());
    fixture.click(QStringLiteral("cmdUpdateGo"));

    QCOMPARE(fixture.backend.calls.count(QStringLiteral("listAudits")), 0);
    QCOMPARE(fixture.backend.saved.size(), 2);
    // Pressing GO again hands over the very same definitions.
    fixture.click(QStringLiteral("cmdUpdateGo"));
    fixture.showTab(0);
    fixture.click(QStringLiteral("cmdGo"));
    QCOMPARE(fixture.backend.saved.size(), 4);
    QCOMPARE(fixture.backend.saved[2], fixture.backend.saved[1]);
    QCOMPARE(fixture.backend.saved[3], fixture.backend.saved[0]);
    QVERIFY(!fixture.find<QGroupBox>(QStringLiteral("Frame6"))->isEnabled());
}

void AuditSaveTest::refusedColumnIsUnchosenWhateverTheOutcome() {
    MainWindowFixture fixture(sqlServerTraits());
    QVERIFY(fixture.open());
    fillInsertDeleteTab(fixture);
    fixture.backend.saveResults.push_back(notSaved(QStringLiteral("AMOUNT")));
    fixture.click(QStringLiteral("cmdGo"));
    QCOMPARE(MainWindowFixture::chosenTexts(fixture.list(QStringLiteral("lstColumns"))),
             QStringList{QStringLiteral("ORDNO")});
    QCOMPARE(fixture.find<QLineEdit>(QStringLiteral("txtNewTableName"))->text(),
             QStringLiteral("OrdGone"));

    fixture.backend.saveResults.push_back(saved(QStringLiteral("ORDNO")));
    fixture.click(QStringLiteral("cmdGo"));
    QCOMPARE(fixture.backend.saved.last().columns, QStringList{QStringLiteral("ORDNO")});
    QCOMPARE(MainWindowFixture::chosenTexts(fixture.list(QStringLiteral("lstColumns"))),
             QStringList{});
    QCOMPARE(fixture.backend.calls.last(), QStringLiteral("listAudits"));
}

void AuditSaveTest::refusedUpdateColumnKeepsItsChangedFieldEntry() {
    MainWindowFixture fixture(sqlServerTraits());
    QVERIFY(fixture.open());
    fillUpdateTab(fixture);
    fixture.backend.saveResults.push_back(notSaved(QStringLiteral("AMOUNT")));
    fixture.click(QStringLiteral("cmdUpdateGo"));
    Grid* grid = fixture.grid(QStringLiteral("lstUpdateColumns"));
    QCOMPARE(grid->selectedCount(), 1);
    QVERIFY(grid->isRowSelected(0));
    QCOMPARE(MainWindowFixture::itemTexts(fixture.list(QStringLiteral("lstUpdateFieldsChanged"))),
             (QStringList{QStringLiteral("AMOUNT"), QStringLiteral("ORDNO")}));
}

} // namespace quorvex::testing

int runAuditSaveTests(int argc, char** argv) {
    quorvex::testing::AuditSaveTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "AuditSaveTest.moc"
