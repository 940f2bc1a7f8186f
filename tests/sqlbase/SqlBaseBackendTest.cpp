#include "sqlbase/SqlBaseBackend.h"
#include "SqlBaseStand.h"
#include "components/DbException.h"
#include "components/Grid.h"
#include "components/OdbcConnectionFactory.h"
#include "sqlbase/SqlBaseCatalog.h"
#include "sqlbase/SqlBaseConnection.h"
#include "sqlbase/SqlBaseCreationFlow.h"
#include "sqlbase/SqlBaseLoginWindow.h"
#include "sqlbase/SqlBaseStartup.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>
#include <tuple>

using namespace quorvex;
using namespace quorvex::testing;
using namespace quorvex::sqlbase;

using RowTexts = QList<QStringList>;

namespace {

const QString kCatalogList = "Select AUDIT_NAME,AUDIT_DESCRIPTION,ENABLED from ZOTA_SYSTEM_TABLE";
const QString kCatalogCheck = "Select NAME from systables where name = 'ZOTA_SYSTEM_TABLE'";
const QString kTablesQuery = "Select NAME from systables where creator = 'SYSADM' AND name not "
                             "like 'SYS%' AND NAME NOT LIKE 'ZOTA%'";
const QString kCreateCatalog = "CREATE TABLE ZOTA_SYSTEM_TABLE (AUDIT_NAME VARCHAR(20),"
                               "AUDIT_DESCRIPTION VARCHAR(200), ENABLED CHAR(1)) PCTFREE 10";
const QString kColumnsQuery =
    "SELECT NAME, COLTYPE, LENGTH, SCALE FROM SYSCOLUMNS WHERE TBNAME = 'ORDERS'";
const QString kTablesSwept = "Select name from systables where name like 'ZOTA%'";
const QString kTriggersSwept = "Select name from systriggers where name like 'ZOTA%'";
const QString kProceduresSwept = "Select name from syscommands where name like 'ZOTA%'";
const QStringList kUserTables = {"ORDERS", "CUSTOMERS", "PAYMENTS"};
const QStringList kHeader = {"", "AUDIT_NAME", "AUDIT_DESCRIPTION", "ENABLED"};

QString countQuery(const QString& name) {
    return "SELECT COUNT(*) FROM " + name;
}

// A catalog of three audits holding 0, 1 and 1234 recorded rows.
void scriptThreeAudits(FakeDatabase& database) {
    database.onQuery(kCatalogList, QStringList{"AUDIT_NAME", "AUDIT_DESCRIPTION", "ENABLED"},
                     {textRow({"ZOTA_ORDAUD", "Order inserts", "Y"}),
                      textRow({"ZOTA_ORDUPD", "Order changes", "N"}),
                      textRow({"ZOTA_PAY", "Payments", "Y"})});
    database.onQuery(countQuery("ZOTA_ORDAUD"), QStringList{"COUNT(*)"}, {textRow({"0"})});
    database.onQuery(countQuery("ZOTA_ORDUPD"), QStringList{"COUNT(*)"}, {textRow({"1"})});
    database.onQuery(countQuery("ZOTA_PAY"), QStringList{"COUNT(*)"}, {textRow({"1234"})});
}

const QStringList kListing = {kCatalogList, countQuery("ZOTA_ORDAUD"), countQuery("ZOTA_ORDUPD"),
                              countQuery("ZOTA_PAY")};

// Every cell of the grid, the header row first, row by row.
RowTexts gridTexts(const Grid& grid) {
    RowTexts rows;
    for (int row = Grid::HeaderIndex; row < grid.rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < grid.colCount(); ++column)
            cells << grid.cellText(row, column);
        rows << cells;
    }
    return rows;
}

QStringList deleteStatements(const QString& name) {
    return {
        "DROP TRIGGER " + name, "COMMIT",
        "DROP TABLE " + name,   "COMMIT",
        "ERASE " + name,        "DELETE FROM ZOTA_SYSTEM_TABLE WHERE AUDIT_NAME = '" + name + "'"};
}

