#pragma once

#include "components/PlatformServices.h"
#include "sqlserver/SqlServerAuditStates.h"
#include "sqlserver/SqlServerManager.h"
#include "sqlserver/SqlServerSession.h"
#include "support/FakeDatabase.h"
#include "support/FakeWorkingDirectory.h"
#include "support/RecordingDesktopServices.h"
#include "support/RecordingProcessControl.h"
#include "support/ScriptedMessageService.h"

#include <QStringList>

namespace quorvex::testing {

// The SQL Server back end over the scripted database, with every seam recording. The login
// values name the database "Sales" on the server "DBHOST"; logIn() connects the management side
// as the login window would and forgets what that sent.
struct SqlServerStand {
    FakeDatabase database;
    ScriptedMessageService messages;
    RecordingProcessControl process;
    RecordingDesktopServices desktop;
    FakeWorkingDirectory workingDirectory;
    PlatformServices services{messages, process, desktop, workingDirectory, database};
    SqlServerSession session{database};

    bool logIn() {
        session.login() = {QStringLiteral("DBHOST"), QStringLiteral("sa"), QStringLiteral("pw"),
                           QStringLiteral("Sales")};
        const bool connected = session.manager().connectServer(
            session.login().server, session.login().user, session.login().password);
        database.clearLog();
        return connected;
    }

    void scriptDatabases(const std::vector<Row>& rows) {
        database.onQuery(SqlServerManager::databasesStatement(),
                         QStringList{QStringLiteral("name"), QStringLiteral("is_distributor")},
                         rows);
    }
    void scriptTables(const std::vector<Row>& rows) {
        database.onQuery(SqlServerManager::tablesStatement(QStringLiteral("Sales")), tableFields(),
                         rows);
    }
    void scriptCatalogPresent() {
        database.onQuery(catalogLookUp(), tableFields(),
                         {textRow({"dbo", "tblZOTA_SYSTEM_TABLE", "0"})});
    }
    // The lookup finds no row, so the management layer reports the name as not found.
    void scriptCatalogMissing() { database.onQuery(catalogLookUp(), tableFields(), {}); }

    static QString auditListing() {
        return QStringLiteral(
            "Select AUDIT_NAME,AUDIT_DESCRIPTION,ENABLED,TRIGGERTABLE from tblZOTA_SYSTEM_TABLE");
    }
    static QStringList auditFields() {
        return {QStringLiteral("AUDIT_NAME"), QStringLiteral("AUDIT_DESCRIPTION"),
                QStringLiteral("ENABLED"), QStringLiteral("TRIGGERTABLE")};
    }
    // The catalog's rows, and the reads of their states that follow them: unless a test
    // scripts them first, those find no columns and no trigger, so every audit's table shows
    // as missing.
    void scriptAudits(const std::vector<Row>& rows) {
        database.onQuery(auditListing(), auditFields(), rows);
        const QStringList reads = stateReads(rows);
        for (const QString& read : reads)
            database.onQuery(read, QStringList{QStringLiteral("name")}, {});
    }
    // What a listing of these catalog rows reads after them, in order (nothing for none).
    static QStringList stateReads(const std::vector<Row>& rows) {
        QStringList audited;
        QStringList auditTables;
        QStringList triggers;
        for (const Row& row : rows) {
            const QString name = row.at(0).value_or(QString()).trimmed();
            const QString table = row.at(3).value_or(QString()).trimmed();
            if (!audited.contains(table, Qt::CaseInsensitive))
                audited << table;
            auditTables << QStringLiteral("tblZOTA_") + name;
            triggers << QStringLiteral("trgZOTA_") + name;
        }
        if (rows.empty())
            return {};
        return {SqlServerAuditStates::columnsStatement(audited, auditTables),
                SqlServerAuditStates::triggersStatement(triggers)};
    }

    static QString createCatalog() {
        return QStringLiteral(
            "Create Table [tblZOTA_SYSTEM_TABLE] ([AUDIT_NAME] [VARCHAR](20) NOT NULL , "
            "[AUDIT_DESCRIPTION] [VARCHAR] (200) NULL , [ENABLED] [CHAR] (1) NOT NULL, "
            "[TRIGGERTABLE] [CHAR] (100) NOT NULL)");
    }
    static QString catalogLookUp() {
        return SqlServerManager::lookUpStatement(QStringLiteral("Sales"),
                                                 QStringLiteral("tblZOTA_SYSTEM_TABLE"));
    }
    static QStringList tableFields() {
        return {QStringLiteral("schema_name"), QStringLiteral("table_name"),
                QStringLiteral("is_ms_shipped")};
    }

    // What every operation of the back end sends first on its management connection: the
    // bounded lock wait (and, the first time only, the question which product the server is).
    static bool isPrologue(const QString& statement) {
        return statement == SqlServerManager::lockTimeoutStatement() ||
               statement == SqlServerManager::engineStatement();
    }
    QStringList sentAfterPrologues() const {
        QStringList sent = database.statements();
        sent.removeIf(isPrologue);
        return sent;
    }
    SqlServerLoginValues loginValues() const {
        return {QStringLiteral("DBHOST"), QStringLiteral("sa"), QStringLiteral("pw"),
                QStringLiteral("Sales")};
    }

    // A statement that changes the database, as the management layer sends it: in the
    // login's database.
    static QStringList batch(const QString& statement) {
        return {QStringLiteral("USE [Sales]"), statement};
    }

    // A TRIGGERTABLE value as the server gives it back: CHAR(100), blank-padded.
    static QString stored(const QString& table) { return table.leftJustified(100, u' '); }
};

} // namespace quorvex::testing
