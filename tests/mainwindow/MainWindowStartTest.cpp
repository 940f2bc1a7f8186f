#include "MainWindowFixture.h"
#include "MainWindowTests.h"

#include "components/Grid.h"
#include "shell/Twips.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

namespace quorvex::testing {

namespace {

// Where a control sits in its tab, whatever widgets lie between.
QRect placeInTab(const QWidget* control, const QWidget* tab) {
    return QRect(control->mapTo(tab, QPoint(0, 0)), control->size());
}

bool isMonospace(const QWidget* control) {
    const QFontMetrics metrics(control->font());
    return metrics.horizontalAdvance(QStringLiteral("iiiiiiii")) ==
           metrics.horizontalAdvance(QStringLiteral("MMMMMMMM"));
}

} // namespace

class MainWindowStartTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void windowTakesTheBackendsNameTitleAndSize();
    void threeTabsInOneRowOpenOnTheFirst();
    void controlsSitAtTheirTwipsPositions_data();
    void controlsSitAtTheirTwipsPositions();
    void operatorOptionsAreStacked360TwipsApart();
    void criteriaGridsStayInsideTheShorterSqlBaseWindow();
    void captionsAreTheSystemsOwn_data();
    void captionsAreTheSystemsOwn();
    void labelsAreBoldAndEntriesMonospaceBlueOnGrey();
    void startListsTheBackendsTablesOnBothTabsInItsOrder();
    void failingLoadMeansTheWindowIsNotShown();
    void windowOpensWithTheDefaultChoices();
    void sqlServerNamesTake25CharactersAsTyped();
    void sqlBaseNamesTake13CharactersUpperCasedOnLeaving();
    void descriptionsTakeAtMost200Characters();
    void tooltipsOnlyOnSqlBase();
    void addButtonsShowTheArrowOnlyOnSqlServer();
};

void MainWindowStartTest::windowTakesTheBackendsNameTitleAndSize() {
    MainWindowFixture sqlServer(sqlServerTraits());
    QVERIFY(sqlServer.open());
    QCOMPARE(sqlServer.window->objectName(), QStringLiteral("frmSqlMain"));
    QCOMPARE(sqlServer.window->windowTitle(), QStringLiteral("Quorvex"));
    QCOMPARE(sqlServer.window->size(), QSize(730, 631));
    QCOMPARE(sqlServer.window->minimumSize(), sqlServer.window->maximumSize());

    MainWindowFixture sqlBase(sqlBaseTraits());
    QVERIFY(sqlBase.open());
    QCOMPARE(sqlBase.window->objectName(), QStringLiteral("FRMCENMAIN"));
    QCOMPARE(sqlBase.window->windowTitle(), QStringLiteral("Quorvex"));
    QCOMPARE(sqlBase.window->size(), QSize(730, 601));
}

