#pragma once

#include "sqlbase/SqlBaseLoginValues.h"

#include <QString>

namespace quorvex {
class IConnection;
}

namespace quorvex {
class Grid;
struct PlatformServices;
} // namespace quorvex

namespace quorvex::sqlbase {

// The audit catalog ZOTA_SYSTEM_TABLE: one row per installed audit (its "ZOTA_" name, its
// description, "Y" or "N" for enabled). Each operation opens a connection of its own, closes it
// at its end and shows its failures itself: a connection failure as the provider's error list,
// a failing statement as the provider's message.
class SqlBaseCatalog {
public:
    enum class Outcome {
        Done,
        Failed,      // a statement failed; its message has been shown
        NoConnection // the connection could not be opened; the report has been shown
    };

    SqlBaseCatalog(PlatformServices& services, const SqlBaseLoginValues& login);

    // Creates the empty catalog table. Stops at the first failing statement.
    Outcome create();

    // Fills the installed-audits grid: the record count text ("NO RECORDS", "n RECORDS"), then
    // AUDIT_NAME, AUDIT_DESCRIPTION and ENABLED. A failing count stops the listing there: the
    // rows stay, the counts after it stay empty. When the catalog cannot be read the grid is
    // emptied, so it never shows stale states.
    Outcome list(Grid& installedAudits);

    // Switch an audit's trigger off or on and record it in the catalog. The first failing
    // statement ends the operation.
    Outcome disable(const QString& objectName);
    Outcome enable(const QString& objectName);

    // Removes the audit's trigger, table, procedure and catalog row. A trigger that cannot be
    // dropped and is still there ends it with nothing else removed. Past the trigger it goes on
    // past failures, so an audit with objects already missing is still removed as far as it
    // exists; Failed when any statement failed.
    Outcome remove(const QString& objectName);

private:
    static bool triggerStillExists(IConnection& connection, const QString& objectName);
    Outcome setEnabled(const QString& objectName, const QString& flag, const QString& action);

    PlatformServices& m_services;
    const SqlBaseLoginValues& m_login;
};

} // namespace quorvex::sqlbase
