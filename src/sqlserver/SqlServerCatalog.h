#pragma once

#include "mainwindow/AuditBackend.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace quorvex {

class DbException;
class MessageService;
class SqlServerSession;

// The audit catalog of the login's database: the table tblZOTA_SYSTEM_TABLE with one row per
// installed audit, and what the installed-audits tab does with it. Statements that change the
// database go through the session's management connection; the listing reads over the shared
// connection, which is opened here when it is still closed. Runs off the window's thread: what
// it lists comes back as values, what it has to say goes to the MessageService it is given.
//
// Catalog row and trigger never disagree: when a trigger cannot be switched, its row is put
// back as it was and the server's message is shown.
class SqlServerCatalog {
public:
    enum class TriggerState { Enabled, Disabled };

    // One installed audit as a row of the installed-audits grid shows it.
    struct InstalledAudit {
        QString name;         // AUDIT_NAME, column 0
        QString enabled;      // ENABLED, column 2: "Y" or "N"
        QString triggerTable; // TRIGGERTABLE, column 3, with the blanks the CHAR(100) pads it with

        friend bool operator==(const InstalledAudit&, const InstalledAudit&) = default;
    };

    SqlServerCatalog(SqlServerSession& session, MessageService& messages);

    // Start-up: creates the catalog table when the database has none (then there is nothing to
    // list), otherwise lists it. Empty when a step failed; what failed has been told.
    std::optional<AuditListing> ensure();

    // The catalog's rows, each with its state in a last column STATE. Empty when the catalog
    // could not be read (told).
    std::optional<AuditListing> list();

    // Switches the audit's trigger and its ENABLED flag together. False when either could not
    // be changed (shown); the catalog row then says what the trigger does.
    bool setTriggerState(const InstalledAudit& audit, TriggerState state);

    // Drops the trigger, then the audit table, then removes the catalog row, so a partly
    // removed audit is cleaned up as far as it goes. The trigger goes first: a trigger left on
    // the audited table without its audit table would make every change to that table fail.
    // So when the trigger cannot be dropped (other than because it is gone already), the
    // server's message is shown, nothing else is removed and false is returned. When the table
    // cannot be dropped (other than because it is gone), the catalog row stays, so the audit
    // stays listed and can be deleted again. A lock wait that ran out is told as such.
    bool remove(const InstalledAudit& audit);

    // The audit in a row of the installed-audits grid.
    static InstalledAudit auditAt(const InstalledAuditRow& row);

    // --- the statements, as sent ---
    static QString createStatement();
    static QString listStatement();
    static QString enabledFlagStatement(const QString& auditName, const QString& flag);
    static QString triggerStatement(const QString& triggerTable, const QString& auditName,
                                    TriggerState state);
    static QStringList removeStatements(const QString& auditName, const QString& triggerTable);

    // "ZOTA_system", the error's number, two blanks, its description: how a start-up failure of
    // the catalog is shown.
    static QString startupFailureMessage(const DbException& failure);

private:
    // Whether the server still lists the audit's trigger; true when it cannot tell.
    bool triggerStillExists(const QString& auditName);
    // Whether the audit table is still there; true when it cannot tell.
    bool auditTableStillExists(const QString& auditName);
    AuditListing loadAudits(); // throws DbException when the catalog cannot be read
    // The STATE column: what became of each audit (see SqlServerAuditStates). A failed read
    // is told and leaves the states empty.
    void addStates(AuditListing& listing);

    SqlServerSession& m_session;
    MessageService& m_messages;
};

} // namespace quorvex
