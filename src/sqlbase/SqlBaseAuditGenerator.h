#pragma once

#include "mainwindow/AuditDefinition.h"
#include "mainwindow/ColumnInfo.h"
#include "mainwindow/GeneratedStatements.h"
#include "sqlserver/AuditNameRules.h"

#include <QString>

namespace quorvex::sqlbase {

// The eight statements that install one audit, in sending order: catalog row, audit table,
// COMMIT, public synonym, COMMIT, stored procedure, trigger, COMMIT. `syscolumns` are the
// SYSCOLUMNS rows (NAME, COLTYPE, LENGTH, SCALE) of the audited table. A definition that would
// give objects the database cannot create, or code that does not do what the user chose, is
// refused with the message to show, and then nothing is to be sent.
GeneratedStatements generateSqlBaseAudit(const AuditDefinition& definition,
                                         const ColumnInfoList& syscolumns);

// The checks before the catalog is asked about the name: the name and description rules, then
// whether "ZOTA_" + name can name the audit's objects and its catalog row, the description fits
// the catalog, and the table's name is one SQLBase can have. At most one message.
NameRuleVerdict checkSqlBaseAuditNames(const AuditDefinition& definition);

// Why "Also record login, host and application" is not offered on SQLBase, and the refusal of
// a definition that asks for it.
const QString& sqlBaseRecordWhoUnavailableMessage();

// Every object of an audit (table, synonym, procedure, trigger) and its catalog row bear this
// name: "ZOTA_" followed by the name as typed.
QString sqlBaseAuditObjectName(const QString& typedName);

// The name of the audit-table column and procedure parameter that keep a column's old value in
// an update audit: the name followed by "O", its last letter giving way for an 18-character
// name, the longest the database allows.
QString sqlBaseOldValueName(const QString& column);

// The row that records a new audit, enabled, in ZOTA_SYSTEM_TABLE.
QString sqlBaseCatalogRowStatement(const QString& objectName, const QString& description);

} // namespace quorvex::sqlbase
