#pragma once

#include <QString>

namespace quorvex {

// The names of what an audit is made of on SQL Server and SQLite, unquoted: its table
// "tblZOTA_<name>" and its trigger "trgZOTA_<name>". Everything the system makes is found again
// by these names.
inline QString zotaTablePrefix() {
    return QStringLiteral("tblZOTA_");
}
inline QString zotaTableName(const QString& auditName) {
    return zotaTablePrefix() + auditName;
}
inline QString zotaTriggerName(const QString& auditName) {
    return QStringLiteral("trgZOTA_") + auditName;
}

} // namespace quorvex
