#include "sqlbase/SqlBaseStartup.h"
#include "SqlBaseCatalogScript.h"
#include "SqlBaseStand.h"
#include "SqlBaseWidgetTests.h"
#include "components/Grid.h"
#include "sqlbase/SqlBaseConnection.h"

#include <QTest>
#include <memory>

using namespace quorvex;
using namespace quorvex::testing;
using namespace quorvex::sqlbase;

using RowTexts = QList<QStringList>;

namespace {

const QString kCatalogCheck = "Select NAME from systables where name = 'ZOTA_SYSTEM_TABLE'";
const QString kTablesQuery = "Select NAME from systables where creator = 'SYSADM' AND name not "
                             "like 'SYS%' AND NAME NOT LIKE 'ZOTA%'";
const QString kCreateCatalog = "CREATE TABLE ZOTA_SYSTEM_TABLE (AUDIT_NAME VARCHAR(20),"
                               "AUDIT_DESCRIPTION VARCHAR(200), ENABLED CHAR(1)) PCTFREE 10";
const QString kTablesSwept = "Select name from systables where name like 'ZOTA%'";
const QString kTriggersSwept = "Select name from systriggers where name like 'ZOTA%'";
const QString kProceduresSwept = "Select name from syscommands where name like 'ZOTA%'";

void catalogExists(FakeDatabase& database) {
    database.onQuery(kCatalogCheck, QStringList{"NAME"}, {textRow({"ZOTA_SYSTEM_TABLE"})});
}

void catalogMissing(FakeDatabase& database) {
    database.onQuery(kCatalogCheck, QStringList{"NAME"}, {});
}

// The database answers with SYSADM's tables; the filter itself is the database's work.
void userTables(FakeDatabase& database) {
    database.onQuery(kTablesQuery, QStringList{"NAME"},
                     {textRow({"ORDERS"}), textRow({"CUSTOMERS"}), textRow({"PAYMENTS"})});
}

} // namespace

class SqlBaseStartupTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        m_stand = std::make_unique<SqlBaseStand>();
        m_grid = std::make_unique<Grid>();
    }
    void cleanup() {
        m_grid.reset();
        m_stand.reset();
    }

    // --- start-up ---

    void firstStartCreatesTheCatalogAndListsTheTables() {
        catalogMissing(m_stand->database);
        userTables(m_stand->database);

        const auto tables = startSqlBaseMainWindow(*m_grid, m_stand->services, m_stand->login);

        QCOMPARE(tables, std::optional<QStringList>({"ORDERS", "CUSTOMERS", "PAYMENTS"}));
        QCOMPARE(m_stand->database.statements(),
                 (QStringList{kCatalogCheck, kCreateCatalog, "COMMIT", kTablesQuery}));
        QCOMPARE(m_grid->rowCount(), 0);
        QCOMPARE(m_stand->messages.texts(), QStringList{});
        QCOMPARE(m_stand->database.openNow(), 0);
    }

    void laterStartsListTheInstalledAuditsWithTheirCounts() {
        catalogExists(m_stand->database);
        scriptThreeAudits(m_stand->database);
        userTables(m_stand->database);

        const auto tables = startSqlBaseMainWindow(*m_grid, m_stand->services, m_stand->login);

        QCOMPARE(tables, std::optional<QStringList>({"ORDERS", "CUSTOMERS", "PAYMENTS"}));
        QCOMPARE(m_stand->database.statements(),
                 QStringList{kCatalogCheck} + threeAuditsListing() + QStringList{kTablesQuery});
        QCOMPARE(gridTexts(*m_grid), (RowTexts{threeAuditsHeader(),
                                               {"NO RECORDS", "ZOTA_ORDAUD", "Order inserts", "Y"},
                                               {"1 RECORDS", "ZOTA_ORDUPD", "Order changes", "N"},
                                               {"1234 RECORDS", "ZOTA_PAY", "Payments", "Y"}}));
        QCOMPARE(m_stand->database.openNow(), 0);
    }

    void tablesOfOtherOwnersSystemTablesAndAuditTablesAreNotAsked() {
        catalogMissing(m_stand->database);
        m_stand->database.onQuery(kTablesQuery, QStringList{"NAME"}, {});

        const auto tables = startSqlBaseMainWindow(*m_grid, m_stand->services, m_stand->login);

        QCOMPARE(tables, std::optional<QStringList>(QStringList{}));
        // SYSLOG (SYS%), ZOTAX (ZOTA%) and tables of other creators stay out by the query.
        QCOMPARE(m_stand->database.statements().last(),
                 QString("Select NAME from systables where creator = 'SYSADM' AND name not like "
                         "'SYS%' AND NAME NOT LIKE 'ZOTA%'"));
    }

    void failingStepShowsLoadingAndTheStartFails() {
        m_stand->database.failOn(kCatalogCheck, FakeDatabase::error("No privilege on SYSTABLES"));

        const auto tables = startSqlBaseMainWindow(*m_grid, m_stand->services, m_stand->login);

        QCOMPARE(tables, std::optional<QStringList>());
        QCOMPARE(m_stand->messages.texts(), QStringList{"Loading No privilege on SYSTABLES"});
        QCOMPARE(m_stand->database.statements(), QStringList{kCatalogCheck});
        QCOMPARE(m_stand->database.openNow(), 0);
    }

    void failingTableListShowsLoading() {
        catalogMissing(m_stand->database);
        m_stand->database.failOn(kTablesQuery, FakeDatabase::error("Lock timeout"));

        QCOMPARE(startSqlBaseMainWindow(*m_grid, m_stand->services, m_stand->login),
                 std::optional<QStringList>());
        QCOMPARE(m_stand->messages.texts(), QStringList{"Loading Lock timeout"});
    }

    void catalogThatCannotBeCreatedEndsTheStart() {
        catalogMissing(m_stand->database);
        m_stand->database.failOn(kCreateCatalog, FakeDatabase::error("Database is read-only"));

        QCOMPARE(startSqlBaseMainWindow(*m_grid, m_stand->services, m_stand->login),
                 std::optional<QStringList>());
        QCOMPARE(m_stand->messages.texts(), QStringList{"Database is read-only"});
        QCOMPARE(m_stand->database.statements(), (QStringList{kCatalogCheck, kCreateCatalog}));
    }

    void brokenAuditTableDoesNotStopTheStart() {
        catalogExists(m_stand->database);
        m_stand->database.failOn(countQuery("ZOTA_ORDAUD"),
                                 FakeDatabase::error("Table ZOTA_ORDAUD has not been created"));
        scriptThreeAudits(m_stand->database);
        userTables(m_stand->database);

        const auto tables = startSqlBaseMainWindow(*m_grid, m_stand->services, m_stand->login);

        QCOMPARE(tables, std::optional<QStringList>({"ORDERS", "CUSTOMERS", "PAYMENTS"}));
        QCOMPARE(m_stand->messages.texts(), QStringList{"Table ZOTA_ORDAUD has not been created"});
        QCOMPARE(m_grid->rowCount(), 3);
    }

    void unreachableDatabaseShowsTheReportOnly() {
        const DbErrorList errors = FakeDatabase::error("Database ORDERSDB not found", 401);
        m_stand->database.failOpen(errors);

        QCOMPARE(startSqlBaseMainWindow(*m_grid, m_stand->services, m_stand->login),
                 std::optional<QStringList>());
        QCOMPARE(m_stand->messages.texts(), QStringList{sqlBaseConnectionReport(errors)});
        QCOMPARE(m_stand->database.statements(), QStringList{});
    }

    // --- shutdown ---

    void shutdownReachesTheDatabaseOnceAndSendsNothing() {
        shutDownSqlBaseMainWindow(m_stand->services, m_stand->login);

        QCOMPARE(m_stand->database.connectionStrings(), QStringList{standConnectionString()});
        QCOMPARE(m_stand->database.statements(), QStringList{});
        QCOMPARE(m_stand->messages.texts(), QStringList{});
        QCOMPARE(m_stand->database.openNow(), 0);
    }

    void shutdownReportsADatabaseGoneAway() {
        const DbErrorList errors = FakeDatabase::error("Server is not responding", 2001);
        m_stand->database.failOpen(errors);

        shutDownSqlBaseMainWindow(m_stand->services, m_stand->login);

        QCOMPARE(m_stand->messages.texts(), QStringList{sqlBaseConnectionReport(errors)});
        QVERIFY(!m_stand->process.ended());
    }

    // --- panic ---

    void panicAnsweredNoLeavesEverything() {
        m_stand->messages.answerNext(false);

        panicSqlBase(m_stand->services, m_stand->login);

        QCOMPARE(m_stand->messages.texts(),
                 QStringList{"You pressed the panic button.  Do you want to erase all your "
                             "audits?\r\nYou will have to recreate all of them"});
        QCOMPARE(m_stand->messages.shown().value(0).icon, MessageIcon::None);
        QCOMPARE(m_stand->database.statements(), QStringList{});
        QCOMPARE(m_stand->database.connectionStrings(), QStringList{});
        QVERIFY(!m_stand->process.ended());
    }

    void panicAnsweredYesSweepsSaysSoAndEndsTheProgram() {
        m_stand->messages.answerNext(true);
        m_stand->database.onQuery(kTablesSwept, QStringList{"NAME"},
                                  {textRow({"ZOTA_SYSTEM_TABLE"}), textRow({"ZOTA_ORDAUD"})});
        m_stand->database.onQuery(kTriggersSwept, QStringList{"NAME"}, {textRow({"ZOTA_ORDAUD"})});
        m_stand->database.onQuery(kProceduresSwept, QStringList{"NAME"},
                                  {textRow({"ZOTA_ORDAUD"})});

        panicSqlBase(m_stand->services, m_stand->login);

        QCOMPARE(m_stand->database.statements(),
                 (QStringList{kTablesSwept, "Drop table ZOTA_SYSTEM_TABLE",
                              "Drop table ZOTA_ORDAUD", kTriggersSwept, "Drop trigger ZOTA_ORDAUD",
                              kProceduresSwept, "Erase ZOTA_ORDAUD"}));
        QCOMPARE(m_stand->messages.texts(),
                 (QStringList{sqlBasePanicQuestion(),
                              "All audits and related items have been removed from your "
                              "database.\r\nQuorvex will now exit.  You must restart the "
                              "program"}));
        QCOMPARE(m_stand->process.exitCodes(), QList<int>{0});
        QCOMPARE(m_stand->database.openNow(), 0);
    }

    void panicReportsFailuresAndStillEndsWithItsLastWord() {
        m_stand->messages.answerNext(true);
        m_stand->database.failOn("Drop table ZOTA_ORDAUD", FakeDatabase::error("Table in use"));
        m_stand->database.onQuery(kTablesSwept, QStringList{"NAME"},
                                  {textRow({"ZOTA_ORDAUD"}), textRow({"ZOTA_SYSTEM_TABLE"})});
        m_stand->database.setUnscriptedQueriesEmpty(true);

        panicSqlBase(m_stand->services, m_stand->login);

        QCOMPARE(m_stand->database.statements(),
                 (QStringList{kTablesSwept, "Drop table ZOTA_ORDAUD",
                              "Drop table ZOTA_SYSTEM_TABLE", kTriggersSwept, kProceduresSwept}));
        QCOMPARE(m_stand->messages.texts(),
                 (QStringList{sqlBasePanicQuestion(), "Table in use",
                              "Not all audits and related items could be removed from your "
                              "database.\r\nQuorvex will now exit.  You must restart the "
                              "program"}));
        QCOMPARE(m_stand->process.exitCodes(), QList<int>{0});
    }

    void panicWithoutAConnectionStillEndsTheProgram() {
        m_stand->messages.answerNext(true);
        const DbErrorList errors = FakeDatabase::error("Database ORDERSDB not found");
        m_stand->database.failOpen(errors);

        panicSqlBase(m_stand->services, m_stand->login);

        QCOMPARE(m_stand->messages.texts(),
                 (QStringList{sqlBasePanicQuestion(), sqlBaseConnectionReport(errors),
                              sqlBasePanicIncompleteMessage()}));
        QCOMPARE(m_stand->process.exitCodes(), QList<int>{0});
    }

private:
    std::unique_ptr<SqlBaseStand> m_stand;
    std::unique_ptr<Grid> m_grid;
};

int runSqlBaseStartupTests(int argc, char** argv) {
    SqlBaseStartupTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SqlBaseStartupTest.moc"