void MainWindowStartTest::threeTabsInOneRowOpenOnTheFirst() {
    MainWindowFixture fixture(sqlServerTraits());
    QVERIFY(fixture.open());
    QTabWidget* tabs = fixture.find<QTabWidget>(QStringLiteral("SSTab1"));
    QVERIFY(tabs != nullptr);
    QCOMPARE(tabs->count(), 3);
    QCOMPARE(tabs->tabText(0), QStringLiteral("Insert/Delete Audits"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("Update Audits"));
    QCOMPARE(tabs->tabText(2), QStringLiteral("Installed Audits"));
    QCOMPARE(tabs->widget(0)->objectName(), QStringLiteral("Frame1"));
    QCOMPARE(tabs->widget(1)->objectName(), QStringLiteral("Frame5"));
    QCOMPARE(tabs->widget(2)->objectName(), QStringLiteral("Frame2"));
    QCOMPARE(tabs->currentIndex(), 0);
    QCOMPARE(tabs->geometry(), fixture.window->rect());
}

void MainWindowStartTest::controlsSitAtTheirTwipsPositions_data() {
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");

    const auto row = [](int tab, const char* name, int left, int top, int width, int height) {
        QTest::newRow(name) << tab << QString::fromLatin1(name) << QRect(left, top, width, height);
    };
    row(0, "txtNewTableName", 240, 360, 2295, 285);
    row(0, "txtDescription", 2760, 360, 7575, 285);
    row(0, "lstAuditableTables", 360, 1200, 2655, 3435);
    row(0, "lstColumns", 3240, 1200, 2655, 3435);
    row(0, "Frame3", 6120, 720, 4095, 1215);
    row(0, "cmdGo", 6240, 2160, 1095, 375);
    row(0, "cmdClear", 7440, 2160, 1095, 375);
    row(0, "Frame4", 360, 5160, 2655, 1215);
    row(0, "cboConditionalColumns", 3240, 5760, 2295, 345);
    row(0, "txtCriteria", 7560, 5760, 2535, 285);
    row(0, "cmdAdd", 5040, 6240, 495, 735);
    row(0, "Frame6", 360, 6480, 2655, 615);
    row(0, "grdCriteria", 480, 7200, 9615, 1455);
    row(1, "txtUpdateNewTableName", 240, 360, 2295, 285);
    row(1, "txtUpdateDescription", 2760, 360, 7575, 285);
    row(1, "lstUpdateAuditableTables", 360, 1200, 2655, 3435);
    row(1, "lstUpdateColumns", 3120, 1200, 3735, 3495);
    row(1, "lstUpdateFieldsChanged", 6960, 1200, 3135, 2535);
    row(1, "cmdUpdateGo", 7320, 3960, 1095, 375);
    row(1, "cmdUpdateClear", 8520, 3960, 1095, 375);
    row(1, "UpdateFrame4", 360, 5160, 2655, 1215);
    row(1, "cboUpdateConditionalColumns", 3240, 5760, 2295, 345);
    row(1, "txtUpdateCriteria", 7560, 5760, 2535, 285);
    row(1, "cmdUpdateAdd", 5040, 6240, 495, 735);
    row(1, "Frame7", 360, 6480, 2655, 615);
    row(1, "grdUpdateCriteria", 480, 7200, 9615, 1455);
    row(2, "grdInstalledAudits", 240, 360, 9975, 6615);
    row(2, "cmdDisable", 240, 7200, 975, 495);
    row(2, "cmdEnable", 1320, 7200, 975, 495);
    row(2, "CmdDelete", 2400, 7200, 975, 495);
    row(2, "cmdView", 3480, 7200, 975, 495);
    row(2, "cmdExport", 4560, 7200, 1095, 495);
    row(2, "cmdPanic", 8880, 7200, 1095, 495);
}

void MainWindowStartTest::controlsSitAtTheirTwipsPositions() {
    QFETCH(int, tab);
    QFETCH(QString, name);
    QFETCH(QRect, twips);

    MainWindowFixture fixture(sqlServerTraits());
    QVERIFY(fixture.open());
    QWidget* page = fixture.window->tabs()->widget(tab);
    auto* control = page->findChild<QWidget*>(name);
    QVERIFY(control != nullptr);
    QCOMPARE(placeInTab(control, page),
             rectFromTwips(twips.x(), twips.y(), twips.width(), twips.height()));
}

void MainWindowStartTest::operatorOptionsAreStacked360TwipsApart() {
    MainWindowFixture fixture(sqlServerTraits());
    QVERIFY(fixture.open());
    const QStringList tab0{QStringLiteral("optEqual"), QStringLiteral("optNotEqual"),
                           QStringLiteral("OptGreater"), QStringLiteral("optLessThan")};
    const QStringList tab1{QStringLiteral("optUpdateEqual"), QStringLiteral("optUpdateNotEqual"),
                           QStringLiteral("OptUpdateGreater"), QStringLiteral("optUpdateLessThan")};
    for (int tab = 0; tab < 2; ++tab) {
        QWidget* page = fixture.window->tabs()->widget(tab);
        const QStringList& names = tab == 0 ? tab0 : tab1;
        for (int i = 0; i < names.size(); ++i) {
            auto* option = page->findChild<QRadioButton*>(names[i]);
            QVERIFY2(option != nullptr, qPrintable(names[i]));
            QCOMPARE(placeInTab(option, page).topLeft(),
                     QPoint(twipsToPixels(5880), twipsToPixels(5400 + 360 * i)));
        }
    }
}

void MainWindowStartTest::criteriaGridsStayInsideTheShorterSqlBaseWindow() {
    MainWindowFixture fixture(sqlBaseTraits());
    QVERIFY(fixture.open());
    for (int tab = 0; tab < 2; ++tab) {
        fixture.showTab(tab);
        QWidget* page = fixture.window->tabs()->widget(tab);
        Grid* grid = fixture.grid(tab == 0 ? QStringLiteral("grdCriteria")
                                           : QStringLiteral("grdUpdateCriteria"));
        const QRect place = placeInTab(grid, page);
        QVERIFY(place.bottom() < page->height());
        // Only the height gives way, and not so far that the conditions cannot be seen.
        QCOMPARE(place.topLeft(), rectFromTwips(480, 7200, 9615, 1455).topLeft());
        QCOMPARE(place.width(), twipsToPixels(9615));
        QVERIFY(place.height() >= 3 * grid->verticalHeader()->defaultSectionSize());
    }
}

void MainWindowStartTest::captionsAreTheSystemsOwn_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    const auto row = [](const char* name, const char* caption) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(caption);
    };
    row("Label4", "Audit Name");
    row("Label5", "Description");
    row("Label1", "Visual Tables");
    row("Label3", "Columns");
    row("Label2", "When to Audit");
    row("optInsert", "Inserting a new record");
    row("optDelete", "Deleting a record");
    row("cmdGo", "GO");
    row("cmdClear", "RESET");
    row("Label6", "Conditional Processing");
    row("optNormallyOff", "Audit only when");
    row("optNormallyOn", "Audit always except if");
    row("Label7", "This field is");
    row("optEqual", "Equal to");
    row("optNotEqual", "Not Equal");
    row("OptGreater", "Greater Than");
    row("optLessThan", "Less Than");
    row("Label8", "This value");
    row("cmdAdd", "Add");
    row("optAnd", "AND");
    row("optOr", "OR");
    row("Label4u", "Audit Name");
    row("Label5u", "Description");
    row("Label1u", "Visual Tables");
    row("Label3u", "Columns");
    row("Label10", "Save old value?");
    row("Label9", "If these fields changed");
    row("cmdUpdateGo", "GO");
    row("cmdUpdateClear", "RESET");
    row("Label6u", "Conditional Processing");
    row("optUpdateNormallyOff", "Audit only when");
    row("optUpdateNormallyOn", "Audit always except if");
    row("Label7u", "This field is");
    row("optUpdateEqual", "Equal to");
    row("optUpdateNotEqual", "Not Equal");
    row("OptUpdateGreater", "Greater Than");
    row("optUpdateLessThan", "Less Than");
    row("Label8u", "This value");
    row("cmdUpdateAdd", "Add");
    row("optUpdateAnd", "AND");
    row("optUpdateOr", "OR");
    row("cmdDisable", "Disable");
    row("cmdEnable", "Enable");
    row("CmdDelete", "Delete");
    row("cmdView", "View");
    row("cmdExport", "Purge/Export");
    row("cmdPanic", "Panic");
}

