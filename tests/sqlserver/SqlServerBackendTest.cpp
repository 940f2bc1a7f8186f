// The main window's SQL Server back end over the scripted database, as the window calls it off
// its thread: the start-up, the tables and their columns, the installed-audits actions on the
// rows the window passes, the save, and a cancel while the server keeps a statement waiting.
#include "sqlserver/SqlServerBackend.h"

#include "SqlServerBackendTests.h"
#include "SqlServerStand.h"
#include "components/BackgroundTask.h"
#include "components/MessageLog.h"
#include "components/TaskContext.h"
#include "sqlserver/SqlServerConnection.h"

#include "OrdersTable.h"

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
InstalledAuditRow rowB(const char* enabled = "Y") {
    return {"B", "second", enabled, "T2"};
}

QStringList flagOfB(const QString& value) {
    return SqlServerStand::batch("UPDATE tblZOTA_SYSTEM_TABLE SET ENABLED = '" + value +
                                 "' WHERE AUDIT_NAME = 'B'");
}

QStringList texts(const std::optional<AuditListing>& listing, int column) {
    QStringList cells;
    if (listing) {
        for (const Row& row : listing->rows)
            cells << row.at(column).value_or(QString());
    }
    return cells;
}

} // namespace

class SqlServerBackendTest : public QObject {
    Q_OBJECT

    std::unique_ptr<SqlServerStand> m_stand;
    std::unique_ptr<SqlServerBackend> m_backend;
    TaskContext m_task;

    QStringList sent() const { return m_stand->sentAfterPrologues(); }
    QStringList shown() const { return m_stand->messages.texts(); }

private Q_SLOTS:
    void init() {
        m_stand = std::make_unique<SqlServerStand>();
        m_backend = std::make_unique<SqlServerBackend>(m_stand->database, m_stand->loginValues());
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
        const auto loaded = m_backend->load(m_stand->messages, m_task);
        QVERIFY(loaded);
        QCOMPARE(loaded->tables,
                 (QStringList{"Orders", "sales.Refunds", "Customers", "ZOTA_like"}));
        QCOMPARE(texts(loaded->audits, 0), QStringList{"OrderAudit"});
        QCOMPARE(loaded->notice, QString());
        const QStringList states =
            SqlServerStand::stateReads({textRow({"OrderAudit", "New orders", "Y", "Orders"})});
        QCOMPARE(sent(),
                 (QStringList{SqlServerStand::catalogLookUp(), SqlServerStand::auditListing()} +
                  states + QStringList{tablesQuery}));
        // The management connection to master, and the login's database for the reads, each
        // waiting a bounded time for the login and for a catalogue read.
        const SqlServerLoginValues login = m_stand->loginValues();
        QCOMPARE(m_stand->database.connectionStrings(),
                 (QStringList{
                     SqlServerManager::connectionString(login.server, login.user, login.password),
                     buildSqlServerConnectionString(login)}));
        QCOMPARE(m_stand->database.connectionTimeouts(), (QList<int>{15, 15}));
        QVERIFY(!m_stand->database.queryTimeouts().contains(0));
        QCOMPARE(shown(), QStringList());
    }

    // The server is asked once which product it is; on Babelfish the window says so.
    void babelfishIsAskedOnceAndNoticed() {
        m_stand->database.onQuery(SqlServerManager::engineStatement(), QStringList{"b"},
                                  {textRow({"1"})});
        m_stand->scriptCatalogPresent();
        m_stand->scriptAudits({});
        m_stand->scriptTables({});
        const auto loaded = m_backend->load(m_stand->messages, m_task);
        QVERIFY(loaded);
        QVERIFY(loaded->notice.startsWith("Babelfish"));
        QVERIFY(m_backend->listAudits(m_stand->messages, m_task));
        QCOMPARE(m_stand->database.statements().count(SqlServerManager::engineStatement()), 1);
    }

    void aFailingStepFailsTheLoadWithItsMessageOnly_data() {
        QTest::addColumn<QString>("failing");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("message");
        QTest::newRow("the server will not connect")
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
        QVERIFY(!m_backend->load(m_stand->messages, m_task));
        QCOMPARE(shown(), QStringList{message});
        QCOMPARE(sent(), expected);
    }

    void columnsComeInCatalogueOrderAndAGoneTableListsNothing() {
        m_stand->scriptColumns("Orders", {textRow({"ID", "int", "0", "10", "0", "1"}),
                                          textRow({"CUSTOMER", "nvarchar", "40", "0", "0", "0"}),
                                          textRow({"TOTAL", "decimal", "0", "18", "2", "0"})});
        m_stand->scriptColumns("Gone", {});
        QCOMPARE(m_backend->listColumns("Orders", m_stand->messages, m_task),
                 (QStringList{"ID", "CUSTOMER", "TOTAL"}));
        QCOMPARE(m_backend->listColumns("Gone", m_stand->messages, m_task),
                 std::optional<QStringList>());
        QCOMPARE(shown(), QStringList{"The name 'Gone' was not found in the Tables collection of "
                                      "database 'Sales'."});
    }

