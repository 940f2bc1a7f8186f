#include "sqlserver/SqlServerAuditStates.h"

#include "components/IConnection.h"
#include "components/Recordset.h"
#include "mainwindow/AuditDrift.h"
#include "sqlserver/SqlServerAuditDrift.h"
#include "sqlserver/SqlServerIdentifier.h"

#include <QHash>

namespace quorvex {

namespace {

using sqlserver::SqlServerIdentifier;

// The name a table goes by, as the table lists give it: dbo tables by their bare name, any
// other as "schema.table".
const QString tableNameExpression =
    QStringLiteral("CASE WHEN c.TABLE_SCHEMA = N'dbo' THEN c.TABLE_NAME "
                   "ELSE c.TABLE_SCHEMA + N'.' + c.TABLE_NAME END");

QString inList(const QStringList& names) {
    QStringList literals;
    for (const QString& name : names)
        literals << SqlServerIdentifier::unicodeLiteral(name);
    return literals.join(QStringLiteral(", "));
}

QString auditTableOf(const QString& auditName) {
    return QStringLiteral("tblZOTA_") + auditName;
}

QString triggerOf(const QString& auditName) {
    return QStringLiteral("trgZOTA_") + auditName;
}

// Names compare as the server compares them (some engines give them back in lower case).
QString key(const QString& name) {
    return name.toLower();
}

QString text(const Recordset& rows, int field) {
    return rows.value(field).value_or(QString());
}

} // namespace

QString SqlServerAuditStates::columnsStatement(const QStringList& tables) {
    // Lengths count characters (-1 for max); date and time types carry their fractional digits
    // as the scale, as the install read them.
    return QStringLiteral("SELECT %1 AS table_name, c.COLUMN_NAME, c.DATA_TYPE, "
                          "COALESCE(c.CHARACTER_MAXIMUM_LENGTH, 0), COALESCE(c.NUMERIC_PRECISION, "
                          "0), COALESCE(c.NUMERIC_SCALE, c.DATETIME_PRECISION, 0) "
                          "FROM INFORMATION_SCHEMA.COLUMNS AS c WHERE %1 IN (%2) "
                          "ORDER BY table_name, c.ORDINAL_POSITION")
        .arg(tableNameExpression, inList(tables));
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
    QStringList tables;
    QStringList triggers;
    for (const Audit& audit : audits) {
        for (const QString& table : {auditTableOf(audit.name), audit.auditedTable}) {
            if (!table.isEmpty() && !tables.contains(table, Qt::CaseInsensitive))
                tables << table;
        }
        triggers << triggerOf(audit.name);
    }

    QHash<QString, ColumnInfoList> columns;
    {
        Recordset rows = connection.openRecordset(columnsStatement(tables));
        for (; !rows.eof(); rows.moveNext()) {
            ColumnInfo column;
            column.name = text(rows, 1);
            column.type = text(rows, 2).toLower();
            column.length = text(rows, 3).trimmed().toLongLong();
            column.precision = text(rows, 4).trimmed().toInt();
            column.scale = text(rows, 5).trimmed().toInt();
            columns[key(text(rows, 0))].append(column);
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
        if (const auto found = columns.find(key(auditTableOf(audit.name))); found != columns.end())
            objects.auditTable = *found;
        const auto trigger = triggerTexts.find(key(triggerOf(audit.name)));
        objects.triggerExists = trigger != triggerTexts.end();
        if (objects.triggerExists && trigger->has_value() && !trigger->value().trimmed().isEmpty())
            objects.triggerColumns = sqlserver::sqlServerTriggerColumns(**trigger);
        checks.push_back(
            {auditStateOf(objects, sqlserver::sqlServerAuditTableRules()), audit.auditedTable});
    }
    return checks;
}

} // namespace quorvex