void MainWindowStartTest::captionsAreTheSystemsOwn() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    MainWindowFixture fixture(sqlServerTraits());
    QVERIFY(fixture.open());
    QWidget* control = fixture.find<QWidget>(name);
    QVERIFY(control != nullptr);
    if (auto* label = qobject_cast<QLabel*>(control))
        QCOMPARE(label->text(), caption);
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
        QCOMPARE(button->text(), caption);
    else
        QFAIL("neither a label nor a button");
}

void MainWindowStartTest::labelsAreBoldAndEntriesMonospaceBlueOnGrey() {
    MainWindowFixture fixture(sqlServerTraits());
    QVERIFY(fixture.open());
    for (const char* name : {"Label1", "Label6", "Label10", "optInsert", "optUpdateOr"}) {
        QWidget* control = fixture.find<QWidget>(QString::fromLatin1(name));
        QVERIFY2(control != nullptr && control->font().bold(), name);
    }
    for (const char* name :
         {"txtNewTableName", "txtDescription", "lstAuditableTables", "lstColumns",
          "cboConditionalColumns", "txtCriteria", "txtUpdateNewTableName", "lstUpdateFieldsChanged",
          "cboUpdateConditionalColumns", "txtUpdateCriteria"}) {
        QWidget* control = fixture.find<QWidget>(QString::fromLatin1(name));
        QVERIFY2(control != nullptr, name);
        QVERIFY2(isMonospace(control), name);
        QCOMPARE(control->palette().color(QPalette::Base), QColor(0xE0, 0xE0, 0xE0));
        QCOMPARE(control->palette().color(QPalette::Text), QColor(0x00, 0x00, 0xFF));
    }
    for (const char* name : {"grdCriteria", "lstUpdateColumns", "grdInstalledAudits"}) {
        Grid* grid = fixture.grid(QString::fromLatin1(name));
        QVERIFY2(grid != nullptr, name);
        QVERIFY2(isMonospace(grid), name);
        QCOMPARE(grid->palette().color(QPalette::Base), QColor(0xE0, 0xE0, 0xE0));
    }
}

