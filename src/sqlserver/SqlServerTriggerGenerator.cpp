#include "sqlserver/SqlServerTriggerGenerator.h"

#include "mainwindow/AuditObjectNames.h"
#include "sqlserver/SqlServerConditionValue.h"

#include "sqlserver/SqlServerAuditTableGenerator.h"
#include "sqlserver/SqlServerIdentifier.h"

#include <QStringList>

#include <algorithm>

namespace quorvex::sqlserver {

namespace {

const QString lineBreak = QStringLiteral("\r\n");

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

QStringList primaryKeyColumns(const ColumnInfoList& tableColumns) {
    QStringList keys;
    for (const ColumnInfo& column : tableColumns) {
        if (column.primaryKey)
            keys << column.name;
    }
    return keys;
}

// Large objects cannot be read from inserted and deleted in a trigger.
bool unreadableInTrigger(const QString& type) {
    return type == u"text" || type == u"ntext" || type == u"image";
}

// What a column's new and old values are compared as. Texts are compared byte for byte, not
// under the column's collation, so a change of letter case or of trailing blanks counts as a
// change, as it does for the application that reads the row; xml and the spatial types have no
// comparison of their own.
QString comparable(const ColumnInfo& column, const QString& value) {
    static const QStringList texts = {QStringLiteral("char"), QStringLiteral("varchar"),
                                      QStringLiteral("nchar"), QStringLiteral("nvarchar"),
                                      QStringLiteral("sysname")};
    if (texts.contains(column.type) || column.type == u"geography" || column.type == u"geometry")
        return QStringLiteral("CAST(") + value + QStringLiteral(" AS varbinary(max))");
    if (column.type == u"xml")
        return QStringLiteral("CAST(CAST(") + value +
               QStringLiteral(" AS nvarchar(max)) AS varbinary(max))");
    return value;
}

// True when the column's new value differs from its old one, NULL-safely: NULL against a value
// is a change, NULL against NULL is none.
QString differs(const ColumnInfo& column) {
    const QString name = SqlServerIdentifier::quote(column.name);
    const QString now = QStringLiteral("inserted.") + name;
    const QString before = QStringLiteral("deleted.") + name;
    return u'(' + comparable(column, now) + QStringLiteral(" <> ") + comparable(column, before) +
           QStringLiteral(" OR (") + now + QStringLiteral(" IS NULL AND ") + before +
           QStringLiteral(" IS NOT NULL) OR (") + now + QStringLiteral(" IS NOT NULL AND ") +
           before + QStringLiteral(" IS NULL))");
}

// For an update the new row is paired with its old row through the primary key; a table
// without one can only be paired when the update touched a single row, and otherwise the old
// values stay NULL rather than being taken from another row.
QString oldRowJoin(const ColumnInfoList& tableColumns) {
    QStringList keys;
    for (const QString& column : primaryKeyColumns(tableColumns)) {
        const QString key = SqlServerIdentifier::quote(column);
        keys << QStringLiteral("deleted.") + key + QStringLiteral(" = inserted.") + key;
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
    return SqlServerIdentifier::quote(zotaTriggerName(auditName));
}

QString SqlServerTriggerGenerator::changedValuesNeedAKeyMessage(const QString& table) {
    return tr("\"Only rows whose values changed\" needs a primary key: the table %1 has none, so "
              "the old and the new values of a row cannot be paired.")
        .arg(table);
}

QString SqlServerTriggerGenerator::notComparableMessage(const QString& column,
                                                        const QString& type) {
    return tr("\"Only rows whose values changed\" cannot watch the field %1: a trigger cannot "
              "read the old and new values of a column of type %2.")
        .arg(column, type);
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
    const bool changedValuesOnly = definition.watchesChangedValues();
    const QString changedValues =
        changedValuesOnly ? changedValuesTest(definition, tableColumns) : QString();
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
    } else if (table.keepsOldValues() || changedValuesOnly) {
        source = QStringLiteral("from inserted LEFT JOIN deleted ON ") + oldRowJoin(tableColumns);
    } else {
        source = QStringLiteral("from inserted");
    }
    lines << QStringLiteral("INSERT INTO ") + table.auditTableName() + QStringLiteral(" (") +
                 table.insertColumnList() + QStringLiteral(") SELECT ") + table.selectList() +
                 u' ' + source;
    if (!changedValues.isEmpty()) {
        lines << QStringLiteral("WHERE ") + changedValues +
                     (filter.isEmpty() ? QString() : QStringLiteral(" AND ") + filter);
    } else if (!filter.isEmpty()) {
        lines << QStringLiteral("WHERE ") + filter;
    }
    m_triggerText = lines.join(lineBreak);
}

// Each row is recorded exactly when it ends on 0: the conditions holding give the mode's match
// value, anything else (NULL included) its initial value. The predicate of the WHERE clause, or
// nothing when every row is recorded.
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
        } else if (const ColumnInfo* column = findColumn(tableColumns, condition.column)) {
            operand = rowPrefix(definition.kind) + SqlServerIdentifier::quote(condition.column);
            const SqlServerConditionValue value =
                SqlServerConditionValue::check(*column, condition.value);
            if (value.refused()) {
                m_refusal = value.refusalMessage(definition.table);
                return {};
            }
            literal = value.literal();
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
        return onlyWhen ? QStringLiteral("1 = 0") : QString();
    }
    const QString connective =
        definition.connective == Connective::Or ? QStringLiteral(" OR ") : QStringLiteral(" AND ");
    return QStringLiteral("CASE WHEN ") + terms.join(connective) + QStringLiteral(" THEN ") +
           match + QStringLiteral(" ELSE ") + initial + QStringLiteral(" END = 0");
}

QString SqlServerTriggerGenerator::changedFieldLine(const AuditDefinition& definition,
                                                    const ColumnInfoList& tableColumns) {
    QStringList tests;
    for (const QString& field : definition.changedFields) {
        if (!findColumn(tableColumns, field)) {
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

// A row whose old row was not found (its key was changed) counts as changed.
QString SqlServerTriggerGenerator::changedValuesTest(const AuditDefinition& definition,
                                                     const ColumnInfoList& tableColumns) {
    const QStringList keys = primaryKeyColumns(tableColumns);
    if (keys.isEmpty()) {
        m_refusal = changedValuesNeedAKeyMessage(definition.table);
        return {};
    }
    QStringList tests{QStringLiteral("deleted.") + SqlServerIdentifier::quote(keys.first()) +
                      QStringLiteral(" IS NULL")};
    for (const QString& name : definition.watchedColumns()) {
        const ColumnInfo* column = findColumn(tableColumns, name);
        if (column == nullptr) {
            m_refusal = SqlServerAuditTableGenerator::notAColumnMessage(name, definition.table);
            return {};
        }
        if (unreadableInTrigger(column->type)) {
            m_refusal = notComparableMessage(name, column->type);
            return {};
        }
        tests << differs(*column);
    }
    return u'(' + tests.join(QStringLiteral(" OR ")) + u')';
}

} // namespace quorvex::sqlserver
