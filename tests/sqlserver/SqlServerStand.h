#pragma once

#include "components/PlatformServices.h"
#include "sqlserver/SqlServerManager.h"
#include "sqlserver/SqlServerSession.h"
#include "support/FakeDatabase.h"
#include "support/FakeWorkingDirectory.h"
#include "support/RecordingDesktopServices.h"
#include "support/RecordingProcessControl.h"
#include "support/ScriptedMessageService.h"

#include <QStringList>

namespace quorvex::testing {

// The SQL Server back end over the scripted database, every seam recording. logIn() connects to
// "Sales" on "DBHOST" as the login window would and forgets what that sent.
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
    void scriptCatalogMissing() { database.onQuery(catalogLookUp(), tableFields(), {}); }

    // The catalog's rows; the reads of their states find nothing unless scripted first.
    void scriptAudits(const std::vector<Row>& rows) {
        database.onQuery(QStringLiteral("Select AUDIT_NAME,AUDIT_DESCRIPTION,ENABLED,TRIGGERTABLE "
                                        "from tblZOTA_SYSTEM_TABLE"),
                         QStringList{QStringLiteral("AUDIT_NAME"),
                                     QStringLiteral("AUDIT_DESCRIPTION"), QStringLiteral("ENABLED"),
                                     QStringLiteral("TRIGGERTABLE")},
                         rows);
        database.setUnscriptedQueriesEmpty(true);
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

    // Without what every operation sends first: the lock wait and which product the server is.
    QStringList sentAfterPrologues() const {
        QStringList sent = database.statements();
        sent.removeIf([](const QString& statement) {
            return statement == SqlServerManager::lockTimeoutStatement() ||
                   statement == SqlServerManager::engineStatement();
        });
        return sent;
    }
    SqlServerLoginValues loginValues() const {
        return {QStringLiteral("DBHOST"), QStringLiteral("sa"), QStringLiteral("pw"),
                QStringLiteral("Sales")};
    }

    static QStringList batch(const QString& statement) {
        return {QStringLiteral("USE [Sales]"), statement};
    }

    // A TRIGGERTABLE value as the server gives it back: CHAR(100), blank-padded.
    static QString stored(const QString& table) { return table.leftJustified(100, u' '); }
};

} // namespace quorvex::testing