QString enableStatement(const char* flag, const QString& name) {
    return QString("UPDATE ZOTA_SYSTEM_TABLE SET ENABLED = '%1' WHERE AUDIT_NAME = '%2'")
        .arg(flag, name);
}

} // namespace

// The catalog, start-up, shutdown, panic and the back end behind the main window, each test on
// a fresh scripted stand.
class SqlBaseBackendTest : public QObject {
    Q_OBJECT

    std::unique_ptr<SqlBaseStand> m_stand;
    std::unique_ptr<Grid> m_grid;
    FakeDatabase& db() { return m_stand->database; }
    QStringList shown() { return m_stand->messages.texts(); }
    std::optional<QStringList> start() {
        return startSqlBaseMainWindow(*m_grid, m_stand->services, m_stand->login);
    }
    SqlBaseCatalog catalog() { return SqlBaseCatalog(m_stand->services, m_stand->login); }
    // A back end whose grid is as the last listing left it.
    std::unique_ptr<SqlBaseBackend> listedBackend() {
        auto backend = std::make_unique<SqlBaseBackend>(m_stand->services, m_stand->login);
        scriptThreeAudits(db());
        backend->listAudits(*m_grid);
        db().clearLog();
        return backend;
    }

private Q_SLOTS:
    void init() {
        m_stand = std::make_unique<SqlBaseStand>();
        m_grid = std::make_unique<Grid>();
    }
    void cleanup() {
        m_grid.reset();
        m_stand.reset();
    }

    void unreadableCatalogEmptiesTheGridButNoConnectionLeavesIt() {
        scriptThreeAudits(db());
        QCOMPARE(catalog().list(*m_grid), SqlBaseCatalog::Outcome::Done);
        db().failOpen(FakeDatabase::error("Database ORDERSDB not found"));
        QCOMPARE(catalog().list(*m_grid), SqlBaseCatalog::Outcome::NoConnection);
        QCOMPARE(m_grid->rowCount(), 3);
        QCOMPARE(shown().size(), 1);

        SqlBaseStand failing;
        failing.database.failOn(kCatalogList, FakeDatabase::error("Lock timeout"));
        QCOMPARE(SqlBaseCatalog(failing.services, failing.login).list(*m_grid),
                 SqlBaseCatalog::Outcome::Failed);
        QCOMPARE(failing.messages.texts(), QStringList{"Lock timeout"});
        QCOMPARE(m_grid->rowCount(), 0);
        QCOMPARE(m_grid->colCount(), 0);
    }

    void firstFailingStatementEndsADisable() {
        db().failOnMatching(QRegularExpression("^UPDATE"),
                            FakeDatabase::error("Table ZOTA_SYSTEM_TABLE locked"));
        QCOMPARE(catalog().disable("ZOTA_ORDAUD"), SqlBaseCatalog::Outcome::Failed);
        QCOMPARE(db().statements().size(), 1);
        QCOMPARE(shown(), QStringList{"Table ZOTA_SYSTEM_TABLE locked"});
        QCOMPARE(m_stand->messages.shown().value(0).icon, MessageIcon::None);
    }

    void quoteInANameCannotBreakTheCatalogStatements() {
        catalog().disable("ZOTA_O'X");
        QCOMPARE(db().statements().value(0), enableStatement("N", "ZOTA_O''X"));
    }

    // --- start-up ---

    void firstStartCreatesTheCatalogAndListsTheTables() {
        db().onQuery(kCatalogCheck, QStringList{"NAME"}, {});
        db().onQuery(kTablesQuery, QStringList{"NAME"},
                     {textRow({"ORDERS"}), textRow({"CUSTOMERS"}), textRow({"PAYMENTS"})});
        QCOMPARE(start(), std::optional<QStringList>(kUserTables));
        QCOMPARE(db().statements(),
                 (QStringList{kCatalogCheck, kCreateCatalog, "COMMIT", kTablesQuery}));
        QCOMPARE(m_grid->rowCount(), 0);
        QCOMPARE(shown(), QStringList{});
        QCOMPARE(db().openNow(), 0);
    }

