#include "MainWindowFixture.h"
#include "MainWindowTests.h"

#include "components/Grid.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace quorvex::testing {

namespace {

const QString Audits = QStringLiteral("grdInstalledAudits");
const QString DeleteQuestion =
    QStringLiteral("Are you sure you want to delete this Audit from the database?");

// Rows 0 to 2 selected by mouse (a click and a shift-click); the grid's current row is then 2.
void selectAllThreeRows(MainWindowFixture& fixture) {
    fixture.clickCell(Audits, 0, 0);
    fixture.clickCell(Audits, 2, 0, Qt::ShiftModifier);
    QCOMPARE(fixture.grid(Audits)->selectedCount(), 3);
}

QStringList callsAfterLoad(const MainWindowFixture& fixture) {
    return fixture.backend.calls.mid(1);
}

} // namespace

class InstalledAuditsTabTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // --- SQL Server: the current row ---
    void sqlServerActsOnTheCurrentRowOnly();
    void sqlServerWithoutACurrentRowDoesNothing();
    void sqlServerDeleteAsksAndDeletesOnYesOnly();

    // --- SQLBase: every selected row ---
    void sqlBaseActsOnEverySelectedRowAtOnce();
    void sqlBaseWithoutSelectedRowsStillReloads();
    void sqlBaseDeleteAsksOnceAndPassesTheAnswer();
    void sqlBaseDeleteOnAnEmptyGridAsksNothing();
    void sqlBaseDeleteEndsWhenTheBackendCannotPrepare();

    // --- both ---
    void viewHandsOverTheGridAndTheWindow();
    void purgeExportNeedsASelectedRow();
    void f12RevealsPanicOnlyWhereTheBackendHasIt();
    void panicButtonRunsTheBackendsPanic();
    void closingTheWindowShutsTheBackendDownOnce();
};

void InstalledAuditsTabTest::sqlServerActsOnTheCurrentRowOnly() {
    MainWindowFixture fixture(sqlServerTraits());
    QVERIFY(fixture.open());
    fixture.showTab(2);
    Grid* grid = fixture.grid(Audits);
    for (int row = 0; row < 3; ++row)
        grid->setRowSelected(row, true);
    grid->setCurrentCell(1, 0);

    fixture.click(QStringLiteral("cmdDisable"));
    QCOMPARE(callsAfterLoad(fixture), QStringList{QStringLiteral("disable(Items)")});

    // The reload left no current row: pick one by mouse.
    fixture.clickCell(Audits, 2, 3);
    fixture.click(QStringLiteral("cmdEnable"));
    selectAllThreeRows(fixture);
    fixture.messages.answerNext(true);
    fixture.click(QStringLiteral("CmdDelete"));
    QCOMPARE(
        callsAfterLoad(fixture),
        (QStringList{QStringLiteral("disable(Items)"), QStringLiteral("enable(Customers)"),
                     QStringLiteral("prepareDelete"), QStringLiteral("delete(Customers;Yes)")}));
}

void InstalledAuditsTabTest::sqlServerWithoutACurrentRowDoesNothing() {
    MainWindowFixture fixture(sqlServerTraits());
    QVERIFY(fixture.open());
    fixture.showTab(2);
    QCOMPARE(fixture.grid(Audits)->currentRow(), Grid::NoCurrentRow);
    fixture.grid(Audits)->setRowSelected(0, true);
    for (const char* button : {"cmdDisable", "cmdEnable", "CmdDelete"})
        fixture.click(QString::fromLatin1(button));
    QCOMPARE(callsAfterLoad(fixture), QStringList{});
    QVERIFY(fixture.messages.shown().isEmpty());
}

