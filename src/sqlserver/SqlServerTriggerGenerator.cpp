#include "sqlserver/SqlServerTriggerGenerator.h"

#include "sqlserver/SqlServerConditionValue.h"

#include "sqlserver/SqlServerAuditTableGenerator.h"
#include "sqlserver/SqlServerIdentifier.h"

#include <QStringList>

#include <algorithm>

namespace quorvex::sqlserver {

namespace {

const QString lineBreak = QStringLiteral("\r\n");

bool isTableColumn(const ColumnInfoList& columns, const QString& name) {
    return std::any_of(columns.begin(), columns.end(),
                       [&name](const ColumnInfo& c) { return c.name == name; });
}

bool isKnownOperator(const QString& op) {
    return op == u"=" || op == u"!=" || op == u">" || op == u"<";
}

QString rowSet(AuditKind kind) {
    return kind == AuditKind::Delete ? QStringLiteral("deleted") : QStringLiteral("inserted");
}

// Where a condition reads a column of the audited row.
QString rowPrefix(AuditKind kind) {
    return kind == AuditKind::Update ? QStringLiteral("inserted.")
                                     : SqlServerAuditTableGenerator::rowAlias(kind) + u'.';
}

// For an update the new row is paired with its old row through the primary key; a table
// without one can only be paired when the update touched a single row, and otherwise the old
// values stay NULL rather than being taken from another row.
QString oldRowJoin(const ColumnInfoList& tableColumns) {
    QStringList keys;
    for (const ColumnInfo& column : tableColumns) {
        if (column.primaryKey) {
            const QString key = SqlServerIdentifier::quote(column.name);
            keys << QStringLiteral("deleted.") + key + QStringLiteral(" = inserted.") + key;
        }
    }
    if (keys.isEmpty()) {
        return QStringLiteral("(SELECT COUNT(*) FROM inserted) = 1");
    }
    return keys.join(QStringLiteral(" AND "));
}

} // namespace

SqlServerTriggerGenerator::SqlServerTriggerGenerator(const AuditDefinition& definition,
                                                     const ColumnInfoList& tableColumns,
                                                     const SqlServerAuditTableGenerator& table,
                                                     SqlServerEngine engine) {
    build(definition, tableColumns, table, engine);
}

QString SqlServerTriggerGenerator::triggerNameFor(const QString& auditName) {
    return SqlServerIdentifier::quote(QStringLiteral("trgZOTA_") + auditName);
}

QString SqlServerTriggerGenerator::unknownOperatorMessage(const QString& column,
                                                          const QString& op) {
    return tr("The condition on %1 has the operator %2, which is not one of =, !=, > or <")
        .arg(column, op);
}

void SqlServerTriggerGenerator::build(const AuditDefinition& definition,
                                      const ColumnInfoList& tableColumns,
                                      const SqlServerAuditTableGenerator& table,
                                      SqlServerEngine engine) {
    const QString filter = filterLine(definition, tableColumns);
    if (refused()) {
        return;
    }
    const bool update = definition.kind == AuditKind::Update;
    const QString changed = update ? changedFieldLine(definition, tableColumns) : QString();
    if (refused()) {
        return;
    }

    QStringList lines;
    lines << QStringLiteral("Create Trigger ") + triggerNameFor(definition.name)
          << QStringLiteral("On ") + SqlServerIdentifier::quoteTableName(definition.table);
    if (engine == SqlServerEngine::SqlServer) {
        lines << QStringLiteral("WITH ENCRYPTION");
    }
    if (update) {
        lines << QStringLiteral("For Update as ");
    } else {
        lines << (definition.kind == AuditKind::Insert ? QStringLiteral("For INSERT")
                                                       : QStringLiteral("For DELETE"))
              << QStringLiteral("AS");
    }
    lines << QStringLiteral("SET NOCOUNT ON");
    if (!changed.isEmpty()) {
        lines << changed;
    }

    QString source;
    if (!update) {
        source = QStringLiteral("from ") + rowSet(definition.kind) + u' ' +
                 SqlServerAuditTableGenerator::rowAlias(definition.kind);
    } else if (table.keepsOldValues()) {
        source = QStringLiteral("from inserted LEFT JOIN deleted ON ") + oldRowJoin(tableColumns);
    } else {
        source = QStringLiteral("from inserted");
    }
    lines << QStringLiteral("INSERT INTO ") + table.auditTableName() + QStringLiteral(" (") +
                 table.insertColumnList() + QStringLiteral(") SELECT ") + table.selectList() +
                 u' ' + source;
    if (!filter.isEmpty()) {
        lines << filter;
    }
    m_triggerText = lines.join(lineBreak);
}

// Each row is recorded exactly when it ends on 0: the conditions holding give the mode's match
// value, anything else (NULL included) its initial value.
QString SqlServerTriggerGenerator::filterLine(const AuditDefinition& definition,
                                              const ColumnInfoList& tableColumns) {
    const bool onlyWhen = definition.mode == AuditMode::OnlyWhen;
    const QString initial = onlyWhen ? QStringLiteral("1") : QStringLiteral("0");
    const QString match = onlyWhen ? QStringLiteral("0") : QStringLiteral("1");

    QStringList terms;
    for (const AuditCondition& condition : definition.conditions) {
        if (condition.column.isEmpty()) {
            continue; // the grid's empty slot
        }
        QString operand;
        QString literal;
        if (condition.column == userIdPseudoColumn()) {
            operand = QStringLiteral("user_name()");
            literal = SqlServerConditionValue::userName(condition.value).literal();
        } else if (isTableColumn(tableColumns, condition.column)) {
            operand = rowPrefix(definition.kind) + SqlServerIdentifier::quote(condition.column);
            for (const ColumnInfo& column : tableColumns) {
                if (column.name != condition.column)
                    continue;
                const SqlServerConditionValue value =
                    SqlServerConditionValue::check(column, condition.value);
                if (value.refused()) {
                    m_refusal = value.refusalMessage(definition.table);
                    return {};
                }
                literal = value.literal();
                break;
            }
        } else {
            m_refusal =
                SqlServerAuditTableGenerator::notAColumnMessage(condition.column, definition.table);
            return {};
        }
        if (!isKnownOperator(condition.op)) {
            m_refusal = unknownOperatorMessage(condition.column, condition.op);
            return {};
        }
        terms << operand + u' ' + condition.op + u' ' + literal;
    }

    if (terms.isEmpty()) {
        return onlyWhen ? QStringLiteral("WHERE 1 = 0") : QString();
    }
    const QString connective =
        definition.connective == Connective::Or ? QStringLiteral(" OR ") : QStringLiteral(" AND ");
    return QStringLiteral("WHERE CASE WHEN ") + terms.join(connective) + QStringLiteral(" THEN ") +
           match + QStringLiteral(" ELSE ") + initial + QStringLiteral(" END = 0");
}

QString SqlServerTriggerGenerator::changedFieldLine(const AuditDefinition& definition,
                                                    const ColumnInfoList& tableColumns) {
    QStringList tests;
    for (const QString& field : definition.changedFields) {
        if (!isTableColumn(tableColumns, field)) {
            m_refusal = SqlServerAuditTableGenerator::notAColumnMessage(field, definition.table);
            return {};
        }
        tests << QStringLiteral("UPDATE(") + SqlServerIdentifier::quote(field) + u')';
    }
    if (tests.isEmpty()) {
        return {};
    }
    return QStringLiteral("IF  ") + tests.join(QStringLiteral(" OR "));
}

} // namespace quorvex::sqlserver