    void laterStartsListTheInstalledAuditsWithTheirCounts() {
        db().onQuery(kCatalogCheck, QStringList{"NAME"}, {textRow({"ZOTA_SYSTEM_TABLE"})});
        scriptThreeAudits(db());
        db().onQuery(kTablesQuery, QStringList{"NAME"}, {textRow({"ORDERS"})});
        QCOMPARE(start(), std::optional<QStringList>(QStringList{"ORDERS"}));
        QCOMPARE(db().statements(),
                 QStringList{kCatalogCheck} + kListing + QStringList{kTablesQuery});
        QCOMPARE(gridTexts(*m_grid), (RowTexts{kHeader,
                                               {"NO RECORDS", "ZOTA_ORDAUD", "Order inserts", "Y"},
                                               {"1 RECORDS", "ZOTA_ORDUPD", "Order changes", "N"},
                                               {"1234 RECORDS", "ZOTA_PAY", "Payments", "Y"}}));
        QCOMPARE(m_grid->currentRow(), 0);
        QCOMPARE(db().openNow(), 0);
    }

    void brokenAuditTableStopsTheCountsButNotTheStart() {
        db().onQuery(kCatalogCheck, QStringList{"NAME"}, {textRow({"ZOTA_SYSTEM_TABLE"})});
        db().failOn(countQuery("ZOTA_ORDUPD"),
                    FakeDatabase::error("Table ZOTA_ORDUPD has not been created"));
        scriptThreeAudits(db());
        db().onQuery(kTablesQuery, QStringList{"NAME"}, {textRow({"ORDERS"})});
        QCOMPARE(start(), std::optional<QStringList>(QStringList{"ORDERS"}));
        QCOMPARE(db().statements(),
                 (QStringList{kCatalogCheck, kCatalogList, countQuery("ZOTA_ORDAUD"),
                              countQuery("ZOTA_ORDUPD"), kTablesQuery}));
        QCOMPARE(shown(), QStringList{"Table ZOTA_ORDUPD has not been created"});
        // Every audit stays listed, so the broken one can still be deleted.
        QCOMPARE(gridTexts(*m_grid), (RowTexts{kHeader,
                                               {"NO RECORDS", "ZOTA_ORDAUD", "Order inserts", "Y"},
                                               {"", "ZOTA_ORDUPD", "Order changes", "N"},
                                               {"", "ZOTA_PAY", "Payments", "Y"}}));
    }

    void failingStepEndsTheStartWithItsMessage() {
        // The failing statement, its error, what was sent and what was shown.
        const std::tuple<QString, const char*, QStringList, QString> cases[] = {
            {kCatalogCheck,
             "No privilege on SYSTABLES",
             {kCatalogCheck},
             "Loading No privilege on SYSTABLES"},
            {kCreateCatalog,
             "Database is read-only",
             {kCatalogCheck, kCreateCatalog},
             "Database is read-only"},
            {kTablesQuery,
             "Lock timeout",
             {kCatalogCheck, kCreateCatalog, "COMMIT", kTablesQuery},
             "Loading Lock timeout"}};
        for (const auto& [failing, error, sent, message] : cases) {
            init();
            db().failOn(failing, FakeDatabase::error(error)); // before the rows it replaces
            db().onQuery(kCatalogCheck, QStringList{"NAME"}, {});
            QCOMPARE(start(), std::optional<QStringList>());
            QCOMPARE(shown(), QStringList{message});
            QCOMPARE(db().statements(), sent);
            QCOMPARE(db().openNow(), 0);
        }
    }

    void unreachableDatabaseShowsTheReportOnly() {
        const DbErrorList errors = FakeDatabase::error("Database ORDERSDB not found", 401);
        db().failOpen(errors);
        QCOMPARE(start(), std::optional<QStringList>());
        QCOMPARE(shown(), QStringList{sqlBaseConnectionReport(errors)});
        QCOMPARE(db().statements(), QStringList{});
    }

