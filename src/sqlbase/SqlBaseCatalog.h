#pragma once

#include "mainwindow/AuditBackend.h"

#include <QString>
#include <optional>

namespace quorvex::sqlbase {

class SqlBaseSession;

// The audit catalog ZOTA_SYSTEM_TABLE: one row per installed audit (its "ZOTA_" name, its
// description, "Y" or "N" for enabled). Works on the connection of the operation that made it
// and tells its failures to that operation's messages: a failing statement as the provider's
// message.
class SqlBaseCatalog {
public:
    enum class Outcome {
        Done,
        Failed,   // a statement failed; its message has been told
        Cancelled // the user cancelled; nothing is left half-done (see each operation)
    };

    explicit SqlBaseCatalog(SqlBaseSession& session);

    // The record count as the listing's first column says it: "NO RECORDS", "n RECORDS".
    static QString recordCountText(qint64 count);
    // The count such a text says; nothing for any other text (a count that failed).
    static std::optional<qint64> recordCount(const QString& text);

    // Creates the empty catalog table. Stops at the first failing statement.
    Outcome create();

    // The installed audits as the grid shows them: the record count text ("NO RECORDS",
    // "n RECORDS") under an empty header, then AUDIT_NAME, AUDIT_DESCRIPTION, ENABLED and
    // STATE (what became of the audit, see readSqlBaseAuditCheck). A failing count or state
    // read stops that column there: every row stays, the cells from it on stay empty. A
    // catalog that cannot be read gives an empty listing, so the grid never shows stale
    // states. Nothing when cancelled.
    std::optional<AuditListing> list();

    // Switch an audit's trigger off or on and record it in the catalog. The first failing
    // statement ends the operation; a failing ALTER TRIGGER leaves the catalog changed. A cancel
    // that cuts the ALTER TRIGGER short puts the catalog back to `enabledBefore` (the ENABLED
    // the grid showed), so it never says what the trigger is not.
    Outcome disable(const QString& objectName, const QString& enabledBefore);
    Outcome enable(const QString& objectName, const QString& enabledBefore);

    // Removes the audit's trigger, table, procedure and catalog row. A trigger that cannot be
    // dropped and is still there ends it with nothing removed. Past the trigger it goes on past
    // failures, so an audit with objects already missing is still removed as far as it exists;
    // Failed when any statement failed. A cancel reaches only the trigger's drop: once the
    // trigger is gone, the rest of the audit goes too.
    Outcome remove(const QString& objectName);

private:
    // Adds the STATE column; false when cancelled.
    bool addStates(AuditListing& listing);
    bool triggerStillExists(const QString& objectName);
    Outcome setEnabled(const QString& objectName, const QString& flag, const QString& action,
                       const QString& enabledBefore);

    SqlBaseSession& m_session;
};

} // namespace quorvex::sqlbase
