// The audit catalog and the main window's SQL Server back end over the scripted database, for
// what a real server does not do on demand: a statement failing or waiting at a given step. The
// engine tests show the same operations succeeding on a real server.
#include "sqlserver/SqlServerBackend.h"
#include "sqlserver/SqlServerCatalog.h"

#include "SqlServerStand.h"
#include "components/BackgroundTask.h"
#include "components/MessageLog.h"
#include "components/TaskContext.h"

#include <QTest>
#include <memory>

using namespace quorvex;
using namespace quorvex::testing;

using TriggerState = SqlServerCatalog::TriggerState;

namespace {

// The statements that set OrderAudit's ENABLED flag and switch its trigger on Orders.
QStringList flag(const char* value) {
    return SqlServerStand::batch(
        QStringLiteral(
            "UPDATE tblZOTA_SYSTEM_TABLE SET ENABLED = '%1' WHERE AUDIT_NAME = 'OrderAudit'")
            .arg(value));
}
QStringList alter(const char* verb) {
    return SqlServerStand::batch("ALTER TABLE " + SqlServerStand::stored("Orders") + ' ' + verb +
                                 " TRIGGER trgZOTA_OrderAudit");
}

const QString cannotFind = QStringLiteral("Cannot find the object \"Orders\".");
const QString deadlocked = QStringLiteral("Transaction (Process ID 53) was deadlocked.");

} // namespace

class SqlServerBackendTest : public QObject {
    Q_OBJECT

    std::unique_ptr<SqlServerStand> m_stand;
    std::unique_ptr<SqlServerCatalog> m_catalog;

    QStringList sent() const { return m_stand->database.statements(); }
    QStringList shown() const { return m_stand->messages.texts(); }

private Q_SLOTS:
    void init() {
        m_stand = std::make_unique<SqlServerStand>();
        QVERIFY(m_stand->logIn());
        m_catalog = std::make_unique<SqlServerCatalog>(m_stand->session, m_stand->messages);
    }

    // A failing creation of the missing catalog shows the server's message after ZOTA_system-1
    // and nothing else is tried. (A fresh database gets its catalog in the drift engine test.)
    void aCatalogThatCannotBeCreatedIsShown() {
        m_stand->scriptCatalogMissing();
        const QString denied = "CREATE TABLE permission denied in database 'Sales'.";
        m_stand->database.failOn(SqlServerStand::createCatalog(), FakeDatabase::error(denied));
        QVERIFY(!m_catalog->ensure());
        QCOMPARE(sent(), QStringList{SqlServerStand::catalogLookUp()} +
                             SqlServerStand::batch(SqlServerStand::createCatalog()));
        QCOMPARE(shown(), QStringList{"ZOTA_system-1  " + denied});
    }

    void aStateThatCannotBeReadIsToldAndLeftEmpty() {
        const std::vector<Row> rows{textRow({"Fine", "", "Y", "Orders"})};
        m_stand->database.failOn(SqlServerStand::stateReads(rows).first(),
                                 FakeDatabase::error("VIEW DEFINITION permission denied."));
        m_stand->scriptAudits(rows);
        const std::optional<AuditListing> listing = m_catalog->list();
        QVERIFY(listing);
        QCOMPARE(listing->rows.at(0).back().value_or(QString()), QString());
        QVERIFY(!listing->checks.at(0));
        QCOMPARE(shown(), QStringList{"VIEW DEFINITION permission denied."});
    }

