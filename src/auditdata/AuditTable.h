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

    // The same table, its reads, exports and purges taking only the rows recorded more than
    // `days` days before the server's current time, by the server's clock: AuditDate <
    // DATEADD(day, -days, GETDATE()) on SQL Server, DATE < SYSDATETIME - days on SQLBase.
    // `days` from 1 to maxAgeDays.
    AuditTable olderThan(int days) const;
    static constexpr int maxAgeDays = 36500;
    // The age olderThan() set; nothing: every row.
    std::optional<int> olderThanDays() const { return m_olderThanDays; }

    // "Select * from " + table, then the age condition
    QString selectStatement() const;
    // "Delete from " + table, then the age condition
    QString purgeStatement() const;
    // "Select Count(*) from " + table (every row, whatever the age)
    QString countStatement() const;
    // SQL Server: "Delete from " + table + " Output deleted.*", then the age condition; it
    // deletes the rows and returns each one it deletes, so a file of them holds exactly what
    // was deleted.
    QString deleteReturningRowsStatement() const;

    // SQLBase exports and purges rows older than an age in two statements (a read, then a
    // delete), so the limit must not move between them: this query asks the server for it once
    // (one row, one timestamp), and fixedAt() gives the table whose statements compare with
    // that value. Empty without an age, and on SQL Server (one statement does it all).
    QString ageLimitQuery() const;
    // The table with the limit the server gave ("YYYY-MM-DD hh:mm:ss[.f...]", as ODBC gives a
    // timestamp). Nothing when the text is not such a timestamp.
    std::optional<AuditTable> fixedAt(const QString& serverTimestamp) const;

    friend bool operator==(const AuditTable&, const AuditTable&) = default;

private:
    AuditTable(AuditStore store, QString name, QString tableName);
    // " Where ..." for the age; empty without one.
    QString ageCondition() const;

    AuditStore m_store;
    QString m_name;
    QString m_tableName;
    std::optional<int> m_olderThanDays;
    QString m_fixedLimit; // SQLBase: the timestamp the age was fixed at
};

} // namespace quorvex
