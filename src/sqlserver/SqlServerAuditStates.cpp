#include "sqlserver/SqlServerAuditStates.h"

#include "components/IConnection.h"
#include "components/Recordset.h"
#include "mainwindow/AuditDrift.h"
#include "mainwindow/AuditObjectNames.h"
#include "sqlserver/SqlServerAuditDrift.h"
#include "sqlserver/SqlServerIdentifier.h"
#include "sqlserver/SqlServerManager.h"

#include <QHash>

namespace quorvex {

namespace {

using sqlserver::SqlServerIdentifier;

QString inList(const QStringList& names) {
    QStringList literals;
    for (const QString& name : names)
        literals << SqlServerIdentifier::unicodeLiteral(name);
    return literals.join(QStringLiteral(", "));
}

// Names compare as the server compares them (some engines give them back in lower case).
QString key(const QString& name) {
    return name.toLower();
}

QString text(const Recordset& rows, int field) {
    return rows.value(field).value_or(QString());
}

} // namespace

QString SqlServerAuditStates::columnsStatement(const QStringList& auditedTables,
                                               const QStringList& auditTables) {
    // Lengths count characters (-1 for max); date and time types carry their fractional digits
    // as the scale, as the install read them. An audit table lies in the schema of the user
    // who made it, so it goes by its bare name.
    return QStringLiteral("SELECT %1 AS listed_name, c.TABLE_NAME, c.COLUMN_NAME, c.DATA_TYPE, "
                          "COALESCE(c.CHARACTER_MAXIMUM_LENGTH, 0), COALESCE(c.NUMERIC_PRECISION, "
                          "0), COALESCE(c.NUMERIC_SCALE, c.DATETIME_PRECISION, 0) "
                          "FROM INFORMATION_SCHEMA.COLUMNS AS c WHERE %1 IN (%2) OR c.TABLE_NAME "
                          "IN (%3) ORDER BY listed_name, c.ORDINAL_POSITION")
        .arg(SqlServerManager::tableNameSql(QStringLiteral("c")), inList(auditedTables),
             inList(auditTables));
}

QString SqlServerAuditStates::triggersStatement(const QStringList& triggers) {
    // The text comes back empty for an encrypted trigger.
    return QStringLiteral("SELECT tr.name, OBJECT_DEFINITION(tr.object_id) FROM sys.triggers AS "
                          "tr WHERE tr.name IN (%1)")
        .arg(inList(triggers));
}

std::vector<AuditCheck> SqlServerAuditStates::read(IConnection& connection,
                                                   const QList<Audit>& audits) {
    if (audits.isEmpty())
        return {};
    QStringList auditedTables;
    QStringList auditTables;
    QStringList triggers;
    for (const Audit& audit : audits) {
        if (!audit.auditedTable.isEmpty() &&
            !auditedTables.contains(audit.auditedTable, Qt::CaseInsensitive))
            auditedTables << audit.auditedTable;
        auditTables << zotaTableName(audit.name);
        triggers << zotaTriggerName(audit.name);
    }

    QHash<QString, ColumnInfoList> columns;      // audited tables, by the name they go by
    QHash<QString, ColumnInfoList> auditColumns; // audit tables, by their bare name
    QHash<QString, QString> auditTableSchema;    // the first schema met for each
    {
        Recordset rows = connection.openRecordset(columnsStatement(auditedTables, auditTables));
        for (; !rows.eof(); rows.moveNext()) {
            const ColumnInfo column = SqlServerManager::columnAt(rows, 2);
            const QString table = key(text(rows, 0));
            if (auditedTables.contains(text(rows, 0), Qt::CaseInsensitive))
                columns[table].append(column);
            const QString bare = key(text(rows, 1));
            if (auditTables.contains(text(rows, 1), Qt::CaseInsensitive) &&
                auditTableSchema.value(bare, table) == table) {
                auditTableSchema.insert(bare, table);
                auditColumns[bare].append(column);
            }
        }
    }
    // A trigger whose text cannot be read is present all the same.
    QHash<QString, std::optional<QString>> triggerTexts;
    {
        Recordset rows = connection.openRecordset(triggersStatement(triggers));
        for (; !rows.eof(); rows.moveNext())
            triggerTexts.insert(key(text(rows, 0)), rows.value(1));
    }

    std::vector<AuditCheck> checks;
    for (const Audit& audit : audits) {
        AuditObjects objects;
        if (const auto found = columns.find(key(audit.auditedTable)); found != columns.end())
            objects.auditedTable = *found;
        if (const auto found = auditColumns.find(key(zotaTableName(audit.name)));
            found != auditColumns.end())
            objects.auditTable = *found;
        const auto trigger = triggerTexts.find(key(zotaTriggerName(audit.name)));
        objects.triggerExists = trigger != triggerTexts.end();
        if (objects.triggerExists && trigger->has_value() && !trigger->value().trimmed().isEmpty())
            objects.triggerColumns = sqlserver::sqlServerTriggerColumns(**trigger);
        checks.push_back(
            {auditStateOf(objects, sqlserver::sqlServerAuditTableRules()), audit.auditedTable});
    }
    return checks;
}

} // namespace quorvex
