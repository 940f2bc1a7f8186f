// The audit catalog over the scripted database: creating it when missing, listing it into the
// grid, switching triggers with their catalog rows kept in step, and removing audits.
#include "sqlserver/SqlServerCatalog.h"

#include "SqlServerBackendTests.h"
#include "SqlServerStand.h"
#include "components/DbException.h"
#include "sqlserver/SqlServerConnection.h"

#include <QTest>
#include <memory>

using namespace quorvex;
using namespace quorvex::testing;

using TriggerState = SqlServerCatalog::TriggerState;
Q_DECLARE_METATYPE(quorvex::SqlServerCatalog::TriggerState)

namespace {

const QString createCatalog = SqlServerStand::createCatalog();

// The captions (row -1) or the texts of a row of a listing; NULL as an empty text.
QStringList rowTexts(const AuditListing& listing, int row) {
    QStringList texts;
    if (row < 0) {
        for (const FieldInfo& field : listing.fields)
            texts << field.name;
        return texts;
    }
    for (const FieldValue& value : listing.rows.at(size_t(row)))
        texts << value.value_or(QString());
    return texts;
}

// The statements that set OrderAudit's ENABLED flag and switch its trigger on Orders.
QStringList flag(const char* value) {
    return SqlServerStand::batch(
        QStringLiteral("UPDATE tblZOTA_SYSTEM_TABLE SET ENABLED = '%1' WHERE AUDIT_NAME = "
                       "'OrderAudit'")
            .arg(value));
}
QStringList alter(const char* verb) {
    return SqlServerStand::batch("ALTER TABLE " + SqlServerStand::stored("Orders") + ' ' + verb +
                                 " TRIGGER trgZOTA_OrderAudit");
}

const QString cannotFind = QStringLiteral("Cannot find the object \"Orders\".");
const QString deadlocked = QStringLiteral("Transaction (Process ID 53) was deadlocked.");

SqlServerCatalog::InstalledAudit orderAudit(const QString& enabled) {
    return {"OrderAudit", enabled, SqlServerStand::stored("Orders")};
}

} // namespace

class SqlServerCatalogTest : public QObject {
    Q_OBJECT

    std::unique_ptr<SqlServerStand> m_stand;
    std::unique_ptr<SqlServerCatalog> m_catalog;

    QStringList sent() const { return m_stand->database.statements(); }
    QStringList shown() const { return m_stand->messages.texts(); }

private Q_SLOTS:
    // A logged-in stand, its catalog and an empty grid for every test and every row.
    void init() {
        m_stand = std::make_unique<SqlServerStand>();
        QVERIFY(m_stand->logIn());
        m_catalog = std::make_unique<SqlServerCatalog>(m_stand->session, m_stand->messages);
    }

    void aMissingCatalogIsCreatedSilentlyAndNotListed() {
        m_stand->scriptCatalogMissing();
        const std::optional<AuditListing> listing = m_catalog->ensure();
        QVERIFY(listing);
        QCOMPARE(sent(), QStringList{SqlServerStand::catalogLookUp()} +
                             SqlServerStand::batch(createCatalog));
        QCOMPARE(shown(), QStringList());
        QVERIFY(listing->rows.empty());
        QVERIFY(listing->fields.empty());
    }

    void anExistingCatalogIsListedAndNotCreated() {
        m_stand->scriptCatalogPresent();
        const std::vector<Row> rows{SqlServerStand::row({"OrderAudit", "New orders", "Y",
                                                         SqlServerStand::stored("Orders")}),
                                    textRow({"Refunds", nullptr, "N", "Refunds"})};
        m_stand->scriptAudits(rows);
        const std::optional<AuditListing> listing = m_catalog->ensure();
        QVERIFY(listing);
        QCOMPARE(sent(),
                 (QStringList{SqlServerStand::catalogLookUp(), SqlServerStand::auditListing()} +
                  SqlServerStand::stateReads(rows)));
        QCOMPARE(shown(), QStringList());
        // The listing reads over the shared connection, opened from the login values.
        QCOMPARE(m_stand->database.connectionStrings().last(),
                 buildSqlServerConnectionString(m_stand->session.login()));
        QCOMPARE(rowTexts(*listing, -1), SqlServerStand::listedFields());
        QCOMPARE(rowTexts(*listing, 0),
                 (QStringList{"OrderAudit", "New orders", "Y", SqlServerStand::stored("Orders"),
                              "table missing"}));
        QCOMPARE(rowTexts(*listing, 1),
                 (QStringList{"Refunds", "", "N", "Refunds", "table missing"}));
        QCOMPARE(listing->rows.size(), size_t(2));
    }

