#pragma once

#include "mainwindow/AuditDefinition.h"
#include "mainwindow/ColumnInfo.h"
#include "mainwindow/GeneratedStatements.h"
#include "sqlserver/SqlServerEngine.h"

#include <QString>

namespace quorvex::sqlserver {

// "Please fill in more information"
const QString& missingEntriesMessage();

// The checks that come before the duplicate-name query: a table, a name and at least one
// column, then the name and description rules, then whether tblZOTA_SYSTEM_TABLE can keep the
// name, the description and the table's name. Returns the message to show, empty when the
// entries pass.
QString checkSqlServerAuditEntries(const AuditDefinition& definition);

// "trgZOTA_" + name
QString sqlServerTriggerName(const QString& auditName);

// The catalog row of a new, enabled audit: the name without prefix, the description as typed,
// the audited table as the catalogue gives it.
QString sqlServerCatalogInsertStatement(const QString& auditName, const QString& description,
                                        const QString& auditedTable);

// The statements that install one audit, in sending order: the audit table's CREATE TABLE (on
// Babelfish followed by the GRANT INSERT every writer of the audited table needs), the trigger,
// the catalog row. A definition that cannot give a working audit is refused
// with the message to show, and then nothing is to be sent. `tableColumns` is the audited
// table's whole catalogue, in order.
GeneratedStatements generateSqlServerAudit(const AuditDefinition& definition,
                                           const ColumnInfoList& tableColumns,
                                           SqlServerEngine engine = SqlServerEngine::SqlServer);

} // namespace quorvex::sqlserver
