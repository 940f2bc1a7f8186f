#include "auditdata/AuditTable.h"

#include "sqlserver/AuditNameRules.h"

namespace quorvex {

AuditTable::AuditTable(AuditStore store, QString name, QString tableName)
    : m_store(store), m_name(std::move(name)), m_tableName(std::move(tableName)) {}

std::optional<AuditTable> AuditTable::fromName(AuditStore store, const QString& name) {
    if (name.isEmpty() || !checkAuditName(name).accepted())
        return std::nullopt;
    const QString table = store == AuditStore::SqlBase ? name : QStringLiteral("tblZOTA_") + name;
    return AuditTable(store, name, table);
}

QString AuditTable::selectStatement() const {
    return QStringLiteral("Select * from ") + m_tableName;
}

QString AuditTable::purgeStatement() const {
    return QStringLiteral("Delete from ") + m_tableName;
}

QString AuditTable::deleteReturningRowsStatement() const {
    return purgeStatement() + QStringLiteral(" Output deleted.*");
}

} // namespace quorvex
