#pragma once

#include <QString>
#include <optional>

namespace quorvex {

// Which back end keeps the audit: it decides how the name in the installed-audits grid maps to
// the audit table.
enum class AuditStore { SqlServer, SqlBase, Sqlite };

// One installed audit's table, as the viewer, the export window and quorvex-export reach it.
// The name is spliced into statements, so only names the audit name rules admit are accepted:
// every audit the program installs has one, and a catalog row edited by hand cannot smuggle
// SQL into a Select or a Delete.
class AuditTable {
public:
    // name: the grid's name cell (SQL Server and SQLite: the bare audit name; SQLBase: the full
    // table name "ZOTA_..."). Empty when the name is empty or holds anything but letters, digits
    // and "_".
    static std::optional<AuditTable> fromName(AuditStore store, const QString& name);

    AuditStore store() const { return m_store; }
    // The name as the grid shows it; the worksheet of a spreadsheet export is named after it.
    const QString& name() const { return m_name; }
    // "tblZOTA_" + name on SQL Server and SQLite; the name itself on SQLBase.
    const QString& tableName() const { return m_tableName; }

    // "Select * from " + table
    QString selectStatement() const;
    // "Delete from " + table
    QString purgeStatement() const;
    // SQL Server: "Delete from " + table + " Output deleted.*", which deletes the rows and
    // returns each one it deletes, so a file of them holds exactly what was deleted.
    QString deleteReturningRowsStatement() const;

    friend bool operator==(const AuditTable&, const AuditTable&) = default;

private:
    AuditTable(AuditStore store, QString name, QString tableName);

    AuditStore m_store;
    QString m_name;
    QString m_tableName;
};

} // namespace quorvex