void MainWindowStartTest::startListsTheBackendsTablesOnBothTabsInItsOrder() {
    MainWindowFixture fixture(sqlServerTraits());
    fixture.backend.tables =
        QStringList{QStringLiteral("zeta"), QStringLiteral("Alpha"), QStringLiteral("dbo2.mid")};
    QVERIFY(fixture.open());
    QCOMPARE(fixture.backend.calls, QStringList{QStringLiteral("load")});
    const QStringList expected = *fixture.backend.tables;
    QCOMPARE(MainWindowFixture::itemTexts(fixture.list(QStringLiteral("lstAuditableTables"))),
             expected);
    QCOMPARE(MainWindowFixture::itemTexts(fixture.list(QStringLiteral("lstUpdateAuditableTables"))),
             expected);
    // The back end filled the installed-audits grid during the load.
    QCOMPARE(fixture.grid(QStringLiteral("grdInstalledAudits"))->rowCount(), 3);
    QVERIFY(fixture.messages.shown().isEmpty());
}

void MainWindowStartTest::failingLoadMeansTheWindowIsNotShown() {
    MainWindowFixture fixture(sqlServerTraits());
    fixture.backend.tables.reset();
    QVERIFY(!fixture.open());
    QVERIFY(!fixture.window->isVisible());
    QCOMPARE(fixture.backend.calls, QStringList{QStringLiteral("load")});
    QCOMPARE(fixture.list(QStringLiteral("lstAuditableTables"))->count(), 0);

    // A database without tables is a successful start with empty lists.
    MainWindowFixture empty(sqlServerTraits());
    empty.backend.tables = QStringList{};
    QVERIFY(empty.open());
    QCOMPARE(empty.list(QStringLiteral("lstUpdateAuditableTables"))->count(), 0);
}

void MainWindowStartTest::windowOpensWithTheDefaultChoices() {
    MainWindowFixture fixture(sqlServerTraits());
    QVERIFY(fixture.open());
    for (const char* name : {"optInsert", "optNormallyOn", "optEqual", "optAnd",
                             "optUpdateNormallyOn", "optUpdateEqual", "optUpdateAnd"}) {
        auto* option = fixture.find<QRadioButton>(QString::fromLatin1(name));
        QVERIFY2(option != nullptr && option->isChecked(), name);
    }
    for (const char* name : {"Frame4", "Frame6", "UpdateFrame4", "Frame7"})
        QVERIFY2(fixture.find<QGroupBox>(QString::fromLatin1(name))->isEnabled(), name);
    QCOMPARE(MainWindowFixture::gridRows(fixture.grid(QStringLiteral("grdCriteria"))),
             QStringList{QStringLiteral("|||")});
    QCOMPARE(MainWindowFixture::gridRows(fixture.grid(QStringLiteral("grdUpdateCriteria"))),
             QStringList{QStringLiteral("|||")});
    QCOMPARE(fixture.list(QStringLiteral("lstColumns"))->count(), 0);
    QCOMPARE(fixture.combo(QStringLiteral("cboConditionalColumns"))->count(), 0);
    QCOMPARE(fixture.grid(QStringLiteral("lstUpdateColumns"))->rowCount(), 0);
    QVERIFY(fixture.find<QWidget>(QStringLiteral("cmdPanic"))->isHidden());
    QCOMPARE(fixture.list(QStringLiteral("lstAuditableTables"))->selectionMode(),
             QAbstractItemView::SingleSelection);
    QCOMPARE(fixture.list(QStringLiteral("lstColumns"))->selectionMode(),
             QAbstractItemView::MultiSelection);
    QCOMPARE(fixture.list(QStringLiteral("lstUpdateFieldsChanged"))->selectionMode(),
             QAbstractItemView::MultiSelection);
}

