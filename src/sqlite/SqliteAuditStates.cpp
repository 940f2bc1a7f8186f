#include "sqlite/SqliteAuditStates.h"

#include "sqlite/SqliteAuditGenerator.h"
#include "sqlite/SqliteCatalog.h"
#include "sqlite/SqliteColumnType.h"
#include "sqlite/SqliteSchema.h"

#include <QRegularExpression>

namespace quorvex::sqlite {

const AuditTableRules& sqliteAuditTableRules() {
    static const AuditTableRules rules{
        {QStringLiteral("AuditDate"), QStringLiteral("UserName")},
        [](const QString& column) { return QStringLiteral("old") + column; },
        [](const ColumnInfo& column) -> std::optional<QString> {
            return SqliteColumnType(column.type).auditDeclaration().toUpper();
        },
    };
    return rules;
}

QStringList sqliteTriggerColumns(const QString& triggerText) {
    // NEW."name" with "" for a quote inside, as the generator writes it.
    static const QRegularExpression reference(
        QStringLiteral(R"re((?:NEW|OLD)\."((?:[^"]|"")*)")re"),
        QRegularExpression::CaseInsensitiveOption);
    QStringList columns;
    for (auto match = reference.globalMatch(triggerText); match.hasNext();) {
        const QString name =
            match.next().captured(1).replace(QStringLiteral("\"\""), QStringLiteral("\""));
        if (!columns.contains(name, Qt::CaseInsensitive))
            columns << name;
    }
    return columns;
}

AuditCheck readSqliteAuditCheck(IConnection& connection, const QString& auditName,
                                const QString& auditedTable, bool enabled) {
    const QString table = auditedTable.trimmed();
    AuditObjects objects;
    if (SqliteSchema::hasTable(connection, table))
        objects.auditedTable = SqliteSchema::columns(connection, table);
    const QString auditTable = auditTableName(auditName);
    if (SqliteSchema::hasTable(connection, auditTable))
        objects.auditTable = SqliteSchema::columns(connection, auditTable);
    std::optional<QString> trigger = SqliteSchema::triggerText(connection, triggerName(auditName));
    if (!enabled && !trigger)
        trigger = SqliteCatalog::disabledTriggerText(connection, auditName);
    objects.triggerExists = trigger.has_value();
    if (trigger)
        objects.triggerColumns = sqliteTriggerColumns(*trigger);
    return {auditStateOf(objects, sqliteAuditTableRules()), table};
}

} // namespace quorvex::sqlite