    // Two reads for all audits: the columns of their tables, then their triggers with the
    // text the server shows (none when it encrypts them).
    void eachAuditsStateIsWorkedOutFromItsTablesAndTrigger() {
        const std::vector<Row> rows{
            textRow({"Fine", "", "Y", "Orders"}),      textRow({"Wider", "", "Y", "Orders"}),
            textRow({"Renamed", "", "Y", "Orders"}),   textRow({"Gone", "", "Y", "Refunds"}),
            textRow({"NoTrigger", "", "N", "Orders"}), textRow({"Cond", "", "Y", "sales.Pay"}),
        };
        const QStringList reads = SqlServerStand::stateReads(rows);
        const auto column = [](const char* table, const char* name, const char* type,
                               const char* length) {
            const QString bare = QString::fromLatin1(table).section(u'.', -1);
            return Row{FieldValue(table),  FieldValue(bare), FieldValue(name), FieldValue(type),
                       FieldValue(length), FieldValue("0"),  FieldValue("0")};
        };
        // Names in any case, as engines give them back; the audit table of Cond in the schema
        // of the user who made it.
        m_stand->database.onQuery(
            reads.first(), QStringList{"table_name", "bare", "n", "t", "l", "p", "s"},
            {column("orders", "ID", "int", "0"), column("Orders", "NOTE", "varchar", "80"),
             column("Orders", "CODE", "CHAR", "4"), column("tblZOTA_Fine", "CODE", "char", "4"),
             column("tblZOTA_Fine", "oldCODE", "char", "4"),
             column("tblZOTA_Fine", "AuditDate", "datetime", "0"),
             column("tblZOTA_Wider", "NOTE", "varchar", "40"),
             column("tblZOTA_Renamed", "TEXT", "varchar", "40"),
             column("tblZOTA_Gone", "ID", "int", "0"),
             column("tblZOTA_NoTrigger", "ID", "int", "0"), column("sales.Pay", "ID", "int", "0"),
             column("jane.tblZOTA_Cond", "ID", "int", "0")});
        m_stand->database.onQuery(
            reads.last(), QStringList{"name", "definition"},
            {textRow({"trgzota_fine", nullptr}), textRow({"trgZOTA_Wider", nullptr}),
             textRow({"trgZOTA_Renamed", nullptr}), textRow({"trgZOTA_Gone", nullptr}),
             textRow({"trgZOTA_Cond", "Create Trigger trgZOTA_Cond On sales.Pay For INSERT AS "
                                      "INSERT INTO [tblZOTA_Cond] (ID) SELECT ins.ID from "
                                      "inserted ins WHERE CASE WHEN ins.[AMOUNT] > 5 THEN 1 "
                                      "ELSE 0 END = 0"})});
        m_stand->scriptAudits(rows);

        const std::optional<AuditListing> listing = m_catalog->list();
        QVERIFY(listing);
        QCOMPARE(shown(), QStringList());
        QStringList states;
        for (int row = 0; row < int(rows.size()); ++row)
            states << rowTexts(*listing, row).last();
        QCOMPARE(states, (QStringList{"ok", "table changed", "broken", "table missing",
                                      "trigger missing", "broken"}));
        QCOMPARE(listing->checks.size(), rows.size());
        QCOMPARE(listing->checks[5]->auditedTable, QString("sales.Pay"));
    }

    void aStateThatCannotBeReadIsToldAndLeftEmpty() {
        const std::vector<Row> rows{textRow({"Fine", "", "Y", "Orders"})};
        m_stand->database.failOn(SqlServerStand::stateReads(rows).first(),
                                 FakeDatabase::error("VIEW DEFINITION permission denied."));
        m_stand->scriptAudits(rows);
        const std::optional<AuditListing> listing = m_catalog->list();
        QVERIFY(listing);
        QCOMPARE(rowTexts(*listing, 0), (QStringList{"Fine", "", "Y", "Orders", ""}));
        QCOMPARE(listing->checks.size(), size_t(1));
        QVERIFY(!listing->checks[0]);
        QCOMPARE(shown(), QStringList{"VIEW DEFINITION permission denied."});
    }