    void shutdownReachesTheDatabaseOnceAndSendsNothing() {
        shutDownSqlBaseMainWindow(m_stand->services, m_stand->login);
        QCOMPARE(db().connectionStrings(), QStringList{standConnectionString()});
        QCOMPARE(db().statements(), QStringList{});
        QCOMPARE(shown(), QStringList{});
        QCOMPARE(db().openNow(), 0);

        const DbErrorList errors = FakeDatabase::error("Server is not responding", 2001);
        db().failOpen(errors);
        shutDownSqlBaseMainWindow(m_stand->services, m_stand->login);
        QCOMPARE(shown(), QStringList{sqlBaseConnectionReport(errors)});
        QVERIFY(!m_stand->process.ended());
    }

    // --- panic ---

    void panicAnsweredNoLeavesEverything() {
        m_stand->messages.answerNext(false);
        panicSqlBase(m_stand->services, m_stand->login);
        QCOMPARE(shown(), QStringList{"You pressed the panic button.  Do you want to erase all "
                                      "your audits?\r\nYou will have to recreate all of them"});
        QCOMPARE(m_stand->messages.shown().value(0).icon, MessageIcon::None);
        QCOMPARE(db().connectionStrings(), QStringList{});
        QVERIFY(!m_stand->process.ended());
    }

    void panicAnsweredYesSweepsSaysSoAndEndsTheProgram() {
        m_stand->messages.answerNext(true);
        db().onQuery(kTablesSwept, QStringList{"NAME"},
                     {textRow({"ZOTA_SYSTEM_TABLE"}), textRow({"ZOTA_ORDAUD"})});
        db().onQuery(kTriggersSwept, QStringList{"NAME"}, {textRow({"ZOTA_ORDAUD"})});
        db().onQuery(kProceduresSwept, QStringList{"NAME"}, {textRow({"ZOTA_ORDAUD"})});
        panicSqlBase(m_stand->services, m_stand->login);
        QCOMPARE(db().statements(),
                 (QStringList{kTablesSwept, "Drop table ZOTA_SYSTEM_TABLE",
                              "Drop table ZOTA_ORDAUD", kTriggersSwept, "Drop trigger ZOTA_ORDAUD",
                              kProceduresSwept, "Erase ZOTA_ORDAUD"}));
        QCOMPARE(shown(), (QStringList{sqlBasePanicQuestion(),
                                       "All audits and related items have been removed from your "
                                       "database.\r\nQuorvex will now exit.  You must restart the "
                                       "program"}));
        QCOMPARE(m_stand->process.exitCodes(), QList<int>{0});
        QCOMPARE(db().openNow(), 0);
    }

    void panicReportsFailuresAndStillEndsWithItsLastWord() {
        m_stand->messages.answerNext(true);
        db().failOn("Drop table ZOTA_ORDAUD", FakeDatabase::error("Table in use"));
        db().onQuery(kTablesSwept, QStringList{"NAME"},
                     {textRow({"ZOTA_ORDAUD"}), textRow({"ZOTA_SYSTEM_TABLE"})});
        db().setUnscriptedQueriesEmpty(true);
        panicSqlBase(m_stand->services, m_stand->login);
        QCOMPARE(db().statements(),
                 (QStringList{kTablesSwept, "Drop table ZOTA_ORDAUD",
                              "Drop table ZOTA_SYSTEM_TABLE", kTriggersSwept, kProceduresSwept}));
        QCOMPARE(shown(), (QStringList{sqlBasePanicQuestion(), "Table in use",
                                       "Not all audits and related items could be removed from "
                                       "your database.\r\nQuorvex will now exit.  You must "
                                       "restart the program"}));
        QCOMPARE(m_stand->process.exitCodes(), QList<int>{0});

        init();
        m_stand->messages.answerNext(true);
        const DbErrorList errors = FakeDatabase::error("Database ORDERSDB not found");
        db().failOpen(errors);
        panicSqlBase(m_stand->services, m_stand->login);
        QCOMPARE(shown(), (QStringList{sqlBasePanicQuestion(), sqlBaseConnectionReport(errors),
                                       sqlBasePanicIncompleteMessage()}));
        QCOMPARE(m_stand->process.exitCodes(), QList<int>{0});
    }

