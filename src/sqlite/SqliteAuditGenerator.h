#pragma once

#include "mainwindow/AuditDefinition.h"
#include "mainwindow/ColumnInfo.h"
#include "mainwindow/GeneratedStatements.h"
#include "sqlserver/AuditNameRules.h"

#include <QString>

namespace quorvex::sqlite {

// What an audit on SQLite is made of, by the audit's name: the table "tblZOTA_<name>" with a
// copy of each chosen column (and "old<column>" for old values), AuditDate and UserName; the
// trigger "trgZOTA_<name>" on the audited table, one row at a time; and its row in the catalog
// tblZOTA_SYSTEM_TABLE.
QString auditTableName(const QString& auditName);
QString triggerName(const QString& auditName);
const QString& catalogTableName();

// tblZOTA_SYSTEM_TABLE keeps the layout of SQL Server's (AUDIT_NAME varchar(20),
// AUDIT_DESCRIPTION varchar(200)); SQLite pads and cuts no name, so a table name of any length
// is kept.
const AuditNameLimits& sqliteAuditNameLimits();

// The checks that come before the database is asked anything: a table, a name and a column at
// least, then the name and description rules and their lengths. The message to show, or empty.
QString checkSqliteAuditEntries(const AuditDefinition& definition);

// Why a USERID condition is refused on SQLite.
QString userIdConditionMessage();
// Why "Also record login, host and application" is not offered on SQLite.
QString recordWhoUnavailableMessage();

// The catalog: SQL Server's four columns, then the text of a disabled audit's trigger (SQLite
// cannot switch a trigger off; Disable drops it and keeps its text here).
enum class CatalogCreation { Always, IfMissing };
QString catalogCreateStatement(CatalogCreation creation = CatalogCreation::Always);

// The catalog row of a new, enabled audit.
QString catalogInsertStatement(const QString& auditName, const QString& description,
                               const QString& auditedTable);

// The statements that install one audit, in sending order: the audit table, the trigger, the
// catalog row (GO sends them in one transaction). `tableColumns` is the audited table's whole
// catalogue in order: name, declared type, primary-key flag. A definition that cannot give a
// working audit is refused with the message to show.
GeneratedStatements generateSqliteAudit(const AuditDefinition& definition,
                                        const ColumnInfoList& tableColumns);

} // namespace quorvex::sqlite