    // The row is changed first; a failing ALTER puts it back (a blank flag goes back to the
    // opposite of the new one), and a failing update leaves the trigger alone.
    void aFailingSwitchPutsTheCatalogRowBack_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QStringList>("failing");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("message");
        const QString disable = alter("DISABLE").last();
        QTest::newRow("failing alter, no flag shown")
            << "" << QStringList{disable} << flag("N") + alter("DISABLE") + flag("Y") << cannotFind;
        QTest::newRow("a failing update leaves the trigger alone")
            << "Y" << QStringList{flag("N").last()} << flag("N") << deadlocked;
    }
    void aFailingSwitchPutsTheCatalogRowBack() {
        QFETCH(QString, before);
        QFETCH(QStringList, failing);
        QFETCH(QStringList, expected);
        QFETCH(QString, message);
        for (const QString& statement : failing)
            m_stand->database.failOn(
                statement,
                FakeDatabase::error(statement.startsWith("ALTER") ? cannotFind : deadlocked));
        QVERIFY(!m_catalog->setTriggerState(
            {"OrderAudit", before, SqlServerStand::stored("Orders")}, TriggerState::Disabled));
        QCOMPARE(sent(), expected);
        QCOMPARE(shown(), QStringList{message});
    }

    // A trigger that cannot be dropped keeps its table and row, since dropping the table under
    // a live trigger would make every change to the audited table fail. (The engine's busy-table
    // test shows a later Delete finishing what a failed one left.)
    void aTriggerThatCannotBeDroppedKeepsItsTableAndRow() {
        // A table outside dbo has its trigger dropped from its schema.
        m_stand->database.failOn("DROP TRIGGER sales.trgZOTA_Refunds",
                                 FakeDatabase::error("Cannot drop it.", 3701));
        m_stand->database.onQuery(
            SqlServerManager::triggerStateStatement("Sales", "trgZOTA_Refunds"), QStringList{"d"},
            {textRow({"0"})});
        QVERIFY(!m_catalog->remove({"Refunds", "Y", SqlServerStand::stored("sales.Refunds")}));
        QCOMPARE(sent(), SqlServerStand::batch("DROP TRIGGER sales.trgZOTA_Refunds") +
                             QStringList{SqlServerManager::triggerStateStatement(
                                 "Sales", "trgZOTA_Refunds")});
        QCOMPARE(shown(),
                 QStringList{"The audit Refunds was not deleted: its trigger could not be dropped, "
                             "so its table is kept and changes to sales.Refunds keep "
                             "working.\r\n\r\nCannot drop it."});
    }

    // System tables and the system's own tblZOTA_ tables stay out, in any case and schema;
    // the login and every catalogue read wait a bounded time.
    void loadListsTheAuditableTablesWithBoundedWaits() {
        SqlServerStand stand;
        SqlServerBackend backend(stand.database, stand.loginValues());
        stand.scriptCatalogPresent();
        stand.scriptAudits({});
        stand.scriptTables(
            {textRow({"dbo", "Orders", "0"}), textRow({"dbo", "spt_values", "1"}),
             textRow({"dbo", "TBLZOTA_Mixed", "0"}), textRow({"sales", "Refunds", "0"}),
             textRow({"jane", "tblzota_Hers", "0"}), textRow({"dbo", "ZOTA_like", "0"})});
        TaskContext task;
        const auto loaded = backend.load(stand.messages, task);
        QVERIFY(loaded);
        QCOMPARE(loaded->tables, (QStringList{"Orders", "sales.Refunds", "ZOTA_like"}));
        QCOMPARE(stand.database.connectionTimeouts(), (QList<int>{15, 15}));
        QVERIFY(!stand.database.queryTimeouts().contains(0));
        QCOMPARE(stand.messages.texts(), QStringList());
    }

    // The server keeps the ALTER waiting; the disable runs on a worker, and a cancel ends it
    // with the catalog row put back.
    void aCancelEndsAWaitingDisableWithTheRowPutBack() {
        SqlServerStand stand;
        SqlServerBackend backend(stand.database, stand.loginValues());
        const std::vector<Row> audits{textRow({"B", "second", "Y", "T2"})};
        stand.scriptAudits(audits);
        const QString trigger = "ALTER TABLE T2 DISABLE TRIGGER trgZOTA_B";
        stand.database.holdOn(trigger);
        auto log = std::make_shared<MessageLog>();
        BackgroundTask task;
        task.start([&backend, log](TaskContext& context) {
            backend.disableAudits({{"B", "second", "Y", "T2"}}, *log, context);
        });
        QTRY_COMPARE(stand.database.waiting(), 1);
        task.cancel();
        QVERIFY(task.waitForDone(5000));
        const auto flagOfB = [](const char* value) {
            return SqlServerStand::batch(QStringLiteral("UPDATE tblZOTA_SYSTEM_TABLE SET ENABLED "
                                                        "= '%1' WHERE AUDIT_NAME = 'B'")
                                             .arg(value));
        };
        QStringList sentNow = stand.sentAfterPrologues();
        sentNow.removeAll(SqlServerStand::auditListing());
        for (const QString& read : SqlServerStand::stateReads(audits))
            sentNow.removeAll(read);
        QCOMPARE(sentNow, flagOfB("N") + SqlServerStand::batch(trigger) + flagOfB("Y"));
        QCOMPARE(log->texts(), QStringList{FakeDatabase::cancelledText()});
    }
};

QTEST_MAIN(SqlServerBackendTest)
#include "SqlServerBackendTest.moc"
