#include "MainWindowFixture.h"
#include "sqlbase/SqlBaseBackend.h"

#include <QPushButton>

namespace quorvex::testing {

namespace {

const QString NotChosen =
    QStringLiteral("This field must also be chosen in the columns list box above");
const QString DeleteQuestion =
    QStringLiteral("Are you sure you want to delete this Audit from the database?");
const QString Audits = QStringLiteral("grdInstalledAudits");

const QString TableLists[2] = {"lstAuditableTables", "lstUpdateAuditableTables"};

void chooseColumn(MainWindowFixture& fixture, int tab, int row) {
    if (tab == 0)
        fixture.clickItem("lstColumns", row);
    else
        fixture.clickCell("lstUpdateColumns", row, 0);
}

// ORDERS listed on the tab, the given columns (by row) chosen.
void chooseOrdersColumns(MainWindowFixture& fixture, int tab, const QList<int>& rows) {
    fixture.showTab(tab);
    fixture.clickItem(TableLists[tab], 0);
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
    // A condition's column must be chosen above.
    void addNeedsTheColumnChosenAbove() {
        MainWindowFixture fixture(sqlServerTraits());
        QVERIFY(fixture.open());
        chooseOrdersColumns(fixture, 0, {0});
        fixture.addCondition(0, "AMOUNT", "100");
        QCOMPARE(fixture.messages.texts(), QStringList{NotChosen});
        QCOMPARE(fixture.messages.shown().first().icon, MessageIcon::Critical);
        QCOMPARE(fixture.rows("grdCriteria"), QStringList{"|||"});
        chooseColumn(fixture, 0, 2);
        fixture.click("cmdAdd");
        QCOMPARE(fixture.messages.texts(), QStringList{NotChosen});
        QCOMPARE(fixture.rows("grdCriteria"), (QStringList{"|AMOUNT|=|100", "|||"}));
    }

    // --- GO ---
    void goHandsTheInsertDeleteTabOverUnchoosesARefusedColumnAndEmptiesTheTabWhenSaved() {
        MainWindowFixture fixture(sqlServerTraits());
        QVERIFY(fixture.open());
        fillInsertDeleteTab(fixture);
        fixture.backend.saveResults.push_back({SaveResult::Outcome::NotSaved, "AMOUNT"});
        fixture.click("cmdGo");
        // What the definition does is recorded end to end; here the columns in table order.
        QCOMPARE(fixture.backend.saved.size(), 1);
        QCOMPARE(fixture.backend.saved[0].columns, (QStringList{"ORDNO", "AMOUNT"}));
        QCOMPARE(fixture.backend.saved[0].conditions.size(), 3);
        // The refused column is unchosen whatever the outcome.
        QCOMPARE(fixture.chosen("lstColumns"), QStringList{"ORDNO"});
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
        QCOMPARE(fixture.chosen("lstAuditableTables") + fixture.chosen("lstColumns"),
                 QStringList{});
        QCOMPARE(fixture.text("txtDescription"), QString());
        QCOMPARE(fixture.rows("grdCriteria"), QStringList{"|||"});
        QVERIFY(fixture.messages.shown().isEmpty());
    }

    // Who made a change is offered and handed over only where the back end can record it.
    void theOptionBoxesAreHandedOverAndWhoIsOfferedOnlyWhereRecorded() {
        for (const bool sqlBase : {false, true}) {
            MainWindowFixture fixture(sqlBase ? sqlBaseTraits() : sqlServerTraits());
            QVERIFY(fixture.open());
            QCOMPARE(fixture.enabled("chkRecordWho"), !sqlBase);
            fillUpdateTab(fixture);
            fixture.click("chkUpdateRecordWho");
            fixture.click("chkUpdateChangedValuesOnly");
            fixture.click("cmdUpdateGo");
            QCOMPARE(fixture.backend.saved.size(), 1);
            QCOMPARE(fixture.backend.saved[0].recordWho, !sqlBase);
            QVERIFY(fixture.backend.saved[0].changedValuesOnly);
        }
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
        // No: nothing deleted, nothing reloaded; the row is still current.
        fixture.clickCell(Audits, 0, 1);
        fixture.messages.answerNext(false);
        fixture.click("CmdDelete");
        QCOMPARE(grid->currentRow(), 0);
        selectAllThreeAudits(fixture);
        fixture.messages.answerNext(true);
        fixture.click("CmdDelete");
        QCOMPARE(fixture.callsAfterLoad(),
                 (QStringList{"disable(Items)", "prepareDelete", "prepareDelete",
                              "release(Customers)", "delete(Customers;Yes)"}));
        QCOMPARE(fixture.messages.texts(), (QStringList{DeleteQuestion, DeleteQuestion}));
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
