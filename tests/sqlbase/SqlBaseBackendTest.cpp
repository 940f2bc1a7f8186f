#include "sqlbase/SqlBaseBackend.h"
#include "SqlBaseStand.h"
#include "components/OdbcConnectionFactory.h"
#include "components/Timeouts.h"
#include "sqlbase/SqlBaseCatalog.h"
#include "sqlbase/SqlBaseConnection.h"
#include "sqlbase/SqlBaseSession.h"
#include "sqlbase/SqlBaseStartup.h"

#include <QTest>
#include <memory>
#include <thread>

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
const QString kTablesSwept = "Select name from systables where name like 'ZOTA%'";
const QString kTriggersSwept = "Select name from systriggers where name like 'ZOTA%'";
const QString kProceduresSwept = "Select name from syscommands where name like 'ZOTA%'";
const QStringList kHeader = {"", "AUDIT_NAME", "AUDIT_DESCRIPTION", "ENABLED", "STATE"};

QString countQuery(const QString& name) {
    return "SELECT COUNT(*) FROM " + name;
}

QString triggerQuery(const QString& name) {
    return "Select TBNAME from systriggers where name = '" + name + "'";
}

QString columnsQuery(const QString& table) {
    return "SELECT NAME, COLTYPE, LENGTH, SCALE FROM SYSCOLUMNS WHERE TBNAME = '" + table + "'";
}

// What a listing reads to tell each audit's state.
QStringList stateReads(const QString& name, const QString& table) {
    if (table.isEmpty())
        return {triggerQuery(name)};
    return {triggerQuery(name), columnsQuery(table), columnsQuery(name)};
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
    // ORDAUD copies ORDNO as it is; ORDUPD keeps CITY's old value, and CITY grew since; PAY
    // has lost its trigger.
    const QStringList columns{"NAME", "COLTYPE", "LENGTH", "SCALE"};
    database.onQuery(triggerQuery("ZOTA_ORDAUD"), QStringList{"TBNAME"}, {textRow({"ORDERS"})});
    database.onQuery(triggerQuery("ZOTA_ORDUPD"), QStringList{"TBNAME"}, {textRow({"ORDERS  "})});
    database.onQuery(triggerQuery("ZOTA_PAY"), QStringList{"TBNAME"}, {});
    database.onQuery(
        columnsQuery("ORDERS"), columns,
        {textRow({"ORDNO", "INTEGER", "4", "0"}), textRow({"CITY", "VARCHAR", "40", "0"})});
    database.onQuery(columnsQuery("ZOTA_ORDAUD"), columns,
                     {textRow({"ORDNO", "INTEGER", "4", "0"}),
                      textRow({"DATE", "TIMESTMP", "10", "6"}),
                      textRow({"USERID", "VARCHAR", "8", "0"})});
    database.onQuery(columnsQuery("ZOTA_ORDUPD"), columns,
                     {textRow({"CITY", "VARCHAR", "30", "0"}),
                      textRow({"CITYO", "VARCHAR", "30", "0"}),
                      textRow({"DATE", "TIMESTMP", "10", "6"})});
}

const QStringList kListing = QStringList{kCatalogList, countQuery("ZOTA_ORDAUD"),
                                         countQuery("ZOTA_ORDUPD"), countQuery("ZOTA_PAY")} +
                             stateReads("ZOTA_ORDAUD", "ORDERS") +
                             stateReads("ZOTA_ORDUPD", "ORDERS") + stateReads("ZOTA_PAY", "");

// The rows of the grid as the listing fills it: the header, then row by row.
RowTexts listingTexts(const AuditListing& listing) {
    RowTexts rows{{}};
    for (const FieldInfo& field : listing.fields)
        rows[0] << field.name;
    for (const Row& row : listing.rows) {
        QStringList cells;
        for (const FieldValue& value : row)
            cells << value.value_or(QString());
        rows << cells;
    }
    return rows;
}

const RowTexts kThreeAuditsListed = {
    kHeader,
    {"NO RECORDS", "ZOTA_ORDAUD", "Order inserts", "Y", "ok"},
    {"1 RECORDS", "ZOTA_ORDUPD", "Order changes", "N", "table changed"},
    {"1234 RECORDS", "ZOTA_PAY", "Payments", "Y", "trigger missing"}};

