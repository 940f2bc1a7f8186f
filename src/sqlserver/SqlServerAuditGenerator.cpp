#include "sqlserver/SqlServerAuditGenerator.h"

#include "sqlserver/AuditNameRules.h"
#include "sqlserver/SqlServerAuditTableGenerator.h"
#include "sqlserver/SqlServerIdentifier.h"
#include "sqlserver/SqlServerTriggerGenerator.h"

namespace quorvex::sqlserver {

const QString& missingEntriesMessage() {
    static const QString message = QStringLiteral("Please fill in more information");
    return message;
}

QString checkSqlServerAuditEntries(const AuditDefinition& definition) {
    if (definition.table.isEmpty() || definition.name.isEmpty() || definition.columns.isEmpty()) {
        return missingEntriesMessage();
    }
    const NameRuleVerdict rules =
        checkAuditNameAndDescription(definition.name, definition.description);
    if (!rules.accepted()) {
        return rules.message;
    }
    return checkAuditNameLimits(definition.name, definition.description, definition.table,
                                sqlServerAuditNameLimits())
        .message;
}


QString sqlServerTriggerName(const QString& auditName) {
    return SqlServerTriggerGenerator::triggerNameFor(auditName);
}

QString sqlServerCatalogInsertStatement(const QString& auditName, const QString& description,
                                        const QString& auditedTable) {
    // The name rules keep quotes out of name and description; a table name may still hold one.
    return QStringLiteral("Insert Into tblZOTA_SYSTEM_TABLE "
                          "(AUDIT_NAME,AUDIT_DESCRIPTION,ENABLED,TRIGGERTABLE) VALUES (") +
           SqlServerIdentifier::literal(auditName) + u',' +
           SqlServerIdentifier::literal(description) + QStringLiteral(",'Y',") +
           SqlServerIdentifier::literal(auditedTable) + u')';
}

GeneratedStatements generateSqlServerAudit(const AuditDefinition& definition,
                                           const ColumnInfoList& tableColumns,
                                           SqlServerEngine engine) {
    const QString entries = checkSqlServerAuditEntries(definition);
    if (!entries.isEmpty()) {
        return GeneratedStatements::refuse(entries);
    }
    const SqlServerAuditTableGenerator table(definition, tableColumns);
    if (table.refused()) {
        return GeneratedStatements::refuse(table.refusal());
    }
    const SqlServerTriggerGenerator trigger(definition, tableColumns, table, engine);
    if (trigger.refused()) {
        return GeneratedStatements::refuse(trigger.refusal());
    }
    QStringList statements{table.createTableStatement()};
    if (engine == SqlServerEngine::Babelfish)
        statements << table.grantInsertStatement();
    statements << trigger.triggerText()
               << sqlServerCatalogInsertStatement(definition.name, definition.description,
                                                  definition.table);
    return {statements, {}};
}

} // namespace quorvex::sqlserver
