#include "sqlite/SqliteAuditGenerator.h"

#include "mainwindow/AuditObjectNames.h"
#include "sqlite/SqliteColumnType.h"
#include "sqlite/SqliteIdentifier.h"
#include "sqlserver/SqlServerAuditGenerator.h"
#include "sqlserver/SqlServerAuditTableGenerator.h"
#include "sqlserver/SqlServerTriggerGenerator.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>
#include <limits>
#include <optional>

namespace quorvex::sqlite {

namespace {

using sqlserver::SqlServerAuditTableGenerator;
using sqlserver::SqlServerTriggerGenerator;

QString tr(const char* text) {
    return QCoreApplication::translate("SqliteAuditGenerator", text);
}

const QString lineBreak = QStringLiteral("\n");
const QString oldValuePrefix = QStringLiteral("old");
// The two columns every audit table ends with. SQLite's CURRENT_TIMESTAMP is the time in UTC;
// SQLite knows no users, so UserName stays NULL.
const QString auditDateColumn = QStringLiteral("AuditDate");
const QString userNameColumn = QStringLiteral("UserName");
const QString fixedColumns = QStringLiteral("\"AuditDate\" DATETIME NOT NULL DEFAULT "
                                            "CURRENT_TIMESTAMP,\n\"UserName\" TEXT NULL");

bool isKnownOperator(const QString& op) {
    return op == u"=" || op == u"!=" || op == u">" || op == u"<";
}

// The row a trigger reads: the new row of an insert or an update, the old row of a delete.
QString rowOf(AuditKind kind) {
    return kind == AuditKind::Delete ? QStringLiteral("OLD.") : QStringLiteral("NEW.");
}

QString numberMessage(const QString& value, const QString& column, const QString& type) {
    return tr("The value %1 of the condition on %2 is not a number, and %2 (%3) holds numbers: "
              "no row would ever match it. Please enter a number.")
        .arg(value, column, type);
}

// One audit's table and trigger, built from its definition and the audited table's columns.
class SqliteAuditBuilder {
public:
    SqliteAuditBuilder(const AuditDefinition& definition, const ColumnInfoList& columns)
        : m_definition(definition), m_columns(columns) {}

    GeneratedStatements build() {
        if (!buildColumns())
            return GeneratedStatements::refuse(m_refusal);
        const std::optional<QString> trigger = triggerText();
        if (!trigger)
            return GeneratedStatements::refuse(m_refusal);
        return {{createTableStatement(), *trigger,
                 catalogInsertStatement(m_definition.name, m_definition.description,
                                        m_definition.table)},
                {}};
    }

private:
    bool refuse(const QString& message) {
        m_refusal = message;
        return false;
    }

    // The audit table's columns and what the trigger writes into each.
    bool buildColumns() {
        const bool update = m_definition.kind == AuditKind::Update;
        const QString row = rowOf(m_definition.kind);
        QStringList oldValueColumns;
        for (qsizetype i = 0; i < m_definition.columns.size(); ++i) {
            const QString& name = m_definition.columns.at(i);
            const ColumnInfo* column = findColumn(m_columns, name);
            if (column == nullptr)
                return refuse(
                    SqlServerAuditTableGenerator::notAColumnMessage(name, m_definition.table));
            const auto begin = m_definition.columns.begin();
            if (std::any_of(begin, begin + i, [&name](const QString& earlier) {
                    return SqliteIdentifier::sameName(earlier, name);
                }))
                return refuse(SqlServerAuditTableGenerator::chosenTwiceMessage(name));
            if (SqliteIdentifier::sameName(name, auditDateColumn) ||
                SqliteIdentifier::sameName(name, userNameColumn))
                return refuse(SqlServerAuditTableGenerator::auditColumnNameMessage(name));

            const QString type = SqliteColumnType(column->type).auditDeclaration();
            const auto declare = [&type](const QString& auditColumn) {
                const QString quoted = SqliteIdentifier::quote(auditColumn);
                return type.isEmpty() ? quoted : quoted + u' ' + type;
            };
            m_tableColumns << declare(name);
            m_insertColumns << SqliteIdentifier::quote(name);
            m_values << row + SqliteIdentifier::quote(name);
            const bool keepOld =
                update && i < m_definition.saveOldValue.size() && m_definition.saveOldValue.at(i);
            if (keepOld) {
                const QString oldName = oldValuePrefix + name;
                m_tableColumns << declare(oldName);
                m_insertColumns << SqliteIdentifier::quote(oldName);
                m_values << QStringLiteral("OLD.") + SqliteIdentifier::quote(name);
                oldValueColumns << name;
            }
        }
        // An old-value column must not take the name of another chosen column.
        for (const QString& name : std::as_const(oldValueColumns)) {
            const QString oldName = oldValuePrefix + name;
            if (std::any_of(m_definition.columns.begin(), m_definition.columns.end(),
                            [&oldName](const QString& chosen) {
                                return SqliteIdentifier::sameName(chosen, oldName);
                            }))
                return refuse(SqlServerAuditTableGenerator::oldValueClashMessage(name));
        }
        return true;
    }

