#include "auditdata/AuditTable.h"

#include "mainwindow/AuditObjectNames.h"
#include "sqlserver/AuditNameRules.h"

#include <QRegularExpression>
#include <algorithm>

namespace quorvex {

AuditTable::AuditTable(AuditStore store, QString name, QString tableName)
    : m_store(store), m_name(std::move(name)), m_tableName(std::move(tableName)) {}

std::optional<AuditTable> AuditTable::fromName(AuditStore store, const QString& name) {
    if (name.isEmpty() || !checkAuditName(name).accepted())
        return std::nullopt;
    const QString table = store == AuditStore::SqlBase ? name : zotaTableName(name);
    return AuditTable(store, name, table);
}

AuditTable AuditTable::olderThan(int days) const {
    AuditTable table = *this;
    table.m_olderThanDays = std::clamp(days, 1, maxAgeDays);
    table.m_fixedLimit.clear();
    return table;
}

QString AuditTable::ageCondition() const {
    if (!m_olderThanDays)
        return {};
    const QString days = QString::number(*m_olderThanDays);
    if (m_store == AuditStore::SqlServer)
        return QStringLiteral(" Where AuditDate < DATEADD(day, -") + days +
               QStringLiteral(", GETDATE())");
    // AuditDate is CURRENT_TIMESTAMP's UTC text, which datetime('now') compares with as text.
    if (m_store == AuditStore::Sqlite) {
        if (!m_fixedLimit.isEmpty())
            return QStringLiteral(" Where AuditDate < '") + m_fixedLimit + u'\'';
        return QStringLiteral(" Where AuditDate < datetime('now', '-") + days +
               QStringLiteral(" days')");
    }
    // An ODBC timestamp escape: the driver writes it in the database's own form.
    if (!m_fixedLimit.isEmpty())
        return QStringLiteral(" Where DATE < {ts '") + m_fixedLimit + QStringLiteral("'}");
    return QStringLiteral(" Where DATE < SYSDATETIME - ") + days;
}

QString AuditTable::selectStatement() const {
    return QStringLiteral("Select * from ") + m_tableName + ageCondition();
}

QString AuditTable::purgeStatement() const {
    return QStringLiteral("Delete from ") + m_tableName + ageCondition();
}

QString AuditTable::countStatement() const {
    return QStringLiteral("Select Count(*) from ") + m_tableName;
}

QString AuditTable::deleteReturningRowsStatement() const {
    // OUTPUT comes before WHERE in a DELETE.
    return QStringLiteral("Delete from ") + m_tableName + QStringLiteral(" Output deleted.*") +
           ageCondition();
}

QString AuditTable::ageLimitQuery() const {
    if (!m_olderThanDays || m_store == AuditStore::SqlServer)
        return {};
    if (m_store == AuditStore::Sqlite)
        return QStringLiteral("SELECT datetime('now', '-") + QString::number(*m_olderThanDays) +
               QStringLiteral(" days')");
    // SYSTABLES describes itself: a table of one row to compute the value on.
    return QStringLiteral("Select SYSDATETIME - ") + QString::number(*m_olderThanDays) +
           QStringLiteral(" from SYSADM.SYSTABLES where CREATOR = 'SYSADM' and NAME = "
                          "'SYSTABLES'");
}

std::optional<AuditTable> AuditTable::fixedAt(const QString& serverTimestamp) const {
    // Spliced into statements: nothing but the digits and separators of a timestamp.
    static const QRegularExpression timestamp(
        QStringLiteral(R"(^\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}(\.\d{1,9})?$)"));
    const QString text = serverTimestamp.trimmed();
    if (!m_olderThanDays || !timestamp.match(text).hasMatch())
        return std::nullopt;
    AuditTable table = *this;
    table.m_fixedLimit = text;
    return table;
}

} // namespace quorvex