void MainWindowStartTest::sqlServerNamesTake25CharactersAsTyped() {
    MainWindowFixture fixture(sqlServerTraits());
    QVERIFY(fixture.open());
    fixture.type(QStringLiteral("txtNewTableName"),
                 QStringLiteral("orders_audit_of_the_year_2024"));
    auto* name = fixture.find<QLineEdit>(QStringLiteral("txtNewTableName"));
    fixture.find<QWidget>(QStringLiteral("txtDescription"))->setFocus();
    QCOMPARE(name->text(), QStringLiteral("orders_audit_of_the_year_"));
}

void MainWindowStartTest::sqlBaseNamesTake13CharactersUpperCasedOnLeaving() {
    MainWindowFixture fixture(sqlBaseTraits());
    QVERIFY(fixture.open());
    for (const char* boxName : {"txtNewTableName", "txtUpdateNewTableName"}) {
        fixture.showTab(QByteArray(boxName).contains("Update") ? 1 : 0);
        auto* box = fixture.find<QLineEdit>(QString::fromLatin1(boxName));
        box->setFocus();
        QTRY_VERIFY(box->hasFocus());
        QTest::keyClicks(box, QStringLiteral("orders_audit2x"));
        // The fourteenth character does not get in; the case changes only on leaving.
        QCOMPARE(box->text(), QStringLiteral("orders_audit2"));
        QTest::keyClick(box, Qt::Key_Tab);
        QTRY_VERIFY(!box->hasFocus());
        QCOMPARE(box->text(), QStringLiteral("ORDERS_AUDIT2"));
    }
}

void MainWindowStartTest::descriptionsTakeAtMost200Characters() {
    MainWindowFixture fixture(sqlServerTraits());
    QVERIFY(fixture.open());
    for (const char* name : {"txtDescription", "txtUpdateDescription"})
        QCOMPARE(fixture.find<QLineEdit>(QString::fromLatin1(name))->maxLength(), 200);
}

void MainWindowStartTest::tooltipsOnlyOnSqlBase() {
    const QList<QPair<QString, QString>> tips{
        {QStringLiteral("optOr"),
         QStringLiteral("Any one of the conditions will cause audit to Fire")},
        {QStringLiteral("optAnd"),
         QStringLiteral("All the conditions must match for audit to Fire")},
        {QStringLiteral("txtCriteria"),
         QStringLiteral("The selected field must match this value.")},
        {QStringLiteral("cmdAdd"), QStringLiteral("Add conditional expression")},
        {QStringLiteral("cboConditionalColumns"),
         QStringLiteral("Selection here must also be selected in columns list.")},
        {QStringLiteral("cmdDisable"), QStringLiteral("Disable selected audit")},
        {QStringLiteral("cmdEnable"), QStringLiteral("Enable selected audit")},
        {QStringLiteral("CmdDelete"), QStringLiteral("Deletes the selected audit")},
        {QStringLiteral("cmdView"), QStringLiteral("View the selected audits results")},
        {QStringLiteral("cmdExport"), QStringLiteral("Export and purge the selected audits data")},
    };
    MainWindowFixture sqlBase(sqlBaseTraits());
    QVERIFY(sqlBase.open());
    MainWindowFixture sqlServer(sqlServerTraits());
    QVERIFY(sqlServer.open());
    for (const auto& [name, tip] : tips) {
        QCOMPARE(sqlBase.find<QWidget>(name)->toolTip(), tip);
        QCOMPARE(sqlServer.find<QWidget>(name)->toolTip(), QString());
    }
}

void MainWindowStartTest::addButtonsShowTheArrowOnlyOnSqlServer() {
    MainWindowFixture sqlServer(sqlServerTraits());
    QVERIFY(sqlServer.open());
    MainWindowFixture sqlBase(sqlBaseTraits());
    QVERIFY(sqlBase.open());
    for (const char* name : {"cmdAdd", "cmdUpdateAdd"}) {
        auto* withArrow = sqlServer.find<QToolButton>(QString::fromLatin1(name));
        QVERIFY(!withArrow->icon().isNull());
        QCOMPARE(withArrow->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        auto* captionOnly = sqlBase.find<QToolButton>(QString::fromLatin1(name));
        QCOMPARE(captionOnly->toolButtonStyle(), Qt::ToolButtonTextOnly);
    }
}

} // namespace quorvex::testing

int runMainWindowStartTests(int argc, char** argv) {
    quorvex::testing::MainWindowStartTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MainWindowStartTest.moc"
