#include "SqlBaseCatalogScript.h"
#include "SqlBaseWidgetTests.h"
#include "components/DbException.h"
#include "components/Grid.h"
#include "components/IConnection.h"
#include "components/OdbcConnectionFactory.h"
#include "components/PlatformServices.h"
#include "sqlbase/SqlBaseCatalog.h"
#include "sqlbase/SqlBaseConnection.h"
#include "sqlbase/SqlBaseCreationFlow.h"
#include "sqlbase/SqlBaseStartup.h"
#include "support/FakeWorkingDirectory.h"
#include "support/RecordingDesktopServices.h"
#include "support/RecordingProcessControl.h"
#include "support/ScriptedMessageService.h"

#include <QTest>
#include <memory>

using namespace quorvex;
using namespace quorvex::testing;
using namespace quorvex::sqlbase;

// Against a real SQLBase database, only when QUORVEX_TEST_SQLBASE holds "database|password".
// Works in a table of its own and removes what it made.
class SqlBaseLiveTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        const QString given = qEnvironmentVariable("QUORVEX_TEST_SQLBASE");
        if (given.isEmpty())
            QSKIP("QUORVEX_TEST_SQLBASE is not set (database|password)");
        const qsizetype bar = given.indexOf(u'|');
        m_login.database = given.left(bar);
        m_login.password = bar < 0 ? QString() : given.mid(bar + 1);
    }

    void init() {
        execute({"CREATE TABLE QVX_ORDERS (ORDNO INTEGER, CITY VARCHAR(30))", "COMMIT"});
    }
    void cleanup() {
        SqlBaseCatalog(m_services, m_login).remove("ZOTA_QVXTEST");
        execute({"DROP TABLE QVX_ORDERS", "COMMIT"});
        m_messages.clear();
    }

    void auditRecordsAnInsertAndIsRemovedAgain() {
        Grid grid;
        const auto tables = startSqlBaseMainWindow(grid, m_services, m_login);
        QCOMPARE(m_messages.texts(), QStringList{});
        QVERIFY(tables.has_value());
        QVERIFY(tables->contains("QVX_ORDERS"));

        AuditDefinition definition;
        definition.kind = AuditKind::Insert;
        definition.table = "QVX_ORDERS";
        definition.columns = {"ORDNO", "CITY"};
        definition.conditions = {{}};
        definition.name = "QVXTEST";
        definition.description = "Live test";
        QCOMPARE(saveSqlBaseAudit(definition, m_services, m_login).outcome,
                 SaveResult::Outcome::Saved);
        QCOMPARE(m_messages.texts(), QStringList{});

        execute({"INSERT INTO QVX_ORDERS VALUES (1, 'Paris')", "COMMIT"});
        SqlBaseCatalog catalog(m_services, m_login);
        QCOMPARE(catalog.list(grid), SqlBaseCatalog::Outcome::Done);
        QStringList row;
        for (int r = 0; r < grid.rowCount(); ++r) {
            if (grid.cellText(r, 1) == "ZOTA_QVXTEST")
                row = gridTexts(grid).value(r + 1);
        }
        QCOMPARE(row, (QStringList{"1 RECORDS", "ZOTA_QVXTEST", "Live test", "Y"}));

        QCOMPARE(catalog.remove("ZOTA_QVXTEST"), SqlBaseCatalog::Outcome::Done);
        QCOMPARE(m_messages.texts(), QStringList{});
    }

private:
    void execute(const QStringList& statements) {
        auto connection = connectToSqlBase(m_connections, m_login, m_messages);
        QVERIFY(connection != nullptr);
        for (const QString& statement : statements) {
            try {
                connection->execute(statement);
            } catch (const DbException&) {
                // Set-up and clean-up tolerate leftovers of an earlier run.
            }
        }
    }

    ScriptedMessageService m_messages;
    RecordingProcessControl m_process;
    RecordingDesktopServices m_desktop;
    FakeWorkingDirectory m_workingDirectory;
    OdbcConnectionFactory m_connections;
    PlatformServices m_services{m_messages, m_process, m_desktop, m_workingDirectory,
                                m_connections};
    SqlBaseLoginValues m_login;
};

int runSqlBaseLiveTests(int argc, char** argv) {
    SqlBaseLiveTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SqlBaseLiveTest.moc"
