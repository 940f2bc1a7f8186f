// The main window's SQL Server back end over the scripted database: the start-up, the tables
// and their columns, the installed-audits actions on the rows the window passes, and the save.
#include "sqlserver/SqlServerBackend.h"

#include "auditdata/AuditDataWindows.h"
#include "auditdata/SqlServerAuditData.h"

#include "SqlServerBackendTests.h"
#include "SqlServerStand.h"
#include "components/Grid.h"
#include "sqlserver/SqlServerConnection.h"

#include <QTest>

using namespace quorvex;
using namespace quorvex::testing;

Q_DECLARE_METATYPE(quorvex::AuditBackend::DeleteAnswer)

namespace {

const QString createCatalog = QStringLiteral(
    "Create Table [tblZOTA_SYSTEM_TABLE] ([AUDIT_NAME] [VARCHAR](20) NOT NULL , "
    "[AUDIT_DESCRIPTION] [VARCHAR] (200) NULL , [ENABLED] [CHAR] (1) NOT NULL, [TRIGGERTABLE] "
    "[CHAR] (100) NOT NULL)");

const QString tablesQuery = SqlServerManager::tablesStatement(QStringLiteral("Sales"));

// Three installed audits; B is the one the tests act on.
std::vector<Row> threeAudits(const char* enabledOfB) {
    return {textRow({"A", "first", "Y", "T1"}), textRow({"B", "second", enabledOfB, "T2"}),
            textRow({"C", "third", "Y", "T3"})};
}

// A logged-in stand whose installed-audits grid holds threeAudits("Y"); the next listing gives
// `reloaded` and the log starts empty.
struct ListedStand : SqlServerStand {
    Grid grid;

    bool listThree(const std::vector<Row>& reloaded) {
        if (!logIn())
            return false;
        database.onQuery(auditListing(), auditFields(), threeAudits("Y"), true);
        scriptAudits(reloaded);
        SqlServerBackend backend(session, services);
        backend.listAudits(grid);
        database.clearLog();
        return grid.rowCount() == 3;
    }
};

} // namespace

class SqlServerBackendTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void theTraitsAreThoseOfFrmSqlMain() {
        SqlServerStand stand;
        SqlServerBackend backend(stand.session, stand.services);
        const MainWindowTraits& traits = backend.traits();