void InstalledAuditsTabTest::sqlServerDeleteAsksAndDeletesOnYesOnly() {
    MainWindowFixture fixture(sqlServerTraits());
    QVERIFY(fixture.open());
    fixture.showTab(2);
    fixture.clickCell(Audits, 0, 1);
    fixture.messages.answerNext(false);
    fixture.click(QStringLiteral("CmdDelete"));
    // No: nothing deleted, nothing reloaded; the row is still current.
    QCOMPARE(callsAfterLoad(fixture), QStringList{QStringLiteral("prepareDelete")});
    QCOMPARE(fixture.grid(Audits)->currentRow(), 0);

    fixture.messages.answerNext(true);
    fixture.click(QStringLiteral("CmdDelete"));
    QCOMPARE(callsAfterLoad(fixture),
             (QStringList{QStringLiteral("prepareDelete"), QStringLiteral("prepareDelete"),
                          QStringLiteral("delete(Orders;Yes)")}));
    QCOMPARE(fixture.messages.shown().size(), 2);
    for (const ShownMessage& question : fixture.messages.shown()) {
        QCOMPARE(question.kind, ShownMessage::Kind::Question);
        QCOMPARE(question.text, DeleteQuestion);
        QCOMPARE(question.icon, MessageIcon::None);
    }
}

void InstalledAuditsTabTest::sqlBaseActsOnEverySelectedRowAtOnce() {
    MainWindowFixture fixture(sqlBaseTraits());
    QVERIFY(fixture.open());
    fixture.showTab(2);
    selectAllThreeRows(fixture);
    fixture.click(QStringLiteral("cmdDisable"));
    // The reload cleared the marks; choose two rows with the Ctrl key.
    fixture.clickCell(Audits, 0, 2);
    fixture.clickCell(Audits, 2, 2, Qt::ControlModifier);
    fixture.click(QStringLiteral("cmdEnable"));
    QCOMPARE(callsAfterLoad(fixture),
             (QStringList{QStringLiteral("disable(ZOTA_ORDERS,ZOTA_ITEMS,ZOTA_CUSTOMERS)"),
                          QStringLiteral("enable(ZOTA_ORDERS,ZOTA_CUSTOMERS)")}));
    QVERIFY(fixture.messages.shown().isEmpty());
}

void InstalledAuditsTabTest::sqlBaseWithoutSelectedRowsStillReloads() {
    MainWindowFixture fixture(sqlBaseTraits());
    QVERIFY(fixture.open());
    fixture.showTab(2);
    fixture.click(QStringLiteral("cmdDisable"));
    fixture.click(QStringLiteral("cmdEnable"));
    QCOMPARE(callsAfterLoad(fixture),
             (QStringList{QStringLiteral("disable()"), QStringLiteral("enable()")}));
}

void InstalledAuditsTabTest::sqlBaseDeleteAsksOnceAndPassesTheAnswer() {
    MainWindowFixture fixture(sqlBaseTraits());
    QVERIFY(fixture.open());
    fixture.showTab(2);
    selectAllThreeRows(fixture);
    fixture.messages.answerNext(false);
    fixture.click(QStringLiteral("CmdDelete"));
    selectAllThreeRows(fixture);
    fixture.messages.answerNext(true);
    fixture.click(QStringLiteral("CmdDelete"));
    QCOMPARE(callsAfterLoad(fixture),
             (QStringList{QStringLiteral("prepareDelete"),
                          QStringLiteral("delete(ZOTA_ORDERS,ZOTA_ITEMS,ZOTA_CUSTOMERS;No)"),
                          QStringLiteral("prepareDelete"),
                          QStringLiteral("delete(ZOTA_ORDERS,ZOTA_ITEMS,ZOTA_CUSTOMERS;Yes)")}));
    QCOMPARE(fixture.messages.texts(), (QStringList{DeleteQuestion, DeleteQuestion}));
    QCOMPARE(fixture.messages.unansweredQuestions(), 0);
}

void InstalledAuditsTabTest::sqlBaseDeleteOnAnEmptyGridAsksNothing() {
    MainWindowFixture fixture(sqlBaseTraits());
    fixture.backend.auditRows.clear();
    QVERIFY(fixture.open());
    fixture.showTab(2);
    fixture.click(QStringLiteral("CmdDelete"));
    QCOMPARE(callsAfterLoad(fixture),
             (QStringList{QStringLiteral("prepareDelete"), QStringLiteral("delete(;No)")}));
    QVERIFY(fixture.messages.shown().isEmpty());
}

