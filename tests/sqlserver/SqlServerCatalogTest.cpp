// The audit catalog over the scripted database: creating it when missing, listing it into the
// grid, switching triggers with their catalog rows kept in step, and removing audits.
#include "sqlserver/SqlServerCatalog.h"

#include "SqlServerBackendTests.h"
#include "SqlServerStand.h"
#include "components/DbException.h"
#include "components/Grid.h"
#include "sqlserver/SqlServerConnection.h"

#include <QHeaderView>
#include <QTest>

using namespace quorvex;
using namespace quorvex::testing;

using TriggerState = SqlServerCatalog::TriggerState;
Q_DECLARE_METATYPE(quorvex::SqlServerCatalog::TriggerState)

namespace {

const QString createCatalog = QStringLiteral(
    "Create Table [tblZOTA_SYSTEM_TABLE] ([AUDIT_NAME] [VARCHAR](20) NOT NULL , "
    "[AUDIT_DESCRIPTION] [VARCHAR] (200) NULL , [ENABLED] [CHAR] (1) NOT NULL, [TRIGGERTABLE] "
    "[CHAR] (100) NOT NULL)");

QStringList headerTexts(const Grid& grid) {
    QStringList texts;
    for (int column = 0; column < grid.colCount(); ++column)
        texts << grid.cellText(Grid::HeaderIndex, column);
    return texts;
}

QStringList rowTexts(const Grid& grid, int row) {
    QStringList texts;
    for (int column = 0; column < grid.colCount(); ++column)
        texts << grid.cellText(row, column);
    return texts;
}

SqlServerCatalog::InstalledAudit orderAudit(const QString& enabled) {
    return {QStringLiteral("OrderAudit"), enabled,
            SqlServerStand::stored(QStringLiteral("Orders"))};
}

} // namespace

class SqlServerCatalogTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // --- start-up ---------------------------------------------------------------------------

    void aMissingCatalogIsCreatedSilentlyAndNotListed() {
        SqlServerStand stand;
        QVERIFY(stand.logIn());
        stand.scriptCatalogMissing();
        SqlServerCatalog catalog(stand.session, stand.messages);
        Grid grid;

        QVERIFY(catalog.ensure(grid));

        QCOMPARE(stand.database.statements(), QStringList{SqlServerStand::catalogLookUp()} +
                                                  SqlServerStand::batch(createCatalog));
        QCOMPARE(stand.messages.texts(), QStringList());
        QCOMPARE(grid.rowCount(), 0);
        QCOMPARE(grid.colCount(), 0);
    }

    void anExistingCatalogIsListedAndNotCreated() {
        SqlServerStand stand;
        QVERIFY(stand.logIn());
        stand.scriptCatalogPresent();
        stand.scriptAudits({SqlServerStand::row({"OrderAudit", "New orders", "Y",
                                                 SqlServerStand::stored("Orders")}),
                            textRow({"Refunds", nullptr, "N", "Refunds"})});
        SqlServerCatalog catalog(stand.session, stand.messages);
        Grid grid;

        QVERIFY(catalog.ensure(grid));

        QCOMPARE(stand.database.statements(),
                 (QStringList{SqlServerStand::catalogLookUp(), SqlServerStand::auditListing()}));
        QCOMPARE(stand.messages.texts(), QStringList());
        // The listing reads over the shared connection, opened from the login values.
        QCOMPARE(stand.database.connectionStrings().last(),
                 buildSqlServerConnectionString(stand.session.login()));
        QCOMPARE(headerTexts(grid), SqlServerStand::auditFields());
        QCOMPARE(rowTexts(grid, 0),
                 (QStringList{"OrderAudit", "New orders", "Y", SqlServerStand::stored("Orders")}));
        QCOMPARE(rowTexts(grid, 1), (QStringList{"Refunds", "", "N", "Refunds"}));
        QCOMPARE(grid.rowCount(), 2);
    }

    void otherLookUpFailuresShowTheZotaSystemMessage_data() {
        QTest::addColumn<QString>("description");
        QTest::newRow("missing rights")
            << "The SELECT permission was denied on the object 'tables', database "
               "'mssqlsystemresource', schema 'sys'.";
        // The "not found" test compares letter case: another table's name is no match.
        QTest::newRow("another spelling")
            << "The name 'TBLZOTA_SYSTEM_TABLE' was not found in the Tables collection.";
        QTest::newRow("no server") << "No SQL Server is connected.";
    }
    void otherLookUpFailuresShowTheZotaSystemMessage() {
        QFETCH(QString, description);
        SqlServerStand stand;
        QVERIFY(stand.logIn());
        stand.failCatalogLookUp(FakeDatabase::error(description, 229));
        SqlServerCatalog catalog(stand.session, stand.messages);
        Grid grid;

        QVERIFY(!catalog.ensure(grid));

        QCOMPARE(stand.messages.texts(), QStringList{"ZOTA_system-1  " + description});
        QCOMPARE(stand.messages.shown().first().icon, MessageIcon::None);
        QCOMPARE(stand.database.statements(), QStringList{SqlServerStand::catalogLookUp()});
        QCOMPARE(grid.rowCount(), 0);
    }

    void aFailingListingAtStartUpShowsTheZotaSystemMessage() {
        SqlServerStand stand;
        QVERIFY(stand.logIn());
        stand.scriptCatalogPresent();
        stand.database.failOn(SqlServerStand::auditListing(),
                              FakeDatabase::error("Invalid column name 'TRIGGERTABLE'.", 207));
        SqlServerCatalog catalog(stand.session, stand.messages);
        Grid grid;

        QVERIFY(!catalog.ensure(grid));

        QCOMPARE(stand.messages.texts(),
                 QStringList{"ZOTA_system-1  Invalid column name 'TRIGGERTABLE'."});
        QCOMPARE(stand.database.statements(),
                 (QStringList{SqlServerStand::catalogLookUp(), SqlServerStand::auditListing()}));
    }

    void aFailingCreateTableIsReported() {
        SqlServerStand stand;
        QVERIFY(stand.logIn());
        stand.scriptCatalogMissing();
        stand.database.failOn(createCatalog,
                              FakeDatabase::error("CREATE TABLE permission denied in database "
                                                  "'Sales'.",
                                                  262));
        SqlServerCatalog catalog(stand.session, stand.messages);
        Grid grid;

        QVERIFY(!catalog.ensure(grid));

        QCOMPARE(stand.messages.texts(),
                 QStringList{"ZOTA_system-1  CREATE TABLE permission denied in database 'Sales'."});
        QCOMPARE(stand.database.statements(), QStringList{SqlServerStand::catalogLookUp()} +
                                                  SqlServerStand::batch(createCatalog));
    }

    void aSharedConnectionThatWillNotOpenEndsTheListingWithItsReport() {
        SqlServerStand stand;
        QVERIFY(stand.logIn());
        stand.scriptCatalogPresent();
        stand.scriptAudits({});
        const DbErrorList refused = FakeDatabase::error("Login failed for user 'sa'.", 18456);
        stand.database.failOpen(refused);
        SqlServerCatalog catalog(stand.session, stand.messages);
        Grid grid;

        QVERIFY(!catalog.ensure(grid));

        QCOMPARE(stand.messages.texts(), QStringList{sqlServerConnectionReport(refused)});
        QCOMPARE(stand.database.statements(), QStringList{SqlServerStand::catalogLookUp()});
    }

    // --- listing ----------------------------------------------------------------------------

    void theListingSetsTheColumnWidthsAndReplacesEarlierRows() {
        SqlServerStand stand;
        QVERIFY(stand.logIn());
        stand.database.onQuery(SqlServerStand::auditListing(), SqlServerStand::auditFields(),
                               {textRow({"A", "first", "Y", "T1"}), textRow({"B", "", "N", "T2"})},
                               true);
        stand.scriptAudits({textRow({"B", "", "N", "T2"})});
        SqlServerCatalog catalog(stand.session, stand.messages);
        Grid grid;

        QVERIFY(catalog.list(grid));
        QCOMPARE(grid.rowCount(), 2);
        QVERIFY(catalog.list(grid));

        QCOMPARE(grid.rowCount(), 1);
        QCOMPARE(rowTexts(grid, 0), (QStringList{"B", "", "N", "T2"}));
        QCOMPARE(grid.verticalHeader()->maximumWidth(), 17);
        QCOMPARE((QList<int>{grid.columnWidth(0), grid.columnWidth(1), grid.columnWidth(2),
                             grid.columnWidth(3)}),
                 (QList<int>{140, 415, 63, 150}));
        QCOMPARE(stand.messages.texts(), QStringList());
    }

    void aFailingReloadShowsTheServersMessage() {
        SqlServerStand stand;
        QVERIFY(stand.logIn());
        stand.database.failOn(SqlServerStand::auditListing(),
                              FakeDatabase::error("Invalid object name 'tblZOTA_SYSTEM_TABLE'."));
        SqlServerCatalog catalog(stand.session, stand.messages);
        Grid grid;

        QVERIFY(!catalog.list(grid));

        QCOMPARE(stand.messages.texts(),
                 QStringList{"Invalid object name 'tblZOTA_SYSTEM_TABLE'."});
    }

    // --- disable and enable -----------------------------------------------------------------

    void switchingATriggerUpdatesTheRowThenAltersTheTable_data() {
        QTest::addColumn<TriggerState>("state");
        QTest::addColumn<QString>("update");
        QTest::addColumn<QString>("alter");
        QTest::newRow("disable")
            << TriggerState::Disabled
            << "UPDATE tblZOTA_SYSTEM_TABLE SET ENABLED = 'N' WHERE AUDIT_NAME = 'OrderAudit'"
            << "ALTER TABLE " + SqlServerStand::stored("Orders") +
                   " DISABLE TRIGGER trgZOTA_OrderAudit";
        QTest::newRow("enable")
            << TriggerState::Enabled
            << "UPDATE tblZOTA_SYSTEM_TABLE SET ENABLED = 'Y' WHERE AUDIT_NAME = 'OrderAudit'"
            << "ALTER TABLE " + SqlServerStand::stored("Orders") +
                   " ENABLE TRIGGER trgZOTA_OrderAudit";
    }
    void switchingATriggerUpdatesTheRowThenAltersTheTable() {
        QFETCH(TriggerState, state);
        QFETCH(QString, update);
        QFETCH(QString, alter);
        SqlServerStand stand;
        QVERIFY(stand.logIn());
        SqlServerCatalog catalog(stand.session, stand.messages);

        QVERIFY(catalog.setTriggerState(orderAudit("Y"), state));

        QCOMPARE(stand.database.statements(),
                 SqlServerStand::batch(update) + SqlServerStand::batch(alter));
        QCOMPARE(stand.messages.texts(), QStringList());
    }

    void aFailingAlterPutsTheRowBackAndShowsTheServersMessage_data() {
        QTest::addColumn<TriggerState>("state");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("disable of an enabled audit")
            << TriggerState::Disabled << "Y"
            << (SqlServerStand::batch("UPDATE tblZOTA_SYSTEM_TABLE SET ENABLED = 'N' WHERE "
                                      "AUDIT_NAME = 'OrderAudit'") +
                SqlServerStand::batch("ALTER TABLE " + SqlServerStand::stored("Orders") +
                                      " DISABLE TRIGGER trgZOTA_OrderAudit") +
                SqlServerStand::batch("UPDATE tblZOTA_SYSTEM_TABLE SET ENABLED = 'Y' WHERE "
                                      "AUDIT_NAME = 'OrderAudit'"));
        QTest::newRow("enable of a disabled audit")
            << TriggerState::Enabled << "N"
            << (SqlServerStand::batch("UPDATE tblZOTA_SYSTEM_TABLE SET ENABLED = 'Y' WHERE "
                                      "AUDIT_NAME = 'OrderAudit'") +
                SqlServerStand::batch("ALTER TABLE " + SqlServerStand::stored("Orders") +
                                      " ENABLE TRIGGER trgZOTA_OrderAudit") +
                SqlServerStand::batch("UPDATE tblZOTA_SYSTEM_TABLE SET ENABLED = 'N' WHERE "
                                      "AUDIT_NAME = 'OrderAudit'"));
        // A row whose flag the grid does not show goes back to the opposite of the new flag.
        QTest::newRow("disable with no flag shown")
            << TriggerState::Disabled << ""
            << (SqlServerStand::batch("UPDATE tblZOTA_SYSTEM_TABLE SET ENABLED = 'N' WHERE "
                                      "AUDIT_NAME = 'OrderAudit'") +
                SqlServerStand::batch("ALTER TABLE " + SqlServerStand::stored("Orders") +
                                      " DISABLE TRIGGER trgZOTA_OrderAudit") +
                SqlServerStand::batch("UPDATE tblZOTA_SYSTEM_TABLE SET ENABLED = 'Y' WHERE "
                                      "AUDIT_NAME = 'OrderAudit'"));
    }
    void aFailingAlterPutsTheRowBackAndShowsTheServersMessage() {
        QFETCH(TriggerState, state);
        QFETCH(QString, before);
        QFETCH(QStringList, expected);
        SqlServerStand stand;
        QVERIFY(stand.logIn());
        const QString message =
            "Cannot find the object \"Orders\" because it does not exist or you do not have "
            "permissions.";
        stand.database.failOnMatching(QRegularExpression("^ALTER TABLE "),
                                      FakeDatabase::error(message, 4902));
        SqlServerCatalog catalog(stand.session, stand.messages);

        QVERIFY(!catalog.setTriggerState(orderAudit(before), state));

        QCOMPARE(stand.database.statements(), expected);
        QCOMPARE(stand.messages.texts(), QStringList{message});
    }

    void aRowThatCannotBePutBackIsReportedToo() {
        SqlServerStand stand;
        QVERIFY(stand.logIn());
        stand.database.failOnMatching(QRegularExpression("^ALTER TABLE "),
                                      FakeDatabase::error("Cannot find the object \"Orders\"."));
        stand.database.failOn(
            "UPDATE tblZOTA_SYSTEM_TABLE SET ENABLED = 'Y' WHERE AUDIT_NAME = 'OrderAudit'",
            FakeDatabase::error("Transaction (Process ID 53) was deadlocked."));
        SqlServerCatalog catalog(stand.session, stand.messages);

        QVERIFY(!catalog.setTriggerState(orderAudit("Y"), TriggerState::Disabled));

        QCOMPARE(stand.messages.texts(),
                 QStringList{"Cannot find the object \"Orders\".\r\n\r\nThe audit's ENABLED flag "
                             "could not be put back either, so tblZOTA_SYSTEM_TABLE does not "
                             "show the trigger's state:\r\nTransaction (Process ID 53) was "
                             "deadlocked."});
    }

    void aFailingUpdateLeavesTheTriggerAlone() {
        SqlServerStand stand;
        QVERIFY(stand.logIn());
        const QString update =
            "UPDATE tblZOTA_SYSTEM_TABLE SET ENABLED = 'N' WHERE AUDIT_NAME = 'OrderAudit'";
        stand.database.failOn(update, FakeDatabase::error("The UPDATE permission was denied."));
        SqlServerCatalog catalog(stand.session, stand.messages);

        QVERIFY(!catalog.setTriggerState(orderAudit("Y"), TriggerState::Disabled));

        QCOMPARE(stand.database.statements(), SqlServerStand::batch(update));
        QCOMPARE(stand.messages.texts(), QStringList{"The UPDATE permission was denied."});
    }

    void onlyNamesThatAreNotRegularAreBracketed_data() {
        QTest::addColumn<QString>("triggerTable");
        QTest::addColumn<QString>("alter");
        QTest::newRow("regular, padded as stored")
            << SqlServerStand::stored("Orders")
            << "ALTER TABLE " + SqlServerStand::stored("Orders") + " DISABLE TRIGGER trgZOTA_A";
        QTest::newRow("a blank inside") << SqlServerStand::stored("Order Details")
                                        << "ALTER TABLE [Order Details] DISABLE TRIGGER trgZOTA_A";
        QTest::newRow("a reserved word")
            << SqlServerStand::stored("Order") << "ALTER TABLE [Order] DISABLE TRIGGER trgZOTA_A";
        QTest::newRow("a closing bracket") << SqlServerStand::stored("Odd]Name")
                                           << "ALTER TABLE [Odd]]Name] DISABLE TRIGGER trgZOTA_A";
        QTest::newRow("a leading blank") << SqlServerStand::stored(" Orders")
                                         << "ALTER TABLE [ Orders] DISABLE TRIGGER trgZOTA_A";
        QTest::newRow("another schema, regular")
            << SqlServerStand::stored("sales.Orders")
            << "ALTER TABLE " + SqlServerStand::stored("sales.Orders") +
                   " DISABLE TRIGGER trgZOTA_A";
        QTest::newRow("another schema, a blank in the table")
            << SqlServerStand::stored("sales.Order Lines")
            << "ALTER TABLE sales.[Order Lines] DISABLE TRIGGER trgZOTA_A";
    }
    void onlyNamesThatAreNotRegularAreBracketed() {
        QFETCH(QString, triggerTable);
        QFETCH(QString, alter);
        SqlServerStand stand;
        QVERIFY(stand.logIn());
        SqlServerCatalog catalog(stand.session, stand.messages);

        QVERIFY(catalog.setTriggerState({"A", "Y", triggerTable}, TriggerState::Disabled));

        QCOMPARE(stand.database.statements().value(3), alter);
    }

    // --- delete -----------------------------------------------------------------------------

    void deleteDropsTriggerThenTableThenRowAndShowsNothing_data() {
        QTest::addColumn<QStringList>("failing");
        QTest::addColumn<QStringList>("expected");
        const QStringList dropTrigger = SqlServerStand::batch("DROP TRIGGER trgZOTA_Refunds");
        const QStringList rest =
            SqlServerStand::batch("DROP TABLE tblZOTA_Refunds") +
            SqlServerStand::batch("DELETE FROM tblZOTA_SYSTEM_TABLE WHERE AUDIT_NAME = 'Refunds'");
        const QString exists = SqlServerCatalog::triggerExistsStatement("Refunds");
        QTest::newRow("all succeed") << QStringList() << dropTrigger + rest;
        QTest::newRow("the audit table is gone already")
            << QStringList{"DROP TABLE tblZOTA_Refunds"} << dropTrigger + rest;
        QTest::newRow("table and trigger are gone already")
            << QStringList{"DROP TABLE tblZOTA_Refunds", "DROP TRIGGER trgZOTA_Refunds"}
            << dropTrigger + QStringList{exists} + rest;
    }
    void deleteDropsTriggerThenTableThenRowAndShowsNothing() {
        QFETCH(QStringList, failing);
        QFETCH(QStringList, expected);
        SqlServerStand stand;
        QVERIFY(stand.logIn());
        for (const QString& statement : failing)
            stand.database.failOn(statement, FakeDatabase::error("Cannot drop it.", 3701));
        stand.database.onQuery(SqlServerCatalog::triggerExistsStatement("Refunds"),
                               QStringList{"name"}, {});
        SqlServerCatalog catalog(stand.session, stand.messages);

        QVERIFY(catalog.remove({"Refunds", "Y", SqlServerStand::stored("Refunds")}));

        QCOMPARE(stand.database.statements(), expected);
        QCOMPARE(stand.messages.texts(), QStringList());
    }

    void aTriggerThatCannotBeDroppedKeepsItsTableAndCatalogRow() {
        // Dropping the table under a live trigger would make every change to the audited
        // table fail, so the delete stops and says why.
        SqlServerStand stand;
        QVERIFY(stand.logIn());
        stand.database.failOn(
            "DROP TRIGGER trgZOTA_Refunds",
            FakeDatabase::error("Cannot drop the trigger 'trgZOTA_Refunds'.", 3701));
        stand.database.onQuery(SqlServerCatalog::triggerExistsStatement("Refunds"),
                               QStringList{"name"}, {SqlServerStand::row({"trgZOTA_Refunds"})});
        SqlServerCatalog catalog(stand.session, stand.messages);

        QVERIFY(!catalog.remove({"Refunds", "Y", SqlServerStand::stored("Refunds")}));

        QCOMPARE(stand.database.statements(),
                 SqlServerStand::batch("DROP TRIGGER trgZOTA_Refunds") +
                     QStringList{SqlServerCatalog::triggerExistsStatement("Refunds")});
        QCOMPARE(stand.messages.texts(),
                 QStringList{"The audit Refunds was not deleted: its trigger could not be "
                             "dropped, so its table is kept and changes to Refunds keep "
                             "working.\r\n\r\nCannot drop the trigger 'trgZOTA_Refunds'."});
    }

    void theTriggerOfATableOutsideDboIsDroppedInItsSchema() {
        QCOMPARE(
            SqlServerCatalog::removeStatements("Refunds", SqlServerStand::stored("sales.Refunds")),
            (QStringList{"DROP TRIGGER sales.trgZOTA_Refunds", "DROP TABLE tblZOTA_Refunds",
                         "DELETE FROM tblZOTA_SYSTEM_TABLE WHERE AUDIT_NAME = 'Refunds'"}));
    }

    void aNameWithAQuoteCannotBreakOutOfItsLiteral() {
        // Only a row written by hand can hold such a name; it is still sent as one literal.
        QCOMPARE(SqlServerCatalog::enabledFlagStatement("O'Brien", "N"),
                 QString("UPDATE tblZOTA_SYSTEM_TABLE SET ENABLED = 'N' WHERE AUDIT_NAME = "
                         "'O''Brien'"));
    }
};

int runSqlServerCatalogTests(int argc, char** argv) {
    SqlServerCatalogTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SqlServerCatalogTest.moc"
