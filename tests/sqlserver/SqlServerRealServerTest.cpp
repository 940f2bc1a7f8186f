// The audit catalog against the T-SQL engine named in QUORVEX_TEST_MSSQL as
// server|user|password|database; skipped when it is not set. Everything the test creates is
// dropped again, but never the catalog table: other test programs may be using it meanwhile.
#include "EngineDatabase.h"
#include "SqlServerBackendTests.h"
#include "components/IConnection.h"
#include "components/OdbcConnectionFactory.h"
#include "sqlserver/SqlServerAuditGenerator.h"
#include "sqlserver/SqlServerCatalog.h"
#include "sqlserver/SqlServerConnection.h"
#include "sqlserver/SqlServerSession.h"
#include "support/ScriptedMessageService.h"

#include <QTest>

using namespace quorvex;
using namespace quorvex::testing;

class SqlServerRealServerTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Another session holds the audited table: Disable and Delete give up after the lock wait,
    // say so, and change nothing. Another session holds only the audit table: Delete drops the
    // trigger but keeps the catalog row with the table, and a later Delete finishes the job.
    void aBusyTableChangesNothingAndAFailedDropKeepsTheAudit() {
        const std::optional<SqlServerLoginValues> login = EngineDatabase::target();
        if (!login)
            QSKIP(EngineDatabase::skipReason());
        EngineDatabase db(*login);
        QVERIFY2(db.isOpen(), qPrintable(db.openError()));
        const QString table = db.uniqueName("Busy");
        const QString audit = db.uniqueName("Busy");
        db.removeAtEnd(audit);
        QCOMPARE(db.createTable({}, table, "ID int NULL"), QString());
        for (const QString& statement :
             {"CREATE TABLE tblZOTA_" + audit + " (ID int NULL)",
              "CREATE TRIGGER " + sqlserver::sqlServerTriggerName(audit) + " ON " + table +
                  " FOR INSERT AS SET NOCOUNT ON",
              sqlserver::sqlServerCatalogInsertStatement(audit, "busy test", table)})
            QCOMPARE(db.run(statement), QString());

        OdbcConnectionFactory connections;
        ScriptedMessageService messages;
        SqlServerSession session{connections};
        session.login() = *login;
        session.manager().setLockTimeout(1000);
        QVERIFY(session.manager().connectServer(login->server, login->user, login->password));
        SqlServerCatalog catalog(session, messages);
        QVERIFY(catalog.ensure());
        const SqlServerCatalog::InstalledAudit installed{audit, "Y", table.leftJustified(100)};
        const QString busy = "The table " + table +
                             " is in use by another session; nothing was changed. Try again when "
                             "it is quiet.";
        const QStringList kept{"busy test|Y|" + table};
        // The other session: an open transaction that changed the table.
        const auto holding = [&](const QString& held) {
            auto other = connections.createConnection();
            if (!other->open(buildSqlServerConnectionString(*login)))
                return std::unique_ptr<IConnection>();
            other->beginTransaction(TransactionIsolation::DriverDefault);
            other->execute("INSERT INTO " + held + " (ID) VALUES (1)");
            return other;
        };
        {
            const auto other = holding(table);
            QVERIFY(other);
            QVERIFY(!catalog.setTriggerState(installed, SqlServerCatalog::TriggerState::Disabled));
            QVERIFY(!catalog.remove(installed));
            other->rollback();
        }
        QCOMPARE(messages.texts(), (QStringList{busy, busy}));
        QCOMPARE(db.catalogRow(audit), kept);
        QCOMPARE(db.triggerState(audit), QString("enabled"));

        messages.clear();
        {
            const auto other = holding("tblZOTA_" + audit);
            QVERIFY(other);
            QVERIFY(!catalog.remove(installed));
            other->rollback();
        }
        QCOMPARE(messages.texts().size(), 1);
        QVERIFY(messages.texts().value(0).startsWith("The trigger of the audit " + audit +
                                                     " was removed, but its table tblZOTA_" +
                                                     audit + " could not be dropped."));
        QCOMPARE(db.triggerState(audit), QString("missing"));
        QCOMPARE(db.catalogRow(audit), kept);
        // Once the table is free, deleting again removes the rest.
        messages.clear();
        QVERIFY(catalog.remove(installed));
        QCOMPARE(messages.texts(), QStringList());
        QCOMPARE(db.catalogRow(audit), QStringList());
    }
};

int runSqlServerRealServerTests(int argc, char** argv) {
    SqlServerRealServerTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SqlServerRealServerTest.moc"
