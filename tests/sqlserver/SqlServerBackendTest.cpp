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
#include <memory>

using namespace quorvex;
using namespace quorvex::testing;

Q_DECLARE_METATYPE(quorvex::AuditBackend::DeleteAnswer)

namespace {

const QString tablesQuery = SqlServerManager::tablesStatement(QStringLiteral("Sales"));

// Three installed audits; B is the one the tests act on.
std::vector<Row> threeAudits(const char* enabledOfB) {
    return {textRow({"A", "first", "Y", "T1"}), textRow({"B", "second", enabledOfB, "T2"}),
            textRow({"C", "third", "Y", "T3"})};
}

QStringList flagOfB(const QString& value) {
    return SqlServerStand::batch("UPDATE tblZOTA_SYSTEM_TABLE SET ENABLED = '" + value +
                                 "' WHERE AUDIT_NAME = 'B'");
}

} // namespace

class SqlServerBackendTest : public QObject {
    Q_OBJECT

    std::unique_ptr<SqlServerStand> m_stand;
    std::unique_ptr<SqlServerBackend> m_backend;
    std::unique_ptr<Grid> m_grid;

    QStringList sent() const { return m_stand->database.statements(); }
    QStringList shown() const { return m_stand->messages.texts(); }

    // The installed-audits grid holds threeAudits("Y"); the next listing gives `reloaded` and
    // the log starts empty.
    bool listThree(const std::vector<Row>& reloaded) {
        m_stand->database.onQuery(SqlServerStand::auditListing(), SqlServerStand::auditFields(),
                                  threeAudits("Y"), true);
        m_stand->scriptAudits(reloaded);
        m_backend->listAudits(*m_grid);
        m_stand->database.clearLog();
        return m_grid->rowCount() == 3;
    }

private Q_SLOTS:
    // A logged-in stand, its back end and an empty grid for every test and every row.
    void init() {
        m_stand = std::make_unique<SqlServerStand>();
        QVERIFY(m_stand->logIn());
        m_backend = std::make_unique<SqlServerBackend>(m_stand->session, m_stand->services);
        m_grid = std::make_unique<Grid>();
    }

    void loadListsTheAuditableTablesInTheServersOrder() {
        m_stand->scriptCatalogPresent();
        m_stand->scriptAudits({textRow({"OrderAudit", "New orders", "Y", "Orders"})});
        m_stand->scriptTables(
            {textRow({"dbo", "Orders", "0"}), textRow({"dbo", "tblZOTA_OrderAudit", "0"}),
             textRow({"dbo", "tblZOTA_SYSTEM_TABLE", "0"}), textRow({"dbo", "spt_values", "1"}),
             textRow({"dbo", "TBLZOTA_Mixed", "0"}), textRow({"dbo", "tblzota_lower", "0"}),
             textRow({"sales", "Refunds", "0"}), textRow({"jane", "tblZOTA_Hers", "0"}),
             textRow({"dbo", "Customers", "0"}), textRow({"dbo", "ZOTA_like", "0"})});
        // System tables and the system's own tblZOTA_ tables stay out, in any letter case and
        // whichever schema the user who made them had.
        QCOMPARE(
            m_backend->load(*m_grid),
            (std::optional<QStringList>{{"Orders", "sales.Refunds", "Customers", "ZOTA_like"}}));
        QCOMPARE(sent(), (QStringList{SqlServerStand::catalogLookUp(),
                                      SqlServerStand::auditListing(), tablesQuery}));
        QCOMPARE(m_stand->database.connectionStrings(),
                 QStringList{buildSqlServerConnectionString(m_stand->session.login())});
        QCOMPARE(m_grid->rowCount(), 1);
        QCOMPARE(shown(), QStringList());
    }

    void aFailingStepFailsTheLoadWithItsMessageOnly_data() {
        QTest::addColumn<QString>("failing");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("message");
        QTest::newRow("the shared connection will not open")
            << "open" << QStringList()
            << sqlServerConnectionReport(FakeDatabase::error("The server is shutting down."));
        QTest::newRow("the catalog look-up, before the tables")
            << "look-up" << QStringList{SqlServerStand::catalogLookUp()}
            << "ZOTA_system-1  The server is shutting down.";
        QTest::newRow("the table list") << "tables"
                                        << QStringList{SqlServerStand::catalogLookUp(),
                                                       SqlServerStand::auditListing(), tablesQuery}
                                        << "The server is shutting down.";
    }
    void aFailingStepFailsTheLoadWithItsMessageOnly() {
        QFETCH(QString, failing);
        QFETCH(QStringList, expected);
        QFETCH(QString, message);
        const DbErrorList error = FakeDatabase::error("The server is shutting down.");
        // The failure is scripted first, so it wins over the answers below.
        if (failing == "open")
            m_stand->database.failOpen(error);
        else if (failing == "look-up")
            m_stand->failCatalogLookUp(error);
        else
            m_stand->database.failOn(tablesQuery, error);
        m_stand->scriptCatalogPresent();
        m_stand->scriptAudits({});
        m_stand->scriptTables({textRow({"dbo", "Orders", "0"})});
        QCOMPARE(m_backend->load(*m_grid), std::optional<QStringList>());
        QCOMPARE(shown(), QStringList{message});
        QCOMPARE(sent(), expected);
    }