    void startUpFailuresShowTheZotaSystemMessage_data() {
        QTest::addColumn<QString>("failing"); // the step the server refuses
        QTest::addColumn<QString>("description");
        QTest::addColumn<QStringList>("expected");
        const QStringList lookUp{SqlServerStand::catalogLookUp()};
        QTest::newRow("look-up: missing rights")
            << "look-up"
            << "The SELECT permission was denied on the object 'tables', database "
               "'mssqlsystemresource', schema 'sys'."
            << lookUp;
        QTest::newRow("listing") << "listing"
                                 << "Invalid column name 'TRIGGERTABLE'."
                                 << lookUp + QStringList{SqlServerStand::auditListing()};
        QTest::newRow("create") << "create"
                                << "CREATE TABLE permission denied in database 'Sales'."
                                << lookUp + SqlServerStand::batch(createCatalog);
    }
    void startUpFailuresShowTheZotaSystemMessage() {
        QFETCH(QString, failing);
        QFETCH(QString, description);
        QFETCH(QStringList, expected);
        const DbErrorList error = FakeDatabase::error(description, 229);
        if (failing == "look-up") {
            m_stand->failCatalogLookUp(error);
        } else if (failing == "listing") {
            m_stand->scriptCatalogPresent();
            m_stand->database.failOn(SqlServerStand::auditListing(), error);
        } else {
            m_stand->scriptCatalogMissing();
            m_stand->database.failOn(createCatalog, error);
        }
        QVERIFY(!m_catalog->ensure());
        QCOMPARE(shown(), QStringList{"ZOTA_system-1  " + description});
        QCOMPARE(m_stand->messages.shown().first().icon, MessageIcon::None);
        QCOMPARE(sent(), expected);
    }

    void aFailingReloadShowsTheServersMessage() {
        m_stand->database.failOn(
            SqlServerStand::auditListing(),
            FakeDatabase::error("Invalid object name 'tblZOTA_SYSTEM_TABLE'."));
        QVERIFY(!m_catalog->list());
        QCOMPARE(shown(), QStringList{"Invalid object name 'tblZOTA_SYSTEM_TABLE'."});
    }

    void switchingATriggerUpdatesTheRowThenAltersTheTable_data() {
        QTest::addColumn<TriggerState>("state");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QStringList>("failing");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("message");
        const QString disable = alter("DISABLE").last();
        QTest::newRow("disable") << TriggerState::Disabled << "Y" << QStringList()
                                 << flag("N") + alter("DISABLE") << "";
        QTest::newRow("enable") << TriggerState::Enabled << "Y" << QStringList()
                                << flag("Y") + alter("ENABLE") << "";
        // A failing ALTER puts the row back, then shows the server's message.
        QTest::newRow("failing disable of an enabled audit")
            << TriggerState::Disabled << "Y" << QStringList{disable}
            << flag("N") + alter("DISABLE") + flag("Y") << cannotFind;
        QTest::newRow("failing enable of a disabled audit")
            << TriggerState::Enabled << "N" << QStringList{alter("ENABLE").last()}
            << flag("Y") + alter("ENABLE") + flag("N") << cannotFind;
        // A row whose flag the grid does not show goes back to the opposite of the new flag.
        QTest::newRow("failing disable with no flag shown")
            << TriggerState::Disabled << "" << QStringList{disable}
            << flag("N") + alter("DISABLE") + flag("Y") << cannotFind;
        QTest::newRow("a row that cannot be put back is reported too")
            << TriggerState::Disabled << "Y" << QStringList{disable, flag("Y").last()}
            << flag("N") + alter("DISABLE") + flag("Y")
            << cannotFind +
                   "\r\n\r\nThe audit's ENABLED flag could not be put back either, so "
                   "tblZOTA_SYSTEM_TABLE does not show the trigger's state:\r\n" +
                   deadlocked;
        QTest::newRow("a failing update leaves the trigger alone")
            << TriggerState::Disabled << "Y" << QStringList{flag("N").last()} << flag("N")
            << deadlocked;
    }
    void switchingATriggerUpdatesTheRowThenAltersTheTable() {
        QFETCH(TriggerState, state);
        QFETCH(QString, before);
        QFETCH(QStringList, failing);
        QFETCH(QStringList, expected);
        QFETCH(QString, message);
        for (const QString& statement : failing)
            m_stand->database.failOn(
                statement,
                FakeDatabase::error(statement.startsWith("ALTER") ? cannotFind : deadlocked));
        QCOMPARE(m_catalog->setTriggerState(orderAudit(before), state), failing.isEmpty());
        QCOMPARE(sent(), expected);
        QCOMPARE(shown(), message.isEmpty() ? QStringList() : QStringList{message});
    }