    void disableAndEnableActOnTheGivenRowOnlyThenReload_data() {
        QTest::addColumn<bool>("disable");
        QTest::addColumn<bool>("fails");
        QTest::addColumn<QStringList>("expected");
        const QStringList disable =
            SqlServerStand::batch("ALTER TABLE T2 DISABLE TRIGGER trgZOTA_B");
        const QStringList reload = QStringList{SqlServerStand::auditListing()} +
                                   SqlServerStand::stateReads(threeAudits("Y"));
        QTest::newRow("disable") << true << false << flagOfB("N") + disable + reload;
        QTest::newRow("enable") << false << false
                                << flagOfB("Y") +
                                       SqlServerStand::batch(
                                           "ALTER TABLE T2 ENABLE TRIGGER trgZOTA_B") +
                                       reload;
        QTest::newRow("a failing disable puts the row back")
            << true << true << flagOfB("N") + disable + flagOfB("Y") + reload;
    }
    void disableAndEnableActOnTheGivenRowOnlyThenReload() {
        QFETCH(bool, disable);
        QFETCH(bool, fails);
        QFETCH(QStringList, expected);
        m_stand->scriptAudits(threeAudits("Y"));
        if (fails)
            m_stand->database.failOn("ALTER TABLE T2 DISABLE TRIGGER trgZOTA_B",
                                     FakeDatabase::error("Cannot find the object \"T2\"."));
        const auto listing =
            disable
                ? m_backend->disableAudits({rowB(disable ? "Y" : "N")}, m_stand->messages, m_task)
                : m_backend->enableAudits({rowB("N")}, m_stand->messages, m_task);
        QCOMPARE(sent(), expected);
        QCOMPARE(texts(listing, 0), (QStringList{"A", "B", "C"}));
        QCOMPARE(shown(), fails ? QStringList{"Cannot find the object \"T2\"."} : QStringList());
    }

    void withoutARowNothingIsSwitchedOrReloaded() {
        QVERIFY(!m_backend->disableAudits({}, m_stand->messages, m_task));
        QVERIFY(!m_backend->enableAudits({}, m_stand->messages, m_task));
        QCOMPARE(m_stand->database.statements(), QStringList());
    }

    void deleteRemovesTheGivenRowsAuditOnYesOnly_data() {
        QTest::addColumn<AuditBackend::DeleteAnswer>("answer");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("yes") << AuditBackend::DeleteAnswer::Yes
                             << SqlServerStand::batch("DROP TRIGGER trgZOTA_B") +
                                    SqlServerStand::batch("DROP TABLE tblZOTA_B") +
                                    SqlServerStand::batch("DELETE FROM tblZOTA_SYSTEM_TABLE WHERE "
                                                          "AUDIT_NAME = 'B'") +
                                    QStringList{SqlServerStand::auditListing()} +
                                    SqlServerStand::stateReads(
                                        {textRow({"A", "first", "Y", "T1"}),
                                         textRow({"C", "third", "Y", "T3"})});
        QTest::newRow("no") << AuditBackend::DeleteAnswer::No << QStringList();
    }
    void deleteRemovesTheGivenRowsAuditOnYesOnly() {
        QFETCH(AuditBackend::DeleteAnswer, answer);
        QFETCH(QStringList, expected);
        m_stand->scriptAudits(
            {textRow({"A", "first", "Y", "T1"}), textRow({"C", "third", "Y", "T3"})});
        m_backend->deleteAudits({rowB()}, answer, m_stand->messages, m_task);
        QCOMPARE(sent(), expected);
        QCOMPARE(shown(), QStringList());
    }

    // The server keeps a statement waiting; the operation runs on a worker, and a cancel ends
    // it with nothing half-done.
    void aCancelEndsAWaitingOperationWithNothingHalfDone_data() {
        QTest::addColumn<QString>("held");
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QString>("message");
        const QString trigger = "ALTER TABLE T2 DISABLE TRIGGER trgZOTA_B";
        QTest::newRow("a disable puts the flag back")
            << trigger << "disable"
            << flagOfB("N") + QStringList{"USE [Sales]", trigger} + flagOfB("Y")
            << FakeDatabase::cancelledText();
        QTest::newRow("a delete keeps what is still there")
            << "DROP TRIGGER trgZOTA_B"
            << "delete"
            << SqlServerStand::batch("DROP TRIGGER trgZOTA_B") +
                   QStringList{SqlServerManager::triggerStateStatement("Sales", "trgZOTA_B")}
            << "The audit B was not deleted: its trigger could not be dropped, so its table is "
               "kept and changes to T2 keep working.\r\n\r\n" +
                   FakeDatabase::cancelledText();
        QTest::newRow("a columns read")
            << SqlServerManager::columnsStatement("Sales", "ORDERS") << "columns"
            << QStringList{SqlServerManager::columnsStatement("Sales", "ORDERS")} << "";
    }
    void aCancelEndsAWaitingOperationWithNothingHalfDone() {
        QFETCH(QString, held);
        QFETCH(QString, operation);
        QFETCH(QStringList, after);
        QFETCH(QString, message);
        m_stand->scriptAudits(threeAudits("Y"));
        m_stand->database.onQuery(SqlServerManager::triggerStateStatement("Sales", "trgZOTA_B"),
                                  QStringList{"d"}, {textRow({"0"})});
        m_stand->database.holdOn(held);
        auto log = std::make_shared<MessageLog>();
        SqlServerBackend* backend = m_backend.get();
        BackgroundTask task;
        task.start([backend, log, operation](TaskContext& context) {
            if (operation == "disable")
                backend->disableAudits({rowB()}, *log, context);
            else if (operation == "delete")
                backend->deleteAudits({rowB()}, AuditBackend::DeleteAnswer::Yes, *log, context);
            else
                backend->listColumns("ORDERS", *log, context);
        });
        QTRY_COMPARE(m_stand->database.waiting(), 1);
        task.cancel();
        QVERIFY(task.waitForDone(5000));
        QStringList sentNow = sent();
        sentNow.removeAll(SqlServerStand::auditListing());
        for (const QString& read : SqlServerStand::stateReads(threeAudits("Y")))
            sentNow.removeAll(read);
        QCOMPARE(sentNow, after);
        QCOMPARE(log->texts(), message.isEmpty() ? QStringList() : QStringList{message});
    }
};

int runSqlServerBackendTests(int argc, char** argv) {
    SqlServerBackendTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SqlServerBackendTest.moc"
