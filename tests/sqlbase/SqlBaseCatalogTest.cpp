#include "sqlbase/SqlBaseCatalog.h"
#include "SqlBaseCatalogScript.h"
#include "SqlBaseStand.h"
#include "SqlBaseWidgetTests.h"
#include "components/Grid.h"

#include <QTest>
#include <memory>

using namespace quorvex;
using namespace quorvex::testing;
using quorvex::sqlbase::SqlBaseCatalog;

using RowTexts = QList<QStringList>;

class SqlBaseCatalogTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        m_stand = std::make_unique<SqlBaseStand>();
        m_catalog = std::make_unique<SqlBaseCatalog>(m_stand->services, m_stand->login);
        m_grid = std::make_unique<Grid>();
    }
    void cleanup() {
        m_grid.reset();
        m_catalog.reset();
        m_stand.reset();
    }

    // --- create ---

    void createSendsTheCatalogTableAndACommit() {
        QCOMPARE(m_catalog->create(), SqlBaseCatalog::Outcome::Done);
        QCOMPARE(m_stand->database.statements(),
                 (QStringList{"CREATE TABLE ZOTA_SYSTEM_TABLE (AUDIT_NAME VARCHAR(20),"
                              "AUDIT_DESCRIPTION VARCHAR(200), ENABLED CHAR(1)) PCTFREE 10",
                              "COMMIT"}));
        QCOMPARE(m_stand->database.openNow(), 0);
    }

    void failingCreateShowsTheProvidersTextAndStops() {
        m_stand->database.failOnMatching(QRegularExpression("^CREATE TABLE"),
                                         FakeDatabase::error("Name conflicts with a table"));
        QCOMPARE(m_catalog->create(), SqlBaseCatalog::Outcome::Failed);
        QCOMPARE(m_stand->messages.texts(), QStringList{"Name conflicts with a table"});
        QCOMPARE(m_stand->database.statements().size(), 1);
        QCOMPARE(m_stand->database.openNow(), 0);
    }

    // --- list ---

    void listShowsEachAuditWithItsRecordCount() {
        scriptThreeAudits(m_stand->database);

        QCOMPARE(m_catalog->list(*m_grid), SqlBaseCatalog::Outcome::Done);

        QCOMPARE(m_stand->database.statements(), threeAuditsListing());
        QCOMPARE(gridTexts(*m_grid), (RowTexts{threeAuditsHeader(),
                                               {"NO RECORDS", "ZOTA_ORDAUD", "Order inserts", "Y"},
                                               {"1 RECORDS", "ZOTA_ORDUPD", "Order changes", "N"},
                                               {"1234 RECORDS", "ZOTA_PAY", "Payments", "Y"}}));
        QCOMPARE(m_grid->currentRow(), 0);
        QCOMPARE(m_stand->messages.texts(), QStringList{});
        QCOMPARE(m_stand->database.openNow(), 0);
    }

    void emptyCatalogSendsNoCountQuery() {
        m_stand->database.onQuery(catalogListQuery(),
                                  QStringList{"AUDIT_NAME", "AUDIT_DESCRIPTION", "ENABLED"}, {});

        QCOMPARE(m_catalog->list(*m_grid), SqlBaseCatalog::Outcome::Done);

        QCOMPARE(m_stand->database.statements(), QStringList{catalogListQuery()});
        QCOMPARE(gridTexts(*m_grid), RowTexts{threeAuditsHeader()});
        QCOMPARE(m_grid->currentRow(), Grid::NoCurrentRow);
    }

    void failingCountIsShownAndStopsTheListing() {
        m_stand->database.failOn(countQuery("ZOTA_ORDUPD"),
                                 FakeDatabase::error("Table ZOTA_ORDUPD has not been created"));
        scriptThreeAudits(m_stand->database);

        QCOMPARE(m_catalog->list(*m_grid), SqlBaseCatalog::Outcome::Failed);

        QCOMPARE(m_stand->database.statements(),
                 (QStringList{catalogListQuery(), countQuery("ZOTA_ORDAUD"),
                              countQuery("ZOTA_ORDUPD")}));
        QCOMPARE(m_stand->messages.texts(), QStringList{"Table ZOTA_ORDUPD has not been created"});
        // Every audit stays listed, so the broken one can still be deleted.
        QCOMPARE(gridTexts(*m_grid), (RowTexts{threeAuditsHeader(),
                                               {"NO RECORDS", "ZOTA_ORDAUD", "Order inserts", "Y"},
                                               {"", "ZOTA_ORDUPD", "Order changes", "N"},
                                               {"", "ZOTA_PAY", "Payments", "Y"}}));
        QCOMPARE(m_stand->database.openNow(), 0);
    }

    void unreadableCatalogEmptiesTheGrid() {
        scriptThreeAudits(m_stand->database);
        QCOMPARE(m_catalog->list(*m_grid), SqlBaseCatalog::Outcome::Done);
        // The same grid reloaded from a database whose catalog cannot be read.
        SqlBaseStand failing;
        failing.database.failOn(catalogListQuery(), FakeDatabase::error("Lock timeout"));
        SqlBaseCatalog failingCatalog(failing.services, failing.login);

        QCOMPARE(failingCatalog.list(*m_grid), SqlBaseCatalog::Outcome::Failed);

        QCOMPARE(failing.messages.texts(), QStringList{"Lock timeout"});
        QCOMPARE(m_grid->rowCount(), 0);
        QCOMPARE(m_grid->colCount(), 0);
    }

    void listWithoutAConnectionLeavesTheGridAlone() {
        scriptThreeAudits(m_stand->database);
        m_catalog->list(*m_grid);
        m_stand->database.failOpen(FakeDatabase::error("Database ORDERSDB not found"));

        QCOMPARE(m_catalog->list(*m_grid), SqlBaseCatalog::Outcome::NoConnection);

        QCOMPARE(m_grid->rowCount(), 3);
        QCOMPARE(m_stand->messages.texts().size(), 1);
    }

    // --- disable, enable, delete (the back end's tests follow them over several rows) ---

    void firstFailingStatementEndsADisable() {
        m_stand->database.failOnMatching(QRegularExpression("^UPDATE"),
                                         FakeDatabase::error("Table ZOTA_SYSTEM_TABLE locked"));

        QCOMPARE(m_catalog->disable("ZOTA_ORDAUD"), SqlBaseCatalog::Outcome::Failed);

        QCOMPARE(m_stand->database.statements().size(), 1);
        QCOMPARE(m_stand->messages.texts(), QStringList{"Table ZOTA_SYSTEM_TABLE locked"});
        QCOMPARE(m_stand->messages.shown().value(0).icon, MessageIcon::None);
    }

    void quoteInANameCannotBreakTheCatalogStatements() {
        m_catalog->disable("ZOTA_O'X");
        QCOMPARE(m_stand->database.statements().value(0),
                 QString("UPDATE ZOTA_SYSTEM_TABLE SET ENABLED = 'N' WHERE AUDIT_NAME = "
                         "'ZOTA_O''X'"));
    }

private:
    std::unique_ptr<SqlBaseStand> m_stand;
    std::unique_ptr<SqlBaseCatalog> m_catalog;
    std::unique_ptr<Grid> m_grid;
};

int runSqlBaseCatalogTests(int argc, char** argv) {
    SqlBaseCatalogTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SqlBaseCatalogTest.moc"