    void deleteDropsTriggerThenTableThenRow_data() {
        QTest::addColumn<QStringList>("failing");
        QTest::addColumn<bool>("triggerLeft");
        QTest::addColumn<bool>("tableLeft");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("message");
        const QStringList dropTrigger = SqlServerStand::batch("DROP TRIGGER trgZOTA_Refunds");
        const QStringList dropTable = SqlServerStand::batch("DROP TABLE tblZOTA_Refunds");
        const QStringList deleteRow =
            SqlServerStand::batch("DELETE FROM tblZOTA_SYSTEM_TABLE WHERE AUDIT_NAME = 'Refunds'");
        const QStringList triggerAsked{
            SqlServerManager::triggerStateStatement("Sales", "trgZOTA_Refunds")};
        const QStringList tableAsked{SqlServerManager::lookUpStatement("Sales", "tblZOTA_Refunds")};
        QTest::newRow("all succeed")
            << QStringList() << false << false << dropTrigger + dropTable + deleteRow << "";
        QTest::newRow("the audit table is gone already")
            << QStringList{"DROP TABLE tblZOTA_Refunds"} << false << false
            << dropTrigger + dropTable + tableAsked + deleteRow << "";
        QTest::newRow("table and trigger are gone already")
            << QStringList{"DROP TABLE tblZOTA_Refunds", "DROP TRIGGER trgZOTA_Refunds"} << false
            << false << dropTrigger + triggerAsked + dropTable + tableAsked + deleteRow << "";
        // Dropping the table under a live trigger would make every change to the audited
        // table fail, so the delete stops and says why.
        QTest::newRow("a trigger that cannot be dropped keeps its table and row")
            << QStringList{"DROP TRIGGER trgZOTA_Refunds"} << true << true
            << dropTrigger + triggerAsked
            << "The audit Refunds was not deleted: its trigger could not be dropped, so its table "
               "is kept and changes to Refunds keep working.\r\n\r\nCannot drop it.";
        // Without its row the audit would vanish from the list with its table still there.
        QTest::newRow("a table that cannot be dropped keeps the row")
            << QStringList{"DROP TABLE tblZOTA_Refunds"} << false << true
            << dropTrigger + dropTable + tableAsked
            << "The trigger of the audit Refunds was removed, but its table tblZOTA_Refunds could "
               "not be dropped. The audit stays listed so that it can be deleted again.\r\n\r\n"
               "Cannot drop it.";
    }
    void deleteDropsTriggerThenTableThenRow() {
        QFETCH(QStringList, failing);
        QFETCH(bool, triggerLeft);
        QFETCH(bool, tableLeft);
        QFETCH(QStringList, expected);
        QFETCH(QString, message);
        for (const QString& statement : failing)
            m_stand->database.failOn(statement, FakeDatabase::error("Cannot drop it.", 3701));
        m_stand->database.onQuery(
            SqlServerManager::triggerStateStatement("Sales", "trgZOTA_Refunds"), QStringList{"d"},
            triggerLeft ? std::vector<Row>{SqlServerStand::row({"0"})} : std::vector<Row>{});
        m_stand->database.onQuery(
            SqlServerManager::lookUpStatement("Sales", "tblZOTA_Refunds"),
            SqlServerStand::tableFields(),
            tableLeft ? std::vector<Row>{SqlServerStand::row({"dbo", "tblZOTA_Refunds", "0"})}
                      : std::vector<Row>{});
        QCOMPARE(m_catalog->remove({"Refunds", "Y", SqlServerStand::stored("Refunds")}),
                 failing.isEmpty() || (!triggerLeft && !tableLeft));
        QCOMPARE(sent(), expected);
        QCOMPARE(shown(), message.isEmpty() ? QStringList() : QStringList{message});
    }

    // A production table another session holds: the DDL gives up after the lock wait and
    // leaves everything as it was.
    void aBusyTableChangesNothingAndSaysSo() {
        const QString busy = "The table Orders is in use by another session; nothing was changed. "
                             "Try again when it is quiet.";
        const DbErrorList timeout =
            FakeDatabase::error("Lock request time out period exceeded.", 1222, "HYT00");
        m_stand->database.failOn(alter("DISABLE").last(), timeout);
        m_stand->database.failOn("DROP TRIGGER trgZOTA_OrderAudit", timeout);
        QVERIFY(!m_catalog->setTriggerState(orderAudit("Y"), TriggerState::Disabled));
        QCOMPARE(sent(), flag("N") + alter("DISABLE") + flag("Y"));
        QVERIFY(!m_catalog->remove(orderAudit("Y")));
        QCOMPARE(sent().mid(6), SqlServerStand::batch("DROP TRIGGER trgZOTA_OrderAudit"));
        QCOMPARE(shown(), (QStringList{busy, busy}));
    }

    void namesOutsideDboAndQuotesAreWrittenSafely() {
        QCOMPARE(
            SqlServerCatalog::removeStatements("Refunds", SqlServerStand::stored("sales.Refunds")),
            (QStringList{"DROP TRIGGER sales.trgZOTA_Refunds", "DROP TABLE tblZOTA_Refunds",
                         "DELETE FROM tblZOTA_SYSTEM_TABLE WHERE AUDIT_NAME = 'Refunds'"}));
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
