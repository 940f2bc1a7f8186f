// The audit catalog and the back end against a real SQL Server, named in QUORVEX_TEST_MSSQL as
// server|user|password|database; skipped when it is not set. Everything the tests create is
// dropped again, but never the catalog table: other test programs may be using it meanwhile.
#include "SqlServerBackendTests.h"
#include "components/DbException.h"
#include "components/IConnection.h"
#include "components/OdbcConnectionFactory.h"
#include "components/PlatformServices.h"
#include "components/Recordset.h"
#include "components/TaskContext.h"
#include "sqlserver/SqlServerAuditGenerator.h"
#include "sqlserver/SqlServerBackend.h"
#include "sqlserver/SqlServerCatalog.h"
#include "sqlserver/SqlServerConnection.h"
#include "sqlserver/SqlServerIdentifier.h"
#include "sqlserver/SqlServerSession.h"
#include "support/FakeWorkingDirectory.h"
#include "support/RecordingDesktopServices.h"
#include "support/RecordingProcessControl.h"
#include "support/ScriptedMessageService.h"

#include <QCoreApplication>
#include <QScopeGuard>
#include <QTest>

using namespace quorvex;
using namespace quorvex::testing;
using sqlserver::SqlServerIdentifier;

namespace {

// The session as a login leaves it, over the machine's ODBC drivers.
struct RealStand {
    OdbcConnectionFactory connections;
    ScriptedMessageService messages;
    RecordingProcessControl process;
    RecordingDesktopServices desktop;
    FakeWorkingDirectory workingDirectory;
    PlatformServices services{messages, process, desktop, workingDirectory, connections};
    SqlServerSession session{connections};

    // The server named in QUORVEX_TEST_MSSQL as server|user|password|database.
    bool logIn(const QStringList& parts) {
        session.login() = {parts[0], parts[1], parts[2], parts[3]};
        return session.manager().connectServer(parts[0], parts[1], parts[2]);
    }

    // Whether the trigger is disabled, as the server's catalogue says.
    QString triggerDisabled(const QString& trigger) {
        Recordset rows = session.sharedConnection().openRecordset(
            QStringLiteral("SELECT CAST(is_disabled AS int) FROM sys.triggers WHERE name = ") +
            SqlServerIdentifier::literal(trigger));
        return rows.eof() ? QStringLiteral("no trigger") : rows.value(0).value_or(QString());
    }

    void dropQuietly(const QString& statement) {
        try {
            session.executeStatement(statement);
        } catch (const DbException&) { // gone already
        }
    }
};

// The row of the listing that shows the audit, as the window would hand it back.
std::optional<InstalledAuditRow> rowOf(const std::optional<AuditListing>& listing,
                                       const QString& auditName) {
    if (!listing)
        return std::nullopt;
    for (const Row& row : listing->rows) {
        if (row.at(0).value_or(QString()) != auditName)
            continue;
        InstalledAuditRow cells;
        for (const FieldValue& value : row)
            cells << value.value_or(QString());
        return cells;
    }
    return std::nullopt;
}

} // namespace

class SqlServerRealServerTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Names that are not regular identifiers are bracketed in ALTER TABLE, a "]" doubled.
    void theCatalogIsMadeListedAndSwitchesATrigger_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<bool>("bracketInName");
        QTest::newRow("a blank") << "qvx Catalog Test" << false;
        QTest::newRow("a blank and a bracket") << "qvx Catalog]Test" << true;
    }
    void theCatalogIsMadeListedAndSwitchesATrigger() {
        QFETCH(QString, table);
        QFETCH(bool, bracketInName);
        const QString pid = QString::number(QCoreApplication::applicationPid());
        table += pid;
        const QString audit = "qvxCat" + pid;
        const QStringList login = qEnvironmentVariable("QUORVEX_TEST_MSSQL").split(u'|');
        if (login.size() != 4)
            QSKIP("QUORVEX_TEST_MSSQL is not set (server|user|password|database)");
        RealStand stand;
        QVERIFY2(stand.logIn(login),
                 qPrintable(stand.session.manager().errors().value(0).description));
        if (bracketInName &&
            stand.session.manager().engine() == sqlserver::SqlServerEngine::Babelfish)
            QSKIP("Babelfish cannot express a \"]\" in a bracketed name: [a]]b] is a syntax "
                  "error there");
        const QString trigger = sqlserver::sqlServerTriggerName(audit);
        const QString quotedTable = SqlServerIdentifier::quote(table);
        SqlServerCatalog catalog(stand.session, stand.messages);
        auto cleanUp = qScopeGuard([&] {
            catalog.remove({audit, "Y", table});
            stand.dropQuietly("DROP TABLE " + quotedTable);
        });
        // Made when missing, listed when there.
        QVERIFY(catalog.ensure());
        QVERIFY(catalog.ensure());
        QCOMPARE(stand.messages.texts(), QStringList());
        try {
            stand.session.executeStatement("CREATE TABLE " + quotedTable + " (ID int NOT NULL)");
            stand.session.executeStatement("CREATE TRIGGER " + trigger + " ON " + quotedTable +
                                           " FOR INSERT AS SET NOCOUNT ON");
            stand.session.executeStatement(
                sqlserver::sqlServerCatalogInsertStatement(audit, "catalog test", table));
        } catch (const DbException& e) {
            QFAIL(qPrintable(e.description()));
        }
        SqlServerBackend backend(stand.connections, stand.session.login());
        TaskContext task;
        std::optional<InstalledAuditRow> row =
            rowOf(backend.listAudits(stand.messages, task), audit);
        QVERIFY(row);
        QCOMPARE(row->value(2), QString("Y"));
        // CHAR(100) comes back padded, and is used so.
        QCOMPARE(row->value(3), table.leftJustified(100, u' '));
        row = rowOf(backend.disableAudits({*row}, stand.messages, task), audit);
        QCOMPARE(stand.messages.texts(), QStringList());
        QCOMPARE(row->value(2), QString("N"));
        QCOMPARE(stand.triggerDisabled(trigger), QString("1"));
        row = rowOf(backend.enableAudits({*row}, stand.messages, task), audit);
        QCOMPARE(stand.messages.texts(), QStringList());
        QCOMPARE(row->value(2), QString("Y"));
        QCOMPARE(stand.triggerDisabled(trigger), QString("0"));
        // Delete removes the trigger and the row although the audit table never existed.
        const auto listing =
            backend.deleteAudits({*row}, AuditBackend::DeleteAnswer::Yes, stand.messages, task);
        QVERIFY(listing);
        QVERIFY(!rowOf(listing, audit));
        QCOMPARE(stand.triggerDisabled(trigger), QString("no trigger"));
    }

    // Another session holds the audited table: Disable and Delete give up after the lock wait,
    // say so, and change nothing. Another session holds only the audit table: Delete drops the
    // trigger but keeps the catalog row with the table, and a later Delete finishes the job.
    void aBusyTableChangesNothingAndAFailedDropKeepsTheAudit() {
        const QStringList login = qEnvironmentVariable("QUORVEX_TEST_MSSQL").split(u'|');
        if (login.size() != 4)
            QSKIP("QUORVEX_TEST_MSSQL is not set (server|user|password|database)");
        const QString pid = QString::number(QCoreApplication::applicationPid());
        const QString table = "qvxBusy" + pid;
        const QString audit = "qvxBusy" + pid;
        const QString trigger = sqlserver::sqlServerTriggerName(audit);
        RealStand stand;
        stand.session.manager().setLockTimeout(1000);
        QVERIFY(stand.logIn(login));
        SqlServerCatalog catalog(stand.session, stand.messages);
        QVERIFY(catalog.ensure());
        auto cleanUp = qScopeGuard([&] {
            stand.dropQuietly("DROP TRIGGER " + trigger);
            stand.dropQuietly("DROP TABLE tblZOTA_" + audit);
            stand.dropQuietly("DROP TABLE " + table);
            stand.dropQuietly("DELETE FROM tblZOTA_SYSTEM_TABLE WHERE AUDIT_NAME = '" + audit +
                              "'");
        });
        try {
            stand.session.executeStatement("CREATE TABLE " + table + " (ID int NULL)");
            stand.session.executeStatement("CREATE TABLE tblZOTA_" + audit + " (ID int NULL)");
            stand.session.executeStatement("CREATE TRIGGER " + trigger + " ON " + table +
                                           " FOR INSERT AS SET NOCOUNT ON");
            stand.session.executeStatement(
                sqlserver::sqlServerCatalogInsertStatement(audit, "busy test", table));
        } catch (const DbException& e) {
            QFAIL(qPrintable(e.description()));
        }
        const SqlServerCatalog::InstalledAudit installed{audit, "Y", table.leftJustified(100)};
        const QString busy = "The table " + table +
                             " is in use by another session; nothing was changed. Try again when "
                             "it is quiet.";
        const auto catalogFlag = [&] {
            Recordset rows = stand.session.sharedConnection().openRecordset(
                "SELECT ENABLED FROM tblZOTA_SYSTEM_TABLE WHERE AUDIT_NAME = '" + audit + "'");
            return rows.eof() ? QStringLiteral("no row") : rows.value(0).value_or(QString());
        };
        // The other session: an open transaction that changed the table.
        const auto holding = [&](const QString& held) {
            auto other = stand.connections.createConnection();
            if (!other->open(buildSqlServerConnectionString(stand.session.login())))
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
        QCOMPARE(stand.messages.texts(), (QStringList{busy, busy}));
        QCOMPARE(catalogFlag(), QString("Y"));
        QCOMPARE(stand.triggerDisabled(trigger), QString("0"));

        stand.messages.clear();
        {
            const auto other = holding("tblZOTA_" + audit);
            QVERIFY(other);
            QVERIFY(!catalog.remove(installed));
            other->rollback();
        }
        QCOMPARE(stand.messages.texts().size(), 1);
        QVERIFY(stand.messages.texts().value(0).startsWith("The trigger of the audit " + audit +
                                                           " was removed, but its table tblZOTA_" +
                                                           audit + " could not be dropped."));
        QCOMPARE(stand.triggerDisabled(trigger), QString("no trigger"));
        QCOMPARE(catalogFlag(), QString("Y"));
        // Once the table is free, deleting again removes the rest.
        stand.messages.clear();
        QVERIFY(catalog.remove(installed));
        QCOMPARE(stand.messages.texts(), QStringList());
        QCOMPARE(catalogFlag(), QString("no row"));
    }
};

int runSqlServerRealServerTests(int argc, char** argv) {
    SqlServerRealServerTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SqlServerRealServerTest.moc"