    QString createTableStatement() const {
        return QStringLiteral("CREATE TABLE ") +
               SqliteIdentifier::quote(auditTableName(m_definition.name)) + QStringLiteral(" (") +
               lineBreak + (m_tableColumns + QStringList{fixedColumns}).join(u",\n") + u')';
    }

    // What decides whether a row is recorded, each a condition of the WHEN clause, all of
    // which must hold: the conditions of the grid, and for "only rows whose values changed"
    // that a watched column differs.
    std::optional<QStringList> guards() {
        const std::optional<QString> conditions = conditionGuard();
        if (!conditions)
            return std::nullopt;
        QStringList all;
        if (!conditions->isEmpty())
            all << *conditions;
        if (m_definition.watchesChangedValues()) {
            const std::optional<QString> changed = changedValueGuard();
            if (!changed)
                return std::nullopt;
            all << *changed;
        }
        return all;
    }

    // A watched column (the changed fields, or every chosen column when none is chosen) whose
    // new value differs from its old one. IS NOT compares NULL safely: NULL to a value is a
    // change, NULL to NULL is not. Text compares by its bytes, so a change of letter case counts.
    std::optional<QString> changedValueGuard() {
        QStringList differs;
        for (const QString& name : m_definition.watchedColumns()) {
            if (findColumn(m_columns, name) == nullptr) {
                refuse(SqlServerAuditTableGenerator::notAColumnMessage(name, m_definition.table));
                return std::nullopt;
            }
            const QString column = SqliteIdentifier::quote(name);
            differs << QStringLiteral("NEW.") + column + QStringLiteral(" IS NOT OLD.") + column;
        }
        return differs.join(QStringLiteral(" OR "));
    }

    // A row is recorded exactly when the CASE ends on 0: the conditions holding give the
    // mode's match value, anything else (an unknown outcome through a NULL included) its
    // initial value, as the other back ends decide.
    std::optional<QString> conditionGuard() {
        const bool onlyWhen = m_definition.mode == AuditMode::OnlyWhen;
        const QString initial = onlyWhen ? QStringLiteral("1") : QStringLiteral("0");
        const QString match = onlyWhen ? QStringLiteral("0") : QStringLiteral("1");
        QStringList terms;
        for (const AuditCondition& condition : m_definition.conditions) {
            if (condition.column.isEmpty())
                continue; // the grid's empty slot
            if (condition.column == userIdPseudoColumn()) {
                refuse(userIdConditionMessage());
                return std::nullopt;
            }
            const ColumnInfo* column = findColumn(m_columns, condition.column);
            if (column == nullptr) {
                refuse(SqlServerAuditTableGenerator::notAColumnMessage(condition.column,
                                                                       m_definition.table));
                return std::nullopt;
            }
            const std::optional<QString> literal =
                SqliteColumnType(column->type).conditionLiteral(condition.value);
            if (!literal) {
                refuse(numberMessage(condition.value, condition.column, column->type));
                return std::nullopt;
            }
            if (!isKnownOperator(condition.op)) {
                refuse(SqlServerTriggerGenerator::unknownOperatorMessage(condition.column,
                                                                         condition.op));
                return std::nullopt;
            }
            terms << rowOf(m_definition.kind) + SqliteIdentifier::quote(condition.column) + u' ' +
                         condition.op + u' ' + *literal;
        }
        if (terms.isEmpty())
            return onlyWhen ? QStringLiteral("1 = 0") : QString();
        const QString connective = m_definition.connective == Connective::Or
                                       ? QStringLiteral(" OR ")
                                       : QStringLiteral(" AND ");
        return QStringLiteral("CASE WHEN ") + terms.join(connective) + QStringLiteral(" THEN ") +
               match + QStringLiteral(" ELSE ") + initial + QStringLiteral(" END = 0");
    }

    // AFTER INSERT, AFTER DELETE, AFTER UPDATE [OF the changed fields].
    std::optional<QString> event() {
        switch (m_definition.kind) {
        case AuditKind::Insert:
            return QStringLiteral("AFTER INSERT");
        case AuditKind::Delete:
            return QStringLiteral("AFTER DELETE");
        case AuditKind::Update:
            break;
        }
        QStringList fields;
        for (const QString& field : m_definition.changedFields) {
            if (findColumn(m_columns, field) == nullptr) {
                refuse(SqlServerAuditTableGenerator::notAColumnMessage(field, m_definition.table));
                return std::nullopt;
            }
            fields << SqliteIdentifier::quote(field);
        }
        if (fields.isEmpty())
            return QStringLiteral("AFTER UPDATE");
        return QStringLiteral("AFTER UPDATE OF ") + fields.join(QStringLiteral(", "));
    }

