#pragma once

#include "mainwindow/AuditBackend.h"

#include <QString>
#include <optional>

namespace quorvex {
class CancelToken;
class DbException;
class IConnection;
class MessageService;
} // namespace quorvex

namespace quorvex::sqlite {

// The audit catalog of a SQLite database: tblZOTA_SYSTEM_TABLE with SQL Server's four columns
// first (AUDIT_NAME, AUDIT_DESCRIPTION, ENABLED, TRIGGERTABLE), then DISABLED_TRIGGER. SQLite
// cannot switch a trigger off, so Disable drops it and keeps its exact text in
// DISABLED_TRIGGER, and Enable creates it again from that text; the text survives the program.
//
// Every change is one transaction that holds the database's write lock (BEGIN IMMEDIATE):
// trigger, audit table and catalog row change together or not at all, a cancel included. What
// failed is told through the MessageService; a cancel is not told.
class SqliteCatalog {
public:
    enum class TriggerState { Enabled, Disabled };

    // One installed audit as a row of the installed-audits grid shows it.
    struct InstalledAudit {
        QString name;         // AUDIT_NAME, column 0
        QString triggerTable; // TRIGGERTABLE, column 3
    };

    SqliteCatalog(IConnection& connection, MessageService& messages);

    // Start-up: creates the catalog when the database has none (and adds DISABLED_TRIGGER to
    // one that lacks it), then lists it. Empty when that failed (told).
    std::optional<AuditListing> ensure();
    // The catalog's four columns. Empty when it could not be read (told).
    std::optional<AuditListing> list();

    // Disable: the trigger's text into DISABLED_TRIGGER, ENABLED 'N', the trigger dropped.
    // Enable: the trigger created from that text, ENABLED 'Y', DISABLED_TRIGGER emptied. An
    // audit already in the state asked for only gets its flag set. False when nothing changed.
    bool setTriggerState(const InstalledAudit& audit, TriggerState state, CancelToken* cancel);

    // The trigger, the audit table and the catalog row, together (what is gone already need
    // not be dropped). False when nothing changed.
    bool remove(const InstalledAudit& audit, CancelToken* cancel);

    static InstalledAudit auditAt(const InstalledAuditRow& row);

    // --- the statements, as sent ---
    static QString addDisabledTriggerColumnStatement();
    static QString listStatement();
    static QString disabledTriggerQuery(const QString& auditName);
    // The text a disabled audit keeps of its trigger; nothing when there is none. Throws
    // DbException.
    static std::optional<QString> disabledTriggerText(IConnection& connection,
                                                      const QString& auditName);
    static QString stateStatement(const QString& auditName, TriggerState state,
                                  const std::optional<QString>& keptTrigger);
    static QStringList removeStatements(const QString& auditName);

    // "The database is in use by another connection; ..."
    static QString databaseInUseMessage();

private:
    bool switchTrigger(const InstalledAudit& audit, TriggerState state, const CancelToken* cancel);
    AuditListing loadAudits(); // throws DbException
    // A failure of a change that was rolled back: the lock wait, or the database's words.
    void reportUnchanged(const QString& what, const DbException& failure, CancelToken* cancel);

    IConnection& m_connection;
    MessageService& m_messages;
};

} // namespace quorvex::sqlite