    // --- the back end behind the main window ---

    void columnsComeFromSyscolumnsInCatalogueOrder() {
        auto backend = listedBackend();
        QCOMPARE(backend->listColumns(QString()), QStringList{});
        QCOMPARE(db().statements(), QStringList{});
        db().onQuery(kColumnsQuery, QStringList{"NAME", "COLTYPE", "LENGTH", "SCALE"},
                     {textRow({"ORDNO", "INTEGER", "4", "0"}),
                      textRow({"CITY", "VARCHAR", "30", "0"}),
                      textRow({"PRICE", "DECIMAL", "8", "2"})});
        QCOMPARE(backend->listColumns("ORDERS"), (QStringList{"ORDNO", "CITY", "PRICE"}));
        QCOMPARE(db().statements(), QStringList{kColumnsQuery});
        QCOMPARE(db().opened(), 2); // the listing, then this choice
        QCOMPARE(db().openNow(), 0);
    }

    void failingColumnQueryIsShown() {
        auto backend = listedBackend();
        db().failOn(kColumnsQuery, FakeDatabase::error("Lock timeout"));
        QCOMPARE(backend->listColumns("ORDERS"), QStringList{});
        QCOMPARE(shown(), QStringList{"Lock timeout"});
    }

    void disableActsOnEveryGivenRowThenReloadsOnce() {
        auto backend = listedBackend();
        backend->disableAudits(*m_grid, {0, 2});
        QCOMPARE(
            db().statements(),
            (QStringList{enableStatement("N", "ZOTA_ORDAUD"), "ALTER TRIGGER ZOTA_ORDAUD DISABLE",
                         enableStatement("N", "ZOTA_PAY"), "ALTER TRIGGER ZOTA_PAY DISABLE"} +
             kListing));
        QCOMPARE(shown(), QStringList{});
        db().clearLog();
        backend->enableAudits(*m_grid, {});
        QCOMPARE(db().statements(), kListing);
    }

    void enableGoesOnAfterAFailingAuditAndReloadsOnce() {
        auto backend = listedBackend();
        db().failOn("ALTER TRIGGER ZOTA_ORDAUD ENABLE",
                    FakeDatabase::error("Trigger ZOTA_ORDAUD not found"));
        backend->enableAudits(*m_grid, {0, 1});
        QCOMPARE(
            db().statements(),
            (QStringList{enableStatement("Y", "ZOTA_ORDAUD"), "ALTER TRIGGER ZOTA_ORDAUD ENABLE",
                         enableStatement("Y", "ZOTA_ORDUPD"), "ALTER TRIGGER ZOTA_ORDUPD ENABLE"} +
             kListing));
        QCOMPARE(shown(), QStringList{"Trigger ZOTA_ORDAUD not found"});
    }

    void lostConnectionEndsTheActionAfterOneReport() {
        auto backend = listedBackend();
        db().failOpen(FakeDatabase::error("Server is not responding"));
        backend->disableAudits(*m_grid, {0, 1, 2});
        QCOMPARE(db().statements(), QStringList{});
        QCOMPARE(shown().size(), 1);
        QCOMPARE(m_grid->rowCount(), 3);
    }

    void deleteConfirmedRemovesEverySelectedAuditThenReloadsOnce() {
        auto backend = listedBackend();
        QVERIFY(backend->prepareDelete());
        QCOMPARE(db().openNow(), 1);
        backend->deleteAudits(*m_grid, {1, 2}, AuditBackend::DeleteAnswer::Yes);
        QCOMPARE(db().statements(),
                 deleteStatements("ZOTA_ORDUPD") + deleteStatements("ZOTA_PAY") + kListing);
        QCOMPARE(db().openNow(), 0);

        db().clearLog();
        QVERIFY(backend->prepareDelete());
        backend->deleteAudits(*m_grid, {0, 1, 2}, AuditBackend::DeleteAnswer::No);
        QCOMPARE(db().statements(), kListing);
        QCOMPARE(db().openNow(), 0);
    }