// The grid's rows as the window hands them over.
QList<InstalledAuditRow> gridRows(const QList<int>& indexes) {
    QList<InstalledAuditRow> rows;
    for (int index : indexes)
        rows << kThreeAuditsListed.value(index + 1);
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

// Each operation called as a worker of the main window calls it.
class SqlBaseBackendTest : public QObject {
    Q_OBJECT

    std::unique_ptr<SqlBaseStand> m_stand;
    std::unique_ptr<SqlBaseBackend> m_backend;
    FakeDatabase& db() { return m_stand->database; }
    SqlBaseBackend& backend() { return *m_backend; }
    MessageService& messages() { return m_stand->messages; }
    TaskContext& task() { return m_stand->task; }
    QStringList shown() { return m_stand->messages.texts(); }
    // A back end whose grid shows the three audits.
    void listThreeAudits() {
        scriptThreeAudits(db());
        QCOMPARE(listingTexts(*backend().listAudits(messages(), task())), kThreeAuditsListed);
        db().clearLog();
    }

private Q_SLOTS:
    void init() {
        m_backend.reset();
        m_stand = std::make_unique<SqlBaseStand>();
        m_backend = std::make_unique<SqlBaseBackend>(db(), m_stand->login);
    }

    void firstStartCreatesTheCatalogAndListsTheTables() {
        db().onQuery(kCatalogCheck, QStringList{"NAME"}, {});
        db().onQuery(kTablesQuery, QStringList{"NAME"},
                     {textRow({"ORDERS"}), textRow({"CUSTOMERS"}), textRow({"PAYMENTS"})});
        const std::optional<AuditBackend::Loaded> loaded = backend().load(messages(), task());
        QVERIFY(loaded);
        QCOMPARE(loaded->tables, (QStringList{"ORDERS", "CUSTOMERS", "PAYMENTS"}));
        QCOMPARE(loaded->audits.rows.size(), std::size_t(0));
        QCOMPARE(db().statements(),
                 (QStringList{kCatalogCheck, kCreateCatalog, "COMMIT", kTablesQuery}));
        // Reads give up after the query time-out; the creation waits for locks.
        QCOMPARE(db().queryTimeouts(),
                 (QList<int>{catalogueQueryTimeoutSeconds, 0, 0, catalogueQueryTimeoutSeconds}));
        QCOMPARE(db().connectionTimeouts(), QList<int>{loginTimeoutSeconds});
        QCOMPARE(shown(), QStringList{});
        QCOMPARE(db().openNow(), 0);
    }

    void panicSweepsTablesThenTriggersThenProcedures() {
        db().onQuery(kTablesSwept, QStringList{"NAME"},
                     {textRow({"ZOTA_SYSTEM_TABLE"}), textRow({"ZOTA_ORDAUD"})});
        for (const QString& sweep : {kTriggersSwept, kProceduresSwept})
            db().onQuery(sweep, QStringList{"NAME"}, {textRow({"ZOTA_ORDAUD"})});
        QVERIFY(backend().panicSweep(messages(), task()));
        QCOMPARE(db().statements(),
                 (QStringList{kTablesSwept, "Drop table ZOTA_SYSTEM_TABLE",
                              "Drop table ZOTA_ORDAUD", kTriggersSwept, "Drop trigger ZOTA_ORDAUD",
                              kProceduresSwept, "Erase ZOTA_ORDAUD"}));
        QCOMPARE(shown(), QStringList{});
        QCOMPARE(db().openNow(), 0);
    }

    void disableActsOnEveryGivenRowThenReloadsOnce() {
        listThreeAudits();
        QCOMPARE(listingTexts(*backend().disableAudits(gridRows({0, 2}), messages(), task())),
                 kThreeAuditsListed);
        QCOMPARE(
            db().statements(),
            (QStringList{enableStatement("N", "ZOTA_ORDAUD"), "ALTER TRIGGER ZOTA_ORDAUD DISABLE",
                         enableStatement("N", "ZOTA_PAY"), "ALTER TRIGGER ZOTA_PAY DISABLE"} +
             kListing));
        QCOMPARE(shown(), QStringList{});
    }

    // The question comes between two workers: the connection opened before it serves the
    // delete after it, on another thread.
    void deleteConfirmedRemovesEverySelectedAuditThenReloadsOnce() {
        listThreeAudits();
        bool prepared = false;
        std::thread([&] { prepared = backend().prepareDelete(messages(), task()); }).join();
        QVERIFY(prepared);
        QCOMPARE(db().openNow(), 1);
        std::optional<AuditListing> listing;
        std::thread([&] {
            listing = backend().deleteAudits(gridRows({1, 2}), AuditBackend::DeleteAnswer::Yes,
                                             messages(), task());
        }).join();
        QVERIFY(listing);
        QCOMPARE(db().statements(),
                 deleteStatements("ZOTA_ORDUPD") + deleteStatements("ZOTA_PAY") + kListing);
        QCOMPARE(db().opened(), 2); // the first listing, then the one before the question
        QCOMPARE(db().openNow(), 0);

        db().clearLog();
        QVERIFY(backend().prepareDelete(messages(), task()));
        QVERIFY(backend().deleteAudits(gridRows({0, 1, 2}), AuditBackend::DeleteAnswer::No,
                                       messages(), task()));
        QCOMPARE(db().statements(), kListing);
        QCOMPARE(db().openNow(), 0);
    }

    // A trigger that is gone lets the rest of its audit go; one that is still there keeps its
    // procedure, table and catalog row, since they would otherwise fail every write to the
    // audited table.
    void deleteStopsAtALiveTriggerAndGoesOnPastMissingObjects() {
        listThreeAudits();
        const QString askOrdAud = "Select name from systriggers where name = 'ZOTA_ORDAUD'";
        const QString askOrdUpd = "Select name from systriggers where name = 'ZOTA_ORDUPD'";
        db().failOn("DROP TRIGGER ZOTA_ORDAUD",
                    FakeDatabase::error("Trigger ZOTA_ORDAUD does not exist"));
        db().onQuery(askOrdAud, QStringList{"NAME"}, {});
        db().failOn("DROP TABLE ZOTA_ORDAUD",
                    FakeDatabase::error("Table ZOTA_ORDAUD does not exist"));
        db().failOn("DROP TRIGGER ZOTA_ORDUPD", FakeDatabase::error("Object is in use"));
        db().onQuery(askOrdUpd, QStringList{"NAME"}, {textRow({"ZOTA_ORDUPD"})});
        QVERIFY(backend().prepareDelete(messages(), task()));
        QVERIFY(backend().deleteAudits(gridRows({0, 1}), AuditBackend::DeleteAnswer::Yes,
                                       messages(), task()));
        QStringList expected = deleteStatements("ZOTA_ORDAUD");
        expected.insert(1, askOrdAud);
        expected.removeAt(2); // the COMMIT of a drop that failed
        expected << "DROP TRIGGER ZOTA_ORDUPD" << askOrdUpd;
        QCOMPARE(db().statements(), expected + kListing);
        QCOMPARE(shown(), (QStringList{"Table ZOTA_ORDAUD does not exist", "Object is in use"}));
    }

    // A cancel reaches the drop of a trigger, which leaves that audit whole; the audits after it
    // are not touched and nothing is reloaded.
    void cancelledDeleteLeavesNoAuditHalfRemoved() {
        listThreeAudits();
        db().holdOn("DROP TRIGGER ZOTA_ORDUPD");
        QVERIFY(backend().prepareDelete(messages(), task()));
        std::optional<AuditListing> listing = AuditListing{};
        QVERIFY(cancelWhileHeld(db(), task(), [&] {
            listing = backend().deleteAudits(gridRows({0, 1, 2}), AuditBackend::DeleteAnswer::Yes,
                                             messages(), task());
        }));
        QVERIFY(!listing.has_value());
        QCOMPARE(db().statements(),
                 deleteStatements("ZOTA_ORDAUD") + QStringList{"DROP TRIGGER ZOTA_ORDUPD"});
        QCOMPARE(
            shown(),
            QStringList{"Cancelled. Deleted: ZOTA_ORDAUD. Not deleted: ZOTA_ORDUPD, ZOTA_PAY."});
        QCOMPARE(db().openNow(), 0);
    }

    // Against the SQLBase database QUORVEX_TEST_SQLBASE names as "database|password".
    void liveAuditRecordsAnInsertAndIsRemovedAgain() {
        const QStringList given = qEnvironmentVariable("QUORVEX_TEST_SQLBASE").split(u'|');
        if (given.size() != 2)
            QSKIP("QUORVEX_TEST_SQLBASE is not set (database|password)");
        ScriptedMessageService messages;
        TaskContext task;
        OdbcConnectionFactory connections;
        const SqlBaseLoginValues login{given[0], given[1]};
        SqlBaseBackend backend(connections, login);
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
        const auto remove = [&] {
            auto session = SqlBaseSession::open(connections, login, messages, task);
            return session ? SqlBaseCatalog(*session).remove("ZOTA_QVXTEST")
                           : SqlBaseCatalog::Outcome::Failed;
        };
        remove();
        messages.clear();
        execute({"DROP TABLE QVX_ORDERS",
                 "CREATE TABLE QVX_ORDERS (ORDNO INTEGER, CITY VARCHAR(30))", "COMMIT"});
        QVERIFY(backend.load(messages, task).has_value());
        AuditDefinition definition = parisInserts();
        definition.table = "QVX_ORDERS";
        definition.name = "QVXTEST";
        QCOMPARE(backend.save(definition, messages, task).outcome, SaveResult::Outcome::Saved);
        execute({"INSERT INTO QVX_ORDERS VALUES (1, 'Paris')", "COMMIT"});
        const std::optional<AuditListing> listing = backend.listAudits(messages, task);
        QVERIFY(listing);
        bool recorded = false;
        for (const QStringList& row : listingTexts(*listing))
            recorded = recorded || row.mid(0, 4) == QStringList{"1 RECORDS", "ZOTA_QVXTEST",
                                                                "Order inserts", "Y"};
        QVERIFY(recorded);
        QCOMPARE(remove(), SqlBaseCatalog::Outcome::Done);
        execute({"DROP TABLE QVX_ORDERS", "COMMIT"});
        QCOMPARE(messages.texts(), QStringList{});
    }
};

QTEST_GUILESS_MAIN(SqlBaseBackendTest)
#include "SqlBaseBackendTest.moc"
