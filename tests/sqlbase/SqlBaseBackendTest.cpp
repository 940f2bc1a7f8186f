#include "sqlbase/SqlBaseBackend.h"
#include "SqlBaseCatalogScript.h"
#include "SqlBaseStand.h"
#include "SqlBaseWidgetTests.h"
#include "auditdata/AuditDataWindows.h"
#include "auditdata/SqlBaseAuditData.h"
#include "components/Grid.h"
#include "sqlbase/SqlBaseConnection.h"

#include <QApplication>
#include <QTest>
#include <memory>

using namespace quorvex;
using namespace quorvex::testing;
using quorvex::sqlbase::SqlBaseBackend;

namespace {

const QString kColumnsQuery =
    "SELECT NAME, COLTYPE, LENGTH, SCALE FROM SYSCOLUMNS WHERE TBNAME = 'ORDERS'";

QStringList deleteStatements(const QString& name) {
    return {
        "DROP TRIGGER " + name, "COMMIT",
        "DROP TABLE " + name,   "COMMIT",
        "ERASE " + name,        "DELETE FROM ZOTA_SYSTEM_TABLE WHERE AUDIT_NAME = '" + name + "'"};
}

} // namespace

class SqlBaseBackendTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        m_stand = std::make_unique<SqlBaseStand>();
        m_backend = std::make_unique<SqlBaseBackend>(m_stand->services, m_stand->login);
        m_grid = std::make_unique<Grid>();
        // The grid as the last listing left it.
        scriptThreeAudits(m_stand->database);
        m_backend->listAudits(*m_grid);
        m_stand->database.clearLog();
    }
    void cleanup() {
        m_grid.reset();
        m_backend.reset();
        m_stand.reset();
    }

    void traitsDescribeFrmcenmain() {
        const MainWindowTraits& traits = m_backend->traits();
        QCOMPARE(traits.objectName, QString("FRMCENMAIN"));
        QCOMPARE(traits.clientHeightTwips, 9015);
        QCOMPARE(traits.nameMaxLength, 13);
        QVERIFY(traits.upperCaseNamesOnExit);
        QCOMPARE(traits.columnsListed, ColumnsListedWhen::SelectionChanged);
        QCOMPARE(traits.initialOldValueFlag, QString("false"));
        QVERIFY(!traits.addButtonsShowArrow);
        QVERIFY(traits.tooltips);
        QVERIFY(traits.panicOnF12);
        QCOMPARE(traits.installedAuditNameColumn, 1);
        QCOMPARE(traits.installedAuditRows, InstalledAuditRows::SelectedRows);
        QVERIFY(!traits.resetClearsChangedFields);
    }

    void loadIsTheStartUp() {
        SqlBaseStand stand;
        SqlBaseBackend backend(stand.services, stand.login);
        stand.database.onQuery("Select NAME from systables where name = 'ZOTA_SYSTEM_TABLE'",
                               QStringList{"NAME"}, {});
        stand.database.setUnscriptedQueriesEmpty(true);
        Grid grid;

        QCOMPARE(backend.load(grid), std::optional<QStringList>(QStringList{}));
        QCOMPARE(stand.database.statements().value(1).left(31),
                 QString("CREATE TABLE ZOTA_SYSTEM_TABLE "));
    }

    // --- columns ---

    void columnsComeFromSyscolumnsInCatalogueOrder() {
        m_stand->database.onQuery(kColumnsQuery, QStringList{"NAME", "COLTYPE", "LENGTH", "SCALE"},
                                  {textRow({"ORDNO", "INTEGER", "4", "0"}),
                                   textRow({"CITY", "VARCHAR", "30", "0"}),
                                   textRow({"PRICE", "DECIMAL", "8", "2"})});

        QCOMPARE(m_backend->listColumns("ORDERS"), (QStringList{"ORDNO", "CITY", "PRICE"}));
        QCOMPARE(m_stand->database.statements(), QStringList{kColumnsQuery});
        QCOMPARE(m_stand->database.opened(), 2); // the listing in init(), then this choice
        QCOMPARE(m_stand->database.openNow(), 0);
    }

    void noTableListsNoColumns() {
        QCOMPARE(m_backend->listColumns(QString()), QStringList{});
        QCOMPARE(m_stand->database.statements(), QStringList{});
    }

    void failingColumnQueryIsShown() {
        m_stand->database.failOn(kColumnsQuery, FakeDatabase::error("Lock timeout"));
        QCOMPARE(m_backend->listColumns("ORDERS"), QStringList{});
        QCOMPARE(m_stand->messages.texts(), QStringList{"Lock timeout"});
    }

    // --- disable, enable, delete on the selected rows ---

    void disableActsOnEveryGivenRowThenReloadsOnce() {
        m_backend->disableAudits(*m_grid, {0, 2});

        QCOMPARE(m_stand->database.statements(),
                 (QStringList{"UPDATE ZOTA_SYSTEM_TABLE SET ENABLED = 'N' WHERE AUDIT_NAME = "
                              "'ZOTA_ORDAUD'",
                              "ALTER TRIGGER ZOTA_ORDAUD DISABLE",
                              "UPDATE ZOTA_SYSTEM_TABLE SET ENABLED = 'N' WHERE AUDIT_NAME = "
                              "'ZOTA_PAY'",
                              "ALTER TRIGGER ZOTA_PAY DISABLE"} +
                  threeAuditsListing()));
        QCOMPARE(m_stand->messages.texts(), QStringList{});
    }

    void enableWithNoRowOnlyReloads() {
        m_backend->enableAudits(*m_grid, {});
        QCOMPARE(m_stand->database.statements(), threeAuditsListing());
    }

    void enableGoesOnAfterAFailingAuditAndReloadsOnce() {
        m_stand->database.failOn("ALTER TRIGGER ZOTA_ORDAUD ENABLE",
                                 FakeDatabase::error("Trigger ZOTA_ORDAUD not found"));

        m_backend->enableAudits(*m_grid, {0, 1});

        QCOMPARE(m_stand->database.statements(),
                 (QStringList{"UPDATE ZOTA_SYSTEM_TABLE SET ENABLED = 'Y' WHERE AUDIT_NAME = "
                              "'ZOTA_ORDAUD'",
                              "ALTER TRIGGER ZOTA_ORDAUD ENABLE",
                              "UPDATE ZOTA_SYSTEM_TABLE SET ENABLED = 'Y' WHERE AUDIT_NAME = "
                              "'ZOTA_ORDUPD'",
                              "ALTER TRIGGER ZOTA_ORDUPD ENABLE"} +
                  threeAuditsListing()));
        QCOMPARE(m_stand->messages.texts(), QStringList{"Trigger ZOTA_ORDAUD not found"});
    }

    void lostConnectionEndsTheActionAfterOneReport() {
        m_stand->database.failOpen(FakeDatabase::error("Server is not responding"));

        m_backend->disableAudits(*m_grid, {0, 1, 2});

        QCOMPARE(m_stand->database.statements(), QStringList{});
        QCOMPARE(m_stand->messages.texts().size(), 1);
        QCOMPARE(m_grid->rowCount(), 3);
    }

    void deleteConfirmedRemovesEverySelectedAuditThenReloadsOnce() {
        QVERIFY(m_backend->prepareDelete());
        QCOMPARE(m_stand->database.openNow(), 1);

        m_backend->deleteAudits(*m_grid, {1, 2}, AuditBackend::DeleteAnswer::Yes);

        QCOMPARE(m_stand->database.statements(), deleteStatements("ZOTA_ORDUPD") +
                                                     deleteStatements("ZOTA_PAY") +
                                                     threeAuditsListing());
        QCOMPARE(m_stand->database.openNow(), 0);
    }

    void deleteAnsweredNoOnlyReloads() {
        QVERIFY(m_backend->prepareDelete());
        m_backend->deleteAudits(*m_grid, {0, 1, 2}, AuditBackend::DeleteAnswer::No);

        QCOMPARE(m_stand->database.statements(), threeAuditsListing());
        QCOMPARE(m_stand->database.openNow(), 0);
    }

    void deleteGoesOnPastMissingObjectsAndOtherAudits() {
        m_stand->database.failOn("DROP TRIGGER ZOTA_ORDAUD",
                                 FakeDatabase::error("Trigger ZOTA_ORDAUD does not exist"));
        m_stand->database.failOn("DROP TABLE ZOTA_ORDAUD",
                                 FakeDatabase::error("Table ZOTA_ORDAUD does not exist"));
        QVERIFY(m_backend->prepareDelete());

        m_backend->deleteAudits(*m_grid, {0, 1}, AuditBackend::DeleteAnswer::Yes);

        QCOMPARE(m_stand->database.statements(), deleteStatements("ZOTA_ORDAUD") +
                                                     deleteStatements("ZOTA_ORDUPD") +
                                                     threeAuditsListing());
        QCOMPARE(m_stand->messages.texts(), (QStringList{"Trigger ZOTA_ORDAUD does not exist",
                                                         "Table ZOTA_ORDAUD does not exist"}));
    }

    void deleteWithoutAConnectionEndsBeforeTheQuestion() {
        const DbErrorList errors = FakeDatabase::error("Database ORDERSDB not found");
        m_stand->database.failOpen(errors);

        QVERIFY(!m_backend->prepareDelete());

        QCOMPARE(m_stand->messages.texts(), QStringList{sqlbase::sqlBaseConnectionReport(errors)});
        QCOMPARE(m_stand->database.statements(), QStringList{});
    }

    // --- the rest ---

    void saveRunsTheCreationFlow() {
        m_stand->database.onQuery(
            "SELECT AUDIT_NAME FROM ZOTA_SYSTEM_TABLE WHERE AUDIT_NAME = 'ZOTA_ORDAUD'",
            QStringList{"AUDIT_NAME"}, {textRow({"ZOTA_ORDAUD"})});
        AuditDefinition definition;
        definition.table = "ORDERS";
        definition.columns = {"ORDNO"};
        definition.name = "ORDAUD";

        QCOMPARE(m_backend->save(definition).outcome, SaveResult::Outcome::NotSaved);
        QCOMPARE(m_stand->messages.texts(),
                 QStringList{"You already have an Audit with that name.  Please enter another "
                             "name."});
    }

    void viewReadsTheAuditOnAConnectionOfItsOwnAndExportNeedsASelectedRow() {
        SqlBaseBackend* backend = m_backend.get();
        SqlBaseStand& stand = *m_stand;
        m_backend->setAuditDataWindows(std::make_unique<AuditDataWindows>(
            std::make_unique<SqlBaseAuditData>(
                [&stand] { return connectToSqlBase(stand.database, stand.login, stand.messages); },
                [backend](Grid& grid) { backend->listAudits(grid); }),
            stand.services, WindowPresenter()));
        stand.database.onQuery("Select * from ZOTA_ORDUPD", QStringList{"ORDNO"}, {textRow({"7"})});
        m_grid->setCurrentCell(1, 1);
        for (int row = 0; row < m_grid->rowCount(); ++row)
            m_grid->setRowSelected(row, false);

        m_backend->viewAudit(*m_grid, nullptr);
        m_backend->exportAudit(*m_grid, nullptr);

        QCOMPARE(stand.database.statements(), QStringList{"Select * from ZOTA_ORDUPD"});
        QCOMPARE(stand.database.openNow(), 0); // the view's connection is closed again
        bool viewerShown = false;
        bool exportShown = false;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            viewerShown = viewerShown || (w->objectName() == "frmViewer" && w->isVisible());
            exportShown = exportShown || (w->objectName() == "frmExport" && w->isVisible());
        }
        QVERIFY(viewerShown);
        QVERIFY(!exportShown);
        QCOMPARE(stand.messages.texts(), QStringList());
    }

    void panicAndShutdownReachTheDatabase() {
        m_stand->messages.answerNext(false);
        m_backend->panic();
        QCOMPARE(m_stand->messages.texts().size(), 1);
        QVERIFY(!m_stand->process.ended());

        m_backend->shutdown();
        QCOMPARE(m_stand->database.connectionStrings(), QStringList{standConnectionString()});
    }

private:
    std::unique_ptr<SqlBaseStand> m_stand;
    std::unique_ptr<SqlBaseBackend> m_backend;
    std::unique_ptr<Grid> m_grid;
};

int runSqlBaseBackendTests(int argc, char** argv) {
    SqlBaseBackendTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SqlBaseBackendTest.moc"