    void theChosenTablesColumnsComeInCatalogueOrderAndItBecomesCurrent() {
        m_stand->scriptColumns("Orders", {textRow({"ID", "int", "4", "10", "0", "1"}),
                                          textRow({"CUSTOMER", "nvarchar", "40", "0", "0", "0"}),
                                          textRow({"TOTAL", "decimal", "9", "18", "2", "0"})});
        m_stand->scriptColumns("Customers", {textRow({"CUSTNO", "int", "4", "10", "0", "1"})});
        QCOMPARE(m_backend->listColumns("Orders"), (QStringList{"ID", "CUSTOMER", "TOTAL"}));
        QCOMPARE(m_backend->currentTable(), QString("Orders"));
        QCOMPARE(m_backend->currentColumns(),
                 (ColumnInfoList{{"ID", "int", 4, 10, 0, true},
                                 {"CUSTOMER", "nvarchar", 40, 0, 0, false},
                                 {"TOTAL", "decimal", 9, 18, 2, false}}));
        // The last table chosen on either tab is the current one.
        QCOMPARE(m_backend->listColumns("Customers"), QStringList{"CUSTNO"});
        QCOMPARE(m_backend->currentTable(), QString("Customers"));
        QCOMPARE(m_backend->currentColumns(), (ColumnInfoList{{"CUSTNO", "int", 4, 10, 0, true}}));
        QCOMPARE(shown(), QStringList());
    }

    void aTableThatIsGoneListsNothingAndKeepsTheCurrentTable() {
        m_stand->scriptColumns("Orders", {textRow({"ID", "int", "4", "10", "0", "1"})});
        m_stand->scriptColumns("Gone", {});
        QCOMPARE(m_backend->listColumns("Orders"), QStringList{"ID"});
        QCOMPARE(m_backend->listColumns("Gone"), QStringList());
        QCOMPARE(m_backend->currentTable(), QString("Orders"));
        QCOMPARE(shown(), QStringList{"The name 'Gone' was not found in the Tables collection of "
                                      "database 'Sales'."});
    }

    void disableAndEnableActOnTheGivenRowOnlyThenReload_data() {
        QTest::addColumn<bool>("disable");
        QTest::addColumn<bool>("fails");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("shownFlag");
        const QStringList disable =
            SqlServerStand::batch("ALTER TABLE T2 DISABLE TRIGGER trgZOTA_B");
        const QStringList reload{SqlServerStand::auditListing()};
        QTest::newRow("disable") << true << false << flagOfB("N") + disable + reload << "N";
        QTest::newRow("enable") << false << false
                                << flagOfB("Y") +
                                       SqlServerStand::batch(
                                           "ALTER TABLE T2 ENABLE TRIGGER trgZOTA_B") +
                                       reload
                                << "Y";
        QTest::newRow("a failing disable puts the row back")
            << true << true << flagOfB("N") + disable + flagOfB("Y") + reload << "Y";
    }
    void disableAndEnableActOnTheGivenRowOnlyThenReload() {
        QFETCH(bool, disable);
        QFETCH(bool, fails);
        QFETCH(QStringList, expected);
        QFETCH(QString, shownFlag);
        QVERIFY(listThree(threeAudits(qPrintable(shownFlag))));
        if (fails)
            m_stand->database.failOn("ALTER TABLE T2 DISABLE TRIGGER trgZOTA_B",
                                     FakeDatabase::error("Cannot find the object \"T2\"."));
        if (disable)
            m_backend->disableAudits(*m_grid, {1});
        else
            m_backend->enableAudits(*m_grid, {1});
        QCOMPARE(sent(), expected);
        QCOMPARE(m_grid->cellText(1, 2), shownFlag);
        QCOMPARE(shown(), fails ? QStringList{"Cannot find the object \"T2\"."} : QStringList());
    }

    void withoutARowNothingIsSwitchedOrReloaded() {
        QVERIFY(listThree(threeAudits("Y")));
        m_backend->disableAudits(*m_grid, {});
        m_backend->enableAudits(*m_grid, {Grid::NoCurrentRow});
        QCOMPARE(sent(), QStringList());
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
        QVERIFY(
            listThree({textRow({"A", "first", "Y", "T1"}), textRow({"C", "third", "Y", "T3"})}));
        m_backend->deleteAudits(*m_grid, {1}, answer);
        QCOMPARE(sent(), expected);
        QCOMPARE(shown(), QStringList());
    }

    void viewShowsTheCurrentRowsAuditAndExportNeedsASelectedRow() {
        m_backend->setAuditDataWindows(std::make_unique<AuditDataWindows>(
            std::make_shared<SqlServerAuditData>(m_stand->services.connections,
                                                 m_stand->session.login()),
            m_stand->services, WindowPresenter()));
        m_stand->database.onQuery("Select * from tblZOTA_BigOrders", QStringList{"CUSTOMER"},
                                  {SqlServerStand::row({"ACME"})});
        m_grid->setColCount(4);
        m_grid->insertRows(0, 1);
        m_grid->setCellText(0, 0, "BigOrders");
        m_grid->setCurrentCell(0, 0);
        m_grid->setRowSelected(0, false);
        m_backend->viewAudit(*m_grid, nullptr);
        m_backend->exportAudit(*m_grid, nullptr);
        const auto shownNamed = [](const QString& name) {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->objectName() == name && w->isVisible())
                    return true;
            return false;
        };
        // The viewer reads on a worker and shows once the rows come.
        QTRY_VERIFY(shownNamed("frmSqlViewer"));
        QVERIFY(sent().contains("Select * from tblZOTA_BigOrders"));
        QVERIFY(!shownNamed("frmSqlExport")); // no selected row: the export window stays closed
        QCOMPARE(shown(), QStringList());
    }
};

int runSqlServerBackendTests(int argc, char** argv) {
    SqlServerBackendTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SqlServerBackendTest.moc"