    // A trigger that is gone lets the rest of its audit go; one that is still there keeps its
    // procedure, table and catalog row, since they would otherwise fail every write to the
    // audited table.
    void deleteStopsAtALiveTriggerAndGoesOnPastMissingObjects() {
        auto backend = listedBackend();
        const QString askOrdAud = "Select name from systriggers where name = 'ZOTA_ORDAUD'";
        const QString askOrdUpd = "Select name from systriggers where name = 'ZOTA_ORDUPD'";
        db().failOn("DROP TRIGGER ZOTA_ORDAUD",
                    FakeDatabase::error("Trigger ZOTA_ORDAUD does not exist"));
        db().onQuery(askOrdAud, QStringList{"NAME"}, {});
        db().failOn("DROP TABLE ZOTA_ORDAUD",
                    FakeDatabase::error("Table ZOTA_ORDAUD does not exist"));
        db().failOn("DROP TRIGGER ZOTA_ORDUPD", FakeDatabase::error("Object is in use"));
        db().onQuery(askOrdUpd, QStringList{"NAME"}, {textRow({"ZOTA_ORDUPD"})});
        QVERIFY(backend->prepareDelete());
        backend->deleteAudits(*m_grid, {0, 1}, AuditBackend::DeleteAnswer::Yes);
        QStringList expected = deleteStatements("ZOTA_ORDAUD");
        expected.insert(1, askOrdAud);
        expected.removeAt(2); // the COMMIT of a drop that failed
        expected << "DROP TRIGGER ZOTA_ORDUPD" << askOrdUpd;
        QCOMPARE(db().statements(), expected + kListing);
        QCOMPARE(shown(), (QStringList{"Table ZOTA_ORDAUD does not exist", "Object is in use"}));
    }

    void deleteWithoutAConnectionEndsBeforeTheQuestion() {
        auto backend = listedBackend();
        const DbErrorList errors = FakeDatabase::error("Database ORDERSDB not found");
        db().failOpen(errors);
        QVERIFY(!backend->prepareDelete());
        QCOMPARE(shown(), QStringList{sqlBaseConnectionReport(errors)});
        QCOMPARE(db().statements(), QStringList{});
    }
};

// The login window on a scripted stand; the main window it opens is a counter.
class SqlBaseLoginWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<SqlBaseStand> m_stand;
    std::unique_ptr<SqlBaseLoginWindow> m_window;
    int m_mainWindowOpens = 0;

    void fillIn(const QString& server, const QString& database, const QString& password) {
        QTest::keyClicks(m_window->serverNameBox(), server);
        QTest::keyClicks(m_window->databaseBox(), database);
        QTest::keyClicks(m_window->passwordBox(), password);
    }
    void ok() { QTest::mouseClick(m_window->okButton(), Qt::LeftButton); }