void InstalledAuditsTabTest::sqlBaseDeleteEndsWhenTheBackendCannotPrepare() {
    MainWindowFixture fixture(sqlBaseTraits());
    QVERIFY(fixture.open());
    fixture.showTab(2);
    fixture.backend.deleteMayGoOn = false;
    selectAllThreeRows(fixture);
    fixture.click(QStringLiteral("CmdDelete"));
    QCOMPARE(callsAfterLoad(fixture), QStringList{QStringLiteral("prepareDelete")});
    QVERIFY(fixture.messages.shown().isEmpty());
}

void InstalledAuditsTabTest::viewHandsOverTheGridAndTheWindow() {
    MainWindowFixture fixture(sqlServerTraits());
    QVERIFY(fixture.open());
    fixture.showTab(2);
    fixture.clickCell(Audits, 1, 0);
    fixture.click(QStringLiteral("cmdView"));
    QCOMPARE(callsAfterLoad(fixture), QStringList{QStringLiteral("view")});
    QCOMPARE(fixture.backend.owners, QList<QWidget*>{fixture.window.get()});
}

void InstalledAuditsTabTest::purgeExportNeedsASelectedRow() {
    MainWindowFixture fixture(sqlBaseTraits());
    QVERIFY(fixture.open());
    fixture.showTab(2);
    fixture.click(QStringLiteral("cmdExport"));
    QCOMPARE(callsAfterLoad(fixture), QStringList{});

    fixture.clickCell(Audits, 1, 1);
    fixture.click(QStringLiteral("cmdExport"));
    QCOMPARE(callsAfterLoad(fixture), QStringList{QStringLiteral("export")});
    QCOMPARE(fixture.backend.owners, QList<QWidget*>{fixture.window.get()});
}

void InstalledAuditsTabTest::f12RevealsPanicOnlyWhereTheBackendHasIt() {
    MainWindowFixture sqlBase(sqlBaseTraits());
    QVERIFY(sqlBase.open());
    auto* panic = sqlBase.find<QPushButton>(QStringLiteral("cmdPanic"));
    // Other keys do nothing; F12 in a control of another tab reveals the button.
    auto* name = sqlBase.find<QLineEdit>(QStringLiteral("txtNewTableName"));
    QTest::keyClick(name, Qt::Key_F11);
    QVERIFY(panic->isHidden());
    QTest::keyClick(name, Qt::Key_F12);
    QVERIFY(!panic->isHidden());
    QCOMPARE(name->text(), QString());
    sqlBase.showTab(2);
    QVERIFY(panic->isVisible());
    // It stays, whatever comes after.
    QTest::keyClick(sqlBase.grid(Audits), Qt::Key_F12);
    sqlBase.showTab(0);
    sqlBase.showTab(2);
    QVERIFY(panic->isVisible());

    MainWindowFixture sqlServer(sqlServerTraits());
    QVERIFY(sqlServer.open());
    QTest::keyClick(sqlServer.find<QLineEdit>(QStringLiteral("txtNewTableName")), Qt::Key_F12);
    QTest::keyClick(sqlServer.window.get(), Qt::Key_F12);
    sqlServer.showTab(2);
    QVERIFY(sqlServer.find<QPushButton>(QStringLiteral("cmdPanic"))->isHidden());
}

void InstalledAuditsTabTest::panicButtonRunsTheBackendsPanic() {
    MainWindowFixture fixture(sqlBaseTraits());
    QVERIFY(fixture.open());
    fixture.showTab(2);
    QTest::keyClick(fixture.grid(Audits), Qt::Key_F12);
    fixture.click(QStringLiteral("cmdPanic"));
    QCOMPARE(callsAfterLoad(fixture), QStringList{QStringLiteral("panic")});
}

void InstalledAuditsTabTest::closingTheWindowShutsTheBackendDownOnce() {
    MainWindowFixture fixture(sqlBaseTraits());
    QVERIFY(fixture.open());
    QVERIFY(fixture.window->close());
    fixture.window->close();
    QCOMPARE(callsAfterLoad(fixture), QStringList{QStringLiteral("shutdown")});
}

} // namespace quorvex::testing

int runInstalledAuditsTabTests(int argc, char** argv) {
    quorvex::testing::InstalledAuditsTabTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "InstalledAuditsTabTest.moc"