    std::optional<QString> triggerText() {
        const std::optional<QStringList> when = guards();
        if (!when)
            return std::nullopt;
        const std::optional<QString> on = event();
        if (!on)
            return std::nullopt;
        QStringList lines{QStringLiteral("CREATE TRIGGER ") +
                          SqliteIdentifier::quote(triggerName(m_definition.name)) + u' ' + *on +
                          QStringLiteral(" ON ") + SqliteIdentifier::quote(m_definition.table) +
                          QStringLiteral(" FOR EACH ROW")};
        if (when->size() == 1)
            lines << QStringLiteral("WHEN ") + when->first();
        else if (when->size() > 1)
            lines << QStringLiteral("WHEN (") + when->join(QStringLiteral(") AND (")) + u')';
        lines << QStringLiteral("BEGIN")
              << QStringLiteral("INSERT INTO ") +
                     SqliteIdentifier::quote(auditTableName(m_definition.name)) +
                     QStringLiteral(" (") + m_insertColumns.join(QStringLiteral(", ")) +
                     QStringLiteral(") VALUES (") + m_values.join(QStringLiteral(", ")) +
                     QStringLiteral(");")
              << QStringLiteral("END");
        return lines.join(lineBreak);
    }

    const AuditDefinition& m_definition;
    const ColumnInfoList& m_columns;
    QString m_refusal;
    QStringList m_tableColumns;
    QStringList m_insertColumns;
    QStringList m_values;
};

} // namespace

QString auditTableName(const QString& auditName) {
    return zotaTableName(auditName);
}

QString triggerName(const QString& auditName) {
    return zotaTriggerName(auditName);
}

const QString& catalogTableName() {
    static const QString name = QStringLiteral("tblZOTA_SYSTEM_TABLE");
    return name;
}

const AuditNameLimits& sqliteAuditNameLimits() {
    static const AuditNameLimits limits = {
        20,
        200,
        std::numeric_limits<qsizetype>::max(),
        catalogTableName(),
        tr("tblZOTA_SYSTEM_TABLE keeps Audit Names of at most 20 characters"),
        {}};
    return limits;
}

QString checkSqliteAuditEntries(const AuditDefinition& definition) {
    if (definition.table.isEmpty() || definition.name.isEmpty() || definition.columns.isEmpty())
        return sqlserver::missingEntriesMessage();
    if (definition.recordWho)
        return recordWhoUnavailableMessage();
    const NameRuleVerdict rules =
        checkAuditNameAndDescription(definition.name, definition.description);
    if (!rules.accepted())
        return rules.message;
    return checkAuditNameLimits(definition.name, definition.description, definition.table,
                                sqliteAuditNameLimits())
        .message;
}

QString recordWhoUnavailableMessage() {
    return tr("SQLite has no logins, hosts or applications to record: a SQLite audit records the "
              "date of each change only.");
}

QString userIdConditionMessage() {
    return tr("SQLite has no database users, so an audit on SQLite cannot test USERID (and its "
              "UserName column stays empty). Please remove the USERID condition.");
}

QString catalogCreateStatement(CatalogCreation creation) {
    return QStringLiteral("CREATE TABLE ") +
           (creation == CatalogCreation::IfMissing ? QStringLiteral("IF NOT EXISTS ") : QString()) +
           SqliteIdentifier::quote(catalogTableName()) +
           QStringLiteral(" (\"AUDIT_NAME\" VARCHAR(20) NOT NULL, \"AUDIT_DESCRIPTION\" "
                          "VARCHAR(200) NULL, \"ENABLED\" CHAR(1) NOT NULL, \"TRIGGERTABLE\" "
                          "CHAR(100) NOT NULL, \"DISABLED_TRIGGER\" TEXT NULL)");
}

QString catalogInsertStatement(const QString& auditName, const QString& description,
                               const QString& auditedTable) {
    return QStringLiteral("INSERT INTO ") + SqliteIdentifier::quote(catalogTableName()) +
           QStringLiteral(" (\"AUDIT_NAME\", \"AUDIT_DESCRIPTION\", \"ENABLED\", "
                          "\"TRIGGERTABLE\") VALUES (") +
           SqliteIdentifier::literal(auditName) + QStringLiteral(", ") +
           SqliteIdentifier::literal(description) + QStringLiteral(", 'Y', ") +
           SqliteIdentifier::literal(auditedTable) + u')';
}

GeneratedStatements generateSqliteAudit(const AuditDefinition& definition,
                                        const ColumnInfoList& tableColumns) {
    const QString entries = checkSqliteAuditEntries(definition);
    if (!entries.isEmpty())
        return GeneratedStatements::refuse(entries);
    return SqliteAuditBuilder(definition, tableColumns).build();
}

} // namespace quorvex::sqlite