private Q_SLOTS:
    void init() {
        m_stand = std::make_unique<SqlBaseStand>();
        m_stand->login = {};
        m_mainWindowOpens = 0;
        m_window = std::make_unique<SqlBaseLoginWindow>(m_stand->services, m_stand->login, [this] {
            ++m_mainWindowOpens;
            return true;
        });
        m_window->show();
    }
    void cleanup() {
        m_window.reset();
        m_stand.reset();
    }

    void missingEntryDoesNothing() {
        for (const QStringList& entry :
             {QStringList{"", "ORDERSDB", "secret"}, QStringList{"SRV1", "", "secret"},
              QStringList{"SRV1", "ORDERSDB", ""}}) {
            cleanup();
            init();
            fillIn(entry[0], entry[1], entry[2]);
            ok();
            QCOMPARE(m_stand->database.connectionStrings(), QStringList{});
            QCOMPARE(m_stand->messages.texts(), QStringList{});
            QCOMPARE(m_stand->login.database, QString());
            QCOMPARE(m_mainWindowOpens, 0);
            QVERIFY(m_window->isVisible());
        }
    }

    void failedTestShowsTheReportAndTheWindowStaysForACorrection() {
        const DbErrorList errors = FakeDatabase::error("Invalid password", 1002, "28000");
        m_stand->database.failOpen(errors);
        fillIn("SRV1", "ORDERSDB", "wrong");
        ok();
        QCOMPARE(m_stand->messages.texts(), QStringList{sqlBaseConnectionReport(errors)});
        QCOMPARE(m_mainWindowOpens, 0);
        QVERIFY(m_window->isVisible());
        QCOMPARE(m_window->passwordBox()->text(), QString("wrong"));
        QCOMPARE(m_stand->login.password, QString("wrong"));

        m_stand->database.failOpen({});
        m_window->passwordBox()->clear();
        QTest::keyClicks(m_window->passwordBox(), "secret");
        ok();
        QCOMPARE(m_stand->login.password, QString("secret"));
        QCOMPARE(m_mainWindowOpens, 1);
        QVERIFY(!m_window->isVisible());
    }

    // Against a real SQLBase database, only when QUORVEX_TEST_SQLBASE holds
    // "database|password"; works in a table of its own and removes what it made.
    void liveAuditRecordsAnInsertAndIsRemovedAgain() {
        const QStringList given = qEnvironmentVariable("QUORVEX_TEST_SQLBASE").split(u'|');
        if (given.size() != 2)
            QSKIP("QUORVEX_TEST_SQLBASE is not set (database|password)");
        ScriptedMessageService messages;
        RecordingProcessControl process;
        RecordingDesktopServices desktop;
        FakeWorkingDirectory workingDirectory;
        OdbcConnectionFactory connections;
        PlatformServices services{messages, process, desktop, workingDirectory, connections};
        const SqlBaseLoginValues login{given[0], given[1]};
        // Leftovers of an earlier run are tolerated.
        const auto execute = [&](const QStringList& statements) {
            auto connection = connectToSqlBase(connections, login, messages);
            for (const QString& statement : statements) {
                try {
                    if (connection)
                        connection->execute(statement);
                } catch (const DbException&) {
                }
            }
        };
        SqlBaseCatalog catalog(services, login);
        catalog.remove("ZOTA_QVXTEST");
        execute({"DROP TABLE QVX_ORDERS",
                 "CREATE TABLE QVX_ORDERS (ORDNO INTEGER, CITY "
                 "VARCHAR(30))",
                 "COMMIT"});
        Grid grid;
        QVERIFY(startSqlBaseMainWindow(grid, services, login).has_value());
        AuditDefinition definition = parisInserts();
        definition.table = "QVX_ORDERS";
        definition.name = "QVXTEST";
        QCOMPARE(saveSqlBaseAudit(definition, services, login).outcome, SaveResult::Outcome::Saved);
        execute({"INSERT INTO QVX_ORDERS VALUES (1, 'Paris')", "COMMIT"});
        QCOMPARE(catalog.list(grid), SqlBaseCatalog::Outcome::Done);
        QVERIFY(gridTexts(grid).contains({"1 RECORDS", "ZOTA_QVXTEST", "Order inserts", "Y"}));
        QCOMPARE(catalog.remove("ZOTA_QVXTEST"), SqlBaseCatalog::Outcome::Done);
        execute({"DROP TABLE QVX_ORDERS", "COMMIT"});
        QCOMPARE(messages.texts(), QStringList{});
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    SqlBaseBackendTest backend;
    SqlBaseLoginWindowTest login;
    const int failures = QTest::qExec(&backend, argc, argv) + QTest::qExec(&login, argc, argv);
    return failures == 0 ? 0 : 1;
}

#include "SqlBaseBackendTest.moc"