        QCOMPARE(traits.objectName, QString("frmSqlMain"));
        QCOMPARE(traits.nameMaxLength, 25);
        QCOMPARE(traits.columnsListed, ColumnsListedWhen::MouseReleased);
        QCOMPARE(traits.initialOldValueFlag, QString("False"));
        QCOMPARE(traits.installedAuditNameColumn, 0);
        QCOMPARE(traits.installedAuditRows, InstalledAuditRows::CurrentRow);
    }

    // --- start-up ---------------------------------------------------------------------------

    void loadListsTheAuditableTablesInTheServersOrder() {
        SqlServerStand stand;
        QVERIFY(stand.logIn());
        stand.scriptCatalogPresent();
        stand.scriptAudits({textRow({"OrderAudit", "New orders", "Y", "Orders"})});
        stand.scriptTables(
            {textRow({"dbo", "Orders", "0"}), textRow({"dbo", "tblZOTA_OrderAudit", "0"}),
             textRow({"dbo", "tblZOTA_SYSTEM_TABLE", "0"}), textRow({"dbo", "spt_values", "1"}),
             textRow({"dbo", "TBLZOTA_Mixed", "0"}), textRow({"dbo", "tblzota_lower", "0"}),
             textRow({"sales", "Refunds", "0"}), textRow({"dbo", "Customers", "0"})});
        SqlServerBackend backend(stand.session, stand.services);
        Grid grid;

        const std::optional<QStringList> tables = backend.load(grid);

        // System tables and the system's own tblZOTA_ tables stay out; the prefix is matched
        // with letter case.
        QCOMPARE(tables, (std::optional<QStringList>{{"Orders", "TBLZOTA_Mixed", "tblzota_lower",
                                                      "sales.Refunds", "Customers"}}));
        QCOMPARE(stand.database.statements(),
                 (QStringList{SqlServerStand::catalogLookUp(), SqlServerStand::auditListing(),
                              tablesQuery}));
        QCOMPARE(stand.database.connectionStrings(),
                 QStringList{buildSqlServerConnectionString(stand.session.login())});
        QCOMPARE(grid.rowCount(), 1);
        QCOMPARE(stand.messages.texts(), QStringList());
    }

    void loadCreatesAMissingCatalogBeforeListingTheTables() {
        SqlServerStand stand;
        QVERIFY(stand.logIn());
        stand.scriptCatalogMissing();
        stand.scriptTables({textRow({"dbo", "Orders", "0"})});
        SqlServerBackend backend(stand.session, stand.services);
        Grid grid;

        QCOMPARE(backend.load(grid), (std::optional<QStringList>{{"Orders"}}));

        QCOMPARE(stand.database.statements(), QStringList{SqlServerStand::catalogLookUp()} +
                                                  SqlServerStand::batch(createCatalog) +
                                                  QStringList{tablesQuery});
        QCOMPARE(stand.messages.texts(), QStringList());
    }

    void aSharedConnectionThatWillNotOpenFailsTheLoadAtOnce() {
        SqlServerStand stand;
        QVERIFY(stand.logIn());
        const DbErrorList refused = FakeDatabase::error("Login failed for user 'sa'.", 18456);
        stand.database.failOpen(refused);
        SqlServerBackend backend(stand.session, stand.services);
        Grid grid;

        QCOMPARE(backend.load(grid), std::optional<QStringList>());

        QCOMPARE(stand.messages.texts(), QStringList{sqlServerConnectionReport(refused)});
        QCOMPARE(stand.database.statements(), QStringList());
    }

    void aFailingCatalogFailsTheLoadWithoutListingTables() {
        SqlServerStand stand;
        QVERIFY(stand.logIn());
        stand.failCatalogLookUp(FakeDatabase::error("The server is shutting down.", 6005));
        stand.scriptTables({textRow({"dbo", "Orders", "0"})});
        SqlServerBackend backend(stand.session, stand.services);
        Grid grid;

        QCOMPARE(backend.load(grid), std::optional<QStringList>());

        QCOMPARE(stand.messages.texts(),
                 QStringList{"ZOTA_system-1  The server is shutting down."});
        QCOMPARE(stand.database.statements(), QStringList{SqlServerStand::catalogLookUp()});
    }

    void aFailingTableListFailsTheLoadWithTheServersMessage() {
        SqlServerStand stand;
        QVERIFY(stand.logIn());
        stand.scriptCatalogPresent();
        stand.scriptAudits({});
        stand.database.failOn(tablesQuery, FakeDatabase::error("The server is shutting down."));
        SqlServerBackend backend(stand.session, stand.services);
        Grid grid;

        QCOMPARE(backend.load(grid), std::optional<QStringList>());

        QCOMPARE(stand.messages.texts(), QStringList{"The server is shutting down."});
    }

    // --- columns ----------------------------------------------------------------------------

    void theChosenTablesColumnsComeInCatalogueOrderAndItBecomesCurrent() {
        SqlServerStand stand;
        QVERIFY(stand.logIn());
        stand.scriptColumns("Orders", {textRow({"ID", "int", "4", "10", "0", "1"}),
                                       textRow({"CUSTOMER", "nvarchar", "40", "0", "0", "0"}),
                                       textRow({"TOTAL", "decimal", "9", "18", "2", "0"})});
        stand.scriptColumns("Customers", {textRow({"CUSTNO", "int", "4", "10", "0", "1"})});
        SqlServerBackend backend(stand.session, stand.services);

        QCOMPARE(backend.listColumns("Orders"), (QStringList{"ID", "CUSTOMER", "TOTAL"}));
        QCOMPARE(backend.currentTable(), QString("Orders"));
        QCOMPARE(backend.currentColumns(),
                 (ColumnInfoList{{"ID", "int", 4, 10, 0, true},
                                 {"CUSTOMER", "nvarchar", 20, 0, 0, false},
                                 {"TOTAL", "decimal", 9, 18, 2, false}}));

        // The last table chosen on either tab is the current one.
        QCOMPARE(backend.listColumns("Customers"), QStringList{"CUSTNO"});
        QCOMPARE(backend.currentTable(), QString("Customers"));
        QCOMPARE(backend.currentColumns(), (ColumnInfoList{{"CUSTNO", "int", 4, 10, 0, true}}));
        QCOMPARE(stand.messages.texts(), QStringList());
    }

    void aTableThatIsGoneListsNothingAndKeepsTheCurrentTable() {
        SqlServerStand stand;
        QVERIFY(stand.logIn());
        stand.scriptColumns("Orders", {textRow({"ID", "int", "4", "10", "0", "1"})});
        stand.scriptColumns("Gone", {});
        SqlServerBackend backend(stand.session, stand.services);
        QCOMPARE(backend.listColumns("Orders"), QStringList{"ID"});

        QCOMPARE(backend.listColumns("Gone"), QStringList());

        QCOMPARE(backend.currentTable(), QString("Orders"));
        QCOMPARE(stand.messages.texts(),
                 QStringList{"The name 'Gone' was not found in the Tables collection of database "
                             "'Sales'."});
    }

    void noChosenTableListsNothingAndSendsNothing() {
        SqlServerStand stand;
        QVERIFY(stand.logIn());
        SqlServerBackend backend(stand.session, stand.services);

        QCOMPARE(backend.listColumns(QString()), QStringList());

        QCOMPARE(stand.database.statements(), QStringList());
        QCOMPARE(stand.messages.texts(), QStringList());
    }

    // --- installed audits -------------------------------------------------------------------

    void disableAndEnableActOnTheGivenRowOnlyThenReload_data() {
        QTest::addColumn<bool>("disable");
        QTest::addColumn<QString>("flag");
        QTest::addColumn<QString>("alter");
        QTest::newRow("disable") << true << "N"
                                 << "ALTER TABLE T2 DISABLE TRIGGER trgZOTA_B";
        QTest::newRow("enable") << false << "Y"
                                << "ALTER TABLE T2 ENABLE TRIGGER trgZOTA_B";
    }
    void disableAndEnableActOnTheGivenRowOnlyThenReload() {
        QFETCH(bool, disable);
        QFETCH(QString, flag);
        QFETCH(QString, alter);
        ListedStand stand;
        QVERIFY(stand.listThree(threeAudits(qPrintable(flag))));
        SqlServerBackend backend(stand.session, stand.services);

        if (disable)
            backend.disableAudits(stand.grid, {1});
        else
            backend.enableAudits(stand.grid, {1});

        QCOMPARE(stand.database.statements(),
                 SqlServerStand::batch("UPDATE tblZOTA_SYSTEM_TABLE SET ENABLED = '" + flag +
                                       "' WHERE AUDIT_NAME = 'B'") +
                     SqlServerStand::batch(alter) + QStringList{SqlServerStand::auditListing()});
        QCOMPARE(stand.grid.cellText(1, 2), flag);
        QCOMPARE(stand.messages.texts(), QStringList());
    }

    void aFailedDisableIsShownAndTheGridReloaded() {
        ListedStand stand;
        QVERIFY(stand.listThree(threeAudits("Y")));
        stand.database.failOn("ALTER TABLE T2 DISABLE TRIGGER trgZOTA_B",
                              FakeDatabase::error("Cannot find the object \"T2\"."));
        SqlServerBackend backend(stand.session, stand.services);

        backend.disableAudits(stand.grid, {1});

        QCOMPARE(stand.database.statements(),
                 SqlServerStand::batch(
                     "UPDATE tblZOTA_SYSTEM_TABLE SET ENABLED = 'N' WHERE AUDIT_NAME = 'B'") +
                     SqlServerStand::batch("ALTER TABLE T2 DISABLE TRIGGER trgZOTA_B") +
                     SqlServerStand::batch(
                         "UPDATE tblZOTA_SYSTEM_TABLE SET ENABLED = 'Y' WHERE AUDIT_NAME = 'B'") +
                     QStringList{SqlServerStand::auditListing()});
        QCOMPARE(stand.messages.texts(), QStringList{"Cannot find the object \"T2\"."});
        QCOMPARE(stand.grid.cellText(1, 2), QString("Y"));
    }

    void withoutARowNothingIsSwitchedOrReloaded() {
        ListedStand stand;
        QVERIFY(stand.listThree(threeAudits("Y")));
        SqlServerBackend backend(stand.session, stand.services);

        backend.disableAudits(stand.grid, {});
        backend.enableAudits(stand.grid, {Grid::NoCurrentRow});

        QCOMPARE(stand.database.statements(), QStringList());
    }

    void deleteRemovesTheGivenRowsAuditOnYesOnly_data() {
        QTest::addColumn<AuditBackend::DeleteAnswer>("answer");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("yes") << AuditBackend::DeleteAnswer::Yes
                             << SqlServerStand::batch("DROP TRIGGER trgZOTA_B") +
                                    SqlServerStand::batch("DROP TABLE tblZOTA_B") +
                                    SqlServerStand::batch("DELETE FROM tblZOTA_SYSTEM_TABLE WHERE "
                                                          "AUDIT_NAME = 'B'") +
                                    QStringList{SqlServerStand::auditListing()};
        QTest::newRow("no") << AuditBackend::DeleteAnswer::No << QStringList();
    }
    void deleteRemovesTheGivenRowsAuditOnYesOnly() {
        QFETCH(AuditBackend::DeleteAnswer, answer);
        QFETCH(QStringList, expected);
        ListedStand stand;
        QVERIFY(stand.listThree(
            {textRow({"A", "first", "Y", "T1"}), textRow({"C", "third", "Y", "T3"})}));
        SqlServerBackend backend(stand.session, stand.services);

        backend.deleteAudits(stand.grid, {1}, answer);

        QCOMPARE(stand.database.statements(), expected);
        QCOMPARE(stand.messages.texts(), QStringList());
    }

    // --- save, view and export --------------------------------------------------------------

    void saveGoesThroughTheCreationFlow() {
        SqlServerStand stand;
        QVERIFY(stand.logIn());
        SqlServerBackend backend(stand.session, stand.services);

        // No table, no name, no column: refused before anything is sent.
        const SaveResult result = backend.save(AuditDefinition{});

        QCOMPARE(result.outcome, SaveResult::Outcome::NotSaved);
        QCOMPARE(stand.messages.texts(), QStringList{"Please fill in more information"});
        QCOMPARE(stand.database.statements(), QStringList());
    }

    void viewShowsTheCurrentRowsAuditAndExportNeedsASelectedRow() {
        SqlServerStand stand;
        QVERIFY(stand.logIn());
        SqlServerBackend backend(stand.session, stand.services);
        backend.setAuditDataWindows(std::make_unique<AuditDataWindows>(
            std::make_unique<SqlServerAuditData>(stand.session, stand.messages), stand.services,
            WindowPresenter()));
        stand.database.onQuery("Select * from tblZOTA_BigOrders", QStringList{"CUSTOMER"},
                               {SqlServerStand::row({"ACME"})});
        Grid grid;
        grid.setColCount(4);
        grid.insertRows(0, 1);
        grid.setCellText(0, 0, "BigOrders");
        grid.setCurrentCell(0, 0);
        grid.setRowSelected(0, false);

        backend.viewAudit(grid, nullptr);
        backend.exportAudit(grid, nullptr);

        QVERIFY(stand.database.statements().contains("Select * from tblZOTA_BigOrders"));
        bool viewerShown = false;
        bool exportShown = false;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            viewerShown = viewerShown || (w->objectName() == "frmSqlViewer" && w->isVisible());
            exportShown = exportShown || (w->objectName() == "frmSqlExport" && w->isVisible());
        }
        QVERIFY(viewerShown);
        QVERIFY(!exportShown); // no selected row: the export window stays closed
        QCOMPARE(stand.messages.texts(), QStringList());
    }
};

int runSqlServerBackendTests(int argc, char** argv) {
    SqlServerBackendTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SqlServerBackendTest.moc"
