#include "sqlserver/SqlServerAuditTableGenerator.h"

#include "mainwindow/AuditObjectNames.h"
#include "sqlserver/SqlServerIdentifier.h"

#include <QSet>
#include <QStringList>

#include <algorithm>

namespace quorvex::sqlserver {

namespace {

const QString lineBreak = QStringLiteral("\r\n");

// The two columns every audit table ends with; the server fills them from their defaults. A user
// name is a sysname (nvarchar(128)): anything narrower makes every audited statement of a user
// with a longer name fail.
const QString auditDateColumn = QStringLiteral("AuditDate");
const QString userNameColumn = QStringLiteral("UserName");
const QString fixedColumns =
    QStringLiteral("[AuditDate] [datetime] NOT NULL DEFAULT CURRENT_TIMESTAMP ,\r\n"
                   "[UserName] [nvarchar] (128) NOT NULL DEFAULT CURRENT_USER");

// Who made the change, beyond the database user, where the audit asks for it: the login, the
// client's host and its application, as the connection that changed the row gave them.
const QString loginNameColumn = QStringLiteral("LoginName");
const QString hostNameColumn = QStringLiteral("HostName");
const QString appNameColumn = QStringLiteral("AppName");
const QString whoColumns =
    QStringLiteral(" ,\r\n[LoginName] [nvarchar] (128) NULL DEFAULT ORIGINAL_LOGIN() ,\r\n"
                   "[HostName] [nvarchar] (128) NULL DEFAULT HOST_NAME() ,\r\n"
                   "[AppName] [nvarchar] (128) NULL DEFAULT APP_NAME()");

const QString oldValuePrefix = QStringLiteral("old");

// Large-object and row-version columns cannot be copied by a trigger.
const QSet<QString> refusedTypes = {
    QStringLiteral("ntext"),     QStringLiteral("text"),       QStringLiteral("image"),
    QStringLiteral("timestamp"), QStringLiteral("rowversion"),
};

// Types whose size is part of the type itself.
const QSet<QString> typesWithoutSize = {
    QStringLiteral("bit"),       QStringLiteral("datetime"),    QStringLiteral("int"),
    QStringLiteral("money"),     QStringLiteral("real"),        QStringLiteral("smalldatetime"),
    QStringLiteral("smallint"),  QStringLiteral("smallmoney"),  QStringLiteral("tinyint"),
    QStringLiteral("bigint"),    QStringLiteral("date"),        QStringLiteral("uniqueidentifier"),
    QStringLiteral("xml"),       QStringLiteral("sql_variant"), QStringLiteral("hierarchyid"),
    QStringLiteral("geography"), QStringLiteral("geometry"),
};

const QSet<QString> typesWithPrecisionAndScale = {QStringLiteral("decimal"),
                                                  QStringLiteral("numeric")};

const QSet<QString> typesWithFractionalSeconds = {
    QStringLiteral("datetime2"), QStringLiteral("time"), QStringLiteral("datetimeoffset")};

const QSet<QString> typesWithLength = {
    QStringLiteral("char"),     QStringLiteral("varchar"), QStringLiteral("nchar"),
    QStringLiteral("nvarchar"), QStringLiteral("binary"),  QStringLiteral("varbinary"),
};

// Column names are compared as the server does under its usual case-insensitive collations.
bool sameColumnName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

SqlServerAuditTableGenerator::SqlServerAuditTableGenerator(const AuditDefinition& definition,
                                                           const ColumnInfoList& tableColumns)
    : m_auditTableName(auditTableNameFor(definition.name)) {
    build(definition, tableColumns);
}

QString SqlServerAuditTableGenerator::createTableStatement() const {
    if (refused()) {
        return {};
    }
    return QStringLiteral("CREATE TABLE ") + m_auditTableName + QStringLiteral(" (") +
           m_columnDefinitions;
}

QString SqlServerAuditTableGenerator::grantInsertStatement() const {
    return QStringLiteral("GRANT INSERT ON ") + m_auditTableName + QStringLiteral(" TO PUBLIC");
}

QString SqlServerAuditTableGenerator::rowAlias(AuditKind kind) {
    return kind == AuditKind::Delete ? QStringLiteral("del") : QStringLiteral("ins");
}

QString SqlServerAuditTableGenerator::auditTableNameFor(const QString& auditName) {
    return SqlServerIdentifier::bracket(zotaTableName(auditName));
}

std::optional<QString> SqlServerAuditTableGenerator::columnDefinition(const QString& auditColumn,
                                                                      const ColumnInfo& source) {
    const QString& type = source.type;
    const QString head =
        SqlServerIdentifier::bracket(auditColumn) + QStringLiteral(" [") + type + u']';
    const QString tail = QStringLiteral(" NULL ,");
    if (typesWithoutSize.contains(type)) {
        return head + tail;
    }
    if (typesWithPrecisionAndScale.contains(type)) {
        return head + QStringLiteral(" (%1,%2)").arg(source.precision).arg(source.scale) + tail;
    }
    if (type == QStringLiteral("float")) {
        return head + QStringLiteral(" (%1)").arg(source.precision) + tail;
    }
    if (typesWithFractionalSeconds.contains(type)) {
        return head + QStringLiteral(" (%1)").arg(source.scale) + tail;
    }
    if (typesWithLength.contains(type)) {
        const QString length =
            source.length == -1 ? QStringLiteral("max") : QString::number(source.length);
        return head + QStringLiteral(" (") + length + u')' + tail;
    }
    // The refused types, and any type not known here: better no audit than a wrong copy.
    return std::nullopt;
}

QString SqlServerAuditTableGenerator::unusableFieldMessage(const QString& column) {
    return QStringLiteral("The field ") + column +
           QStringLiteral(" can not be used. It has been de-selected");
}

QString SqlServerAuditTableGenerator::notAColumnMessage(const QString& column,
                                                        const QString& table) {
    return tr("The field %1 is not a column of the table %2").arg(column, table);
}

QString SqlServerAuditTableGenerator::chosenTwiceMessage(const QString& column) {
    return tr("The field %1 is chosen more than once").arg(column);
}

QString SqlServerAuditTableGenerator::auditColumnNameMessage(const QString& column) {
    return tr("The field %1 can not be audited: the audit table keeps the date and the user of "
              "each change in columns named AuditDate and UserName")
        .arg(column);
}

QString SqlServerAuditTableGenerator::whoColumnNameMessage(const QString& column) {
    return tr("The field %1 can not be audited together with the login, host and application: "
              "the audit table keeps them in columns named LoginName, HostName and AppName")
        .arg(column);
}

QString SqlServerAuditTableGenerator::oldValueClashMessage(const QString& column) {
    return tr("The old value of %1 can not be saved: the audit table would hold two columns "
              "named %2")
        .arg(column, oldValuePrefix + column);
}

void SqlServerAuditTableGenerator::refuse(const QString& message, const QString& deselectedColumn) {
    m_refusal = message;
    m_deselectedColumn = deselectedColumn;
    m_columnDefinitions.clear();
    m_insertColumnList.clear();
    m_selectList.clear();
    m_keepsOldValues = false;
}

void SqlServerAuditTableGenerator::build(const AuditDefinition& definition,
                                         const ColumnInfoList& tableColumns) {
    const bool update = definition.kind == AuditKind::Update;
    QStringList definitions;
    QStringList insertColumns;
    QStringList selectValues;
    QStringList oldValueColumns;

    for (qsizetype i = 0; i < definition.columns.size(); ++i) {
        const QString& name = definition.columns.at(i);
        const ColumnInfo* column = findColumn(tableColumns, name);
        if (column == nullptr) {
            refuse(notAColumnMessage(name, definition.table));
            return;
        }
        const bool chosenBefore =
            std::any_of(definition.columns.begin(), definition.columns.begin() + i,
                        [&name](const QString& earlier) { return sameColumnName(earlier, name); });
        if (chosenBefore) {
            refuse(chosenTwiceMessage(name));
            return;
        }
        const std::optional<QString> own = columnDefinition(name, *column);
        if (!own) {
            refuse(unusableFieldMessage(name), name);
            return;
        }
        if (sameColumnName(name, auditDateColumn) || sameColumnName(name, userNameColumn)) {
            refuse(auditColumnNameMessage(name));
            return;
        }
        if (definition.recordWho &&
            (sameColumnName(name, loginNameColumn) || sameColumnName(name, hostNameColumn) ||
             sameColumnName(name, appNameColumn))) {
            refuse(whoColumnNameMessage(name));
            return;
        }

        const bool keepOld =
            update && i < definition.saveOldValue.size() && definition.saveOldValue.at(i);
        const QString oldName = oldValuePrefix + name;
        definitions << *own;
        insertColumns << SqlServerIdentifier::quote(name);
        if (update) {
            selectValues << QStringLiteral("inserted.") + SqlServerIdentifier::quote(name);
        } else {
            selectValues << rowAlias(definition.kind) + u'.' + SqlServerIdentifier::quote(name);
        }
        if (keepOld) {
            definitions << *columnDefinition(oldName, *column);
            insertColumns << SqlServerIdentifier::quote(oldName);
            selectValues << QStringLiteral("deleted.") + SqlServerIdentifier::quote(name);
            oldValueColumns << name;
        }
    }

    // An old-value column must not take the name of another chosen column.
    for (const QString& name : std::as_const(oldValueColumns)) {
        const QString oldName = oldValuePrefix + name;
        const bool clash = std::any_of(
            definition.columns.begin(), definition.columns.end(),
            [&oldName](const QString& chosen) { return sameColumnName(chosen, oldName); });
        if (clash) {
            refuse(oldValueClashMessage(name));
            return;
        }
    }

    definitions << (definition.recordWho ? fixedColumns + whoColumns : fixedColumns);
    m_columnDefinitions = definitions.join(lineBreak) + u')';
    m_insertColumnList = insertColumns.join(u',');
    m_selectList = selectValues.join(u',');
    m_keepsOldValues = !oldValueColumns.isEmpty();
}

} // namespace quorvex::sqlserver
