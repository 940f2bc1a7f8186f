// The audit catalog and the back end against a real SQL Server, named in QUORVEX_TEST_MSSQL as
// server|user|password|database; skipped when it is not set. Everything the tests create is
// dropped again, but never the catalog table: other test programs may be using it meanwhile.
#include "SqlServerBackendTests.h"
#include "components/DbException.h"
#include "components/Grid.h"
#include "components/OdbcConnectionFactory.h"
#include "components/PlatformServices.h"
#include "components/Recordset.h"
#include "sqlserver/SqlServerAuditGenerator.h"
#include "sqlserver/SqlServerBackend.h"
#include "sqlserver/SqlServerCatalog.h"
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

int rowOf(const Grid& grid, const QString& auditName) {
    for (int row = 0; row < grid.rowCount(); ++row)
        if (grid.cellText(row, 0) == auditName)
            return row;
    return -1;
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
        Grid grid;
        auto cleanUp = qScopeGuard([&] {
            catalog.remove({audit, "Y", table});
            stand.dropQuietly("DROP TABLE " + quotedTable);
        });
        // Made when missing, listed when there.
        QVERIFY(catalog.ensure(grid));
        QVERIFY(catalog.ensure(grid));
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
        SqlServerBackend backend(stand.session, stand.services);
        backend.listAudits(grid);
        int row = rowOf(grid, audit);
        QVERIFY(row >= 0);
        QCOMPARE(grid.cellText(row, 2), QString("Y"));
        // CHAR(100) comes back padded, and is used so.
        QCOMPARE(grid.cellText(row, 3), table.leftJustified(100, u' '));
        backend.disableAudits(grid, {row});
        QCOMPARE(stand.messages.texts(), QStringList());
        row = rowOf(grid, audit);
        QCOMPARE(grid.cellText(row, 2), QString("N"));
        QCOMPARE(stand.triggerDisabled(trigger), QString("1"));
        backend.enableAudits(grid, {row});
        QCOMPARE(stand.messages.texts(), QStringList());
        row = rowOf(grid, audit);
        QCOMPARE(grid.cellText(row, 2), QString("Y"));
        QCOMPARE(stand.triggerDisabled(trigger), QString("0"));
        // Delete removes the trigger and the row although the audit table never existed.
        backend.deleteAudits(grid, {row}, AuditBackend::DeleteAnswer::Yes);
        QCOMPARE(rowOf(grid, audit), -1);
        QCOMPARE(stand.triggerDisabled(trigger), QString("no trigger"));
    }
};

int runSqlServerRealServerTests(int argc, char** argv) {
    SqlServerRealServerTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SqlServerRealServerTest.moc"
