// The audit catalog and the SQL Server back end with a statement failing or waiting at a given
// step; the engine tests show the same operations succeeding.
#include "sqlserver/SqlServerBackend.h"
#include "sqlserver/SqlServerAuditStates.h"
#include "sqlserver/SqlServerCatalog.h"

#include "SqlServerStand.h"
#include "components/BackgroundTask.h"
#include "components/MessageLog.h"
#include "components/TaskContext.h"

#include <QTest>
#include <memory>

using namespace quorvex;
using namespace quorvex::testing;

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
        m_stand->database.failOn(
            SqlServerAuditStates::columnsStatement({"Orders"}, {"tblZOTA_Fine"}),
            FakeDatabase::error("VIEW DEFINITION permission denied."));
        m_stand->scriptAudits(rows);
        const std::optional<AuditListing> listing = m_catalog->list();
        QVERIFY(listing);
        QCOMPARE(listing->rows.at(0).back().value_or(QString()), QString());
        QVERIFY(!listing->checks.at(0));
        QCOMPARE(shown(), QStringList{"VIEW DEFINITION permission denied."});
    }

    // Dropping the table under a live trigger would make every change to the audited table
    // fail. A table outside dbo has its trigger dropped from its schema.
    void aTriggerThatCannotBeDroppedKeepsItsTableAndRow() {
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

    // The login and every catalogue read wait a bounded time; system tables stay out.
    void loadListsTheAuditableTablesWithBoundedWaits() {
        SqlServerStand stand;
        SqlServerBackend backend(stand.database, stand.loginValues());
        stand.scriptCatalogPresent();
        stand.scriptAudits({});
        stand.scriptTables({textRow({"dbo", "spt_values", "1"}),
                            textRow({"jane", "tblzota_Hers", "0"}),
                            textRow({"sales", "Refunds", "0"})});
        TaskContext task;
        const auto loaded = backend.load(stand.messages, task);
        QVERIFY(loaded);
        QCOMPARE(loaded->tables, QStringList{"sales.Refunds"});
        QCOMPARE(stand.database.connectionTimeouts(), (QList<int>{15, 15}));
        QVERIFY(!stand.database.queryTimeouts().contains(0));
        QCOMPARE(stand.messages.texts(), QStringList());
    }

    // A cancel of a disable waiting on the server puts the catalog row back.
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
        sentNow.removeIf(
            [](const QString& read) { return read.startsWith("select", Qt::CaseInsensitive); });
        QCOMPARE(sentNow, flagOfB("N") + SqlServerStand::batch(trigger) + flagOfB("Y"));
        QCOMPARE(log->texts(), QStringList{FakeDatabase::cancelledText()});
    }
};

QTEST_MAIN(SqlServerBackendTest)
#include "SqlServerBackendTest.moc"
