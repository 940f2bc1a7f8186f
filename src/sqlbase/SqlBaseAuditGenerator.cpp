#include "sqlbase/SqlBaseAuditGenerator.h"

#include "sqlbase/SqlBaseAuditTexts.h"
#include "sqlbase/SqlBaseConditionBlock.h"
#include "sqlbase/SqlBaseLiteral.h"
#include "sqlbase/SqlBaseProcedureGenerator.h"
#include "sqlbase/SqlBaseTypeMapping.h"

#include <QSet>
#include <optional>

using namespace Qt::StringLiterals;

namespace quorvex::sqlbase {

namespace {

constexpr qsizetype kMaxIdentifierLength = 18;

const QString kCommit = QStringLiteral("COMMIT");
const QString kProcedureInputs =
    QStringLiteral("The audit procedure receives only the chosen fields of a character, number, "
                   "date or timestamp type, and USERID.");

// A chosen column with what its catalogue row says about it.
struct ChosenColumn {
    ColumnInfo info;
    bool saveOldValue = false;
    std::optional<QString> parameterType;
    QString oldValueName;
};

struct ChosenColumns {
    QList<ChosenColumn> columns;
    QString refusal;
};

QString fieldRefusal(const QString& field, const QString& reason) {
    // The first sentence, trailing blank included, is the one users know from long fields.
    return u"The field "_s + field + u" can not be used. "_s + reason;
}

QString conditionRefusal(const AuditCondition& condition, const QString& reason) {
    return u"The condition on "_s + condition.column + u" can not be used. "_s + reason;
}

// The audit procedure's own variables, in folded form.
const QSet<QString>& procedureVariables() {
    static const QSet<QString> names = {QStringLiteral("NRCD"), QStringLiteral("NNOCHANGE"),
                                        QStringLiteral("HSQL1")};
    return names;
}

// Unquoted names are folded to upper case by the database, so clashes are found that way too.
QString foldedName(const QString& name) {
    return name.toUpper();
}

ChosenColumns resolveChosenColumns(const AuditDefinition& definition,
                                   const ColumnInfoList& syscolumns) {
    ChosenColumns result;
    QSet<QString> seen;
    for (qsizetype i = 0; i < definition.columns.size(); ++i) {
        const QString& name = definition.columns.at(i);
        const ColumnInfo* column = findColumn(syscolumns, name);
        if (column == nullptr) {
            result.refusal =
                fieldRefusal(name, u"It is not a column of the table "_s + definition.table + u'.');
            return result;
        }
        if (isRefusedSqlBaseColumnType(column->type)) {
            result.refusal = fieldRefusal(name, QString());
            return result;
        }
        const QString folded = foldedName(name);
        if (folded == u"DATE"_s || folded == userIdPseudoColumn()) {
            result.refusal =
                fieldRefusal(name, QStringLiteral("The audit table has a column of its own with "
                                                  "this name (the time and the user of the "
                                                  "change)."));
            return result;
        }
        if (procedureVariables().contains(folded)) {
            result.refusal = fieldRefusal(
                name, QStringLiteral("The audit procedure has a variable of its own with this "
                                     "name."));
            return result;
        }
        if (seen.contains(folded)) {
            result.refusal = fieldRefusal(name, QStringLiteral("It is chosen more than once."));
            return result;
        }
        seen.insert(folded);

        ChosenColumn chosen;
        chosen.info = *column;
        chosen.saveOldValue =
            definition.kind == AuditKind::Update && definition.saveOldValue.value(i, false);
        chosen.parameterType = sqlBaseProcedureParameterType(column->type);
        chosen.oldValueName = sqlBaseOldValueName(name);
        result.columns.append(chosen);
    }
    return result;
}

// An update audit declares an old-value parameter for every passed column and an old-value
// column for every saved one; such a name must not be taken by another column or old value,
// or the procedure or the table could not be created.
std::optional<QString> checkOldValueNames(const QList<ChosenColumn>& columns) {
    QSet<QString> taken;
    for (const ChosenColumn& column : columns)
        taken.insert(foldedName(column.info.name));
    for (const ChosenColumn& column : columns) {
        if (!column.saveOldValue && !column.parameterType)
            continue;
        const QString folded = foldedName(column.oldValueName);
        if (taken.contains(folded)) {
            return fieldRefusal(column.info.name, u"Its old value would be kept under the name "_s +
                                                      column.oldValueName +
                                                      u", which is already in use."_s);
        }
        taken.insert(folded);
    }
    return std::nullopt;
}

std::optional<QString> checkChangedFields(const AuditDefinition& definition,
                                          const QList<ChosenColumn>& columns,
                                          const ColumnInfoList& syscolumns) {
    for (const QString& field : definition.changedFields) {
        const ColumnInfo* column = findColumn(syscolumns, field);
        if (column == nullptr) {
            return u"The field "_s + field +
                   u" can not be used as a changed field. It is not a column of the table "_s +
                   definition.table + u'.';
        }
        // An audited changed field is compared with its old value inside the procedure, which
        // needs both as parameters.
        for (const ChosenColumn& chosen : columns) {
            if (chosen.info.name == field && !chosen.parameterType) {
                return u"The field "_s + field +
                       u" can not be used as a changed field. The audit procedure does not "_s
                       u"receive fields of type "_s +
                       column->type + u'.';
            }
        }
    }
    return std::nullopt;
}

bool hasPassedColumn(const QList<ChosenColumn>& columns) {
    for (const ChosenColumn& column : columns) {
        if (column.parameterType)
            return true;
    }
    return false;
}

bool isPassedColumn(const QList<ChosenColumn>& columns, const QString& name) {
    for (const ChosenColumn& column : columns) {
        if (column.parameterType && column.info.name == name)
            return true;
    }
    return false;
}

// Conditions end up as code in the procedure: they may name only what the procedure declares,
// compare with one of the four operators, and keep their value on one line.
std::optional<QString> checkConditions(const QList<AuditCondition>& conditions,
                                       const QList<ChosenColumn>& columns) {
    static const QStringList operators = {QStringLiteral("="), QStringLiteral("!="),
                                          QStringLiteral(">"), QStringLiteral("<")};
    for (const AuditCondition& condition : conditions) {
        if (condition.column.isEmpty())
            continue;
        if (condition.column != userIdPseudoColumn() && !isPassedColumn(columns, condition.column))
            return conditionRefusal(condition, kProcedureInputs);
        if (!operators.contains(condition.op)) {
            return conditionRefusal(condition,
                                    QStringLiteral("Its operator must be =, !=, > or <."));
        }
        if (condition.value.contains(u'\r') || condition.value.contains(u'\n')) {
            return conditionRefusal(condition,
                                    QStringLiteral("Its value must not contain a line break."));
        }
    }
    return std::nullopt;
}

const ChosenColumn* findChosen(const QList<ChosenColumn>& columns, const QString& name) {
    for (const ChosenColumn& column : columns) {
        if (column.info.name == name)
            return &column;
    }
    return nullptr;
}

// The procedure compares only what the trigger hands it: every watched column must be audited
// and of a type it receives.
std::optional<QString> checkWatchedColumns(const AuditDefinition& definition,
                                           const QList<ChosenColumn>& columns) {
    for (const QString& name : definition.watchedColumns()) {
        const ChosenColumn* column = findChosen(columns, name);
        if (column == nullptr) {
            return u"The field "_s + name +
                   u" can not be compared with its old value. With \"Only rows whose values "_s
                   u"changed\" every field under \"If these fields changed\" must also be "_s
                   u"audited: the audit procedure receives only the audited fields."_s;
        }
        if (!column->parameterType) {
            return u"The field "_s + name +
                   u" can not be compared with its old value. The audit procedure does not "_s
                   u"receive fields of type "_s +
                   column->info.type + u'.';
        }
    }
    return std::nullopt;
}

std::optional<QString> checkDefinition(const AuditDefinition& definition,
                                       const QList<ChosenColumn>& columns,
                                       const ColumnInfoList& syscolumns) {
    if (definition.recordWho)
        return sqlBaseRecordWhoUnavailableMessage();
    if (definition.kind == AuditKind::Update) {
        if (auto refusal = checkOldValueNames(columns))
            return refusal;
        if (auto refusal = checkChangedFields(definition, columns, syscolumns))
            return refusal;
    }
    if (definition.watchesChangedValues()) {
        if (auto refusal = checkWatchedColumns(definition, columns))
            return refusal;
    }
    // Without a parameter the procedure and the trigger call would have nothing to carry.
    if (!hasPassedColumn(columns)) {
        return QStringLiteral("At least one chosen field must be of a character, number, date "
                              "or timestamp type: the audit procedure receives no other fields.");
    }
    return checkConditions(definition.conditions, columns);
}

SqlBaseAuditTexts insertDeleteTexts(const AuditDefinition& definition,
                                    const QList<ChosenColumn>& columns) {
    SqlBaseAuditTexts texts;
    for (const ChosenColumn& column : columns) {
        const QString& name = column.info.name;
        texts.columnDefinitions << sqlBaseAuditColumnDefinition(column.info, name);
        if (!column.parameterType)
            continue;
        texts.parameterLines << u' ' + *column.parameterType + u": "_s + name;
        texts.insertColumns << name;
        texts.insertValues << u':' + name;
        texts.triggerArguments << name;
    }
    texts.conditionBlock =
        sqlBaseConditionBlock(definition.conditions, definition.mode, definition.connective);
    return texts;
}

// The test that a watched column kept its value. Numbers and dates received as NULL hold the
// language's null value, which is compared as such: NULL to NULL is no change, NULL to a value
// is one. A NULL text reaches the procedure as the empty text, and SQLBase keeps no empty texts,
// so the plain comparison holds for texts; it compares them exactly, letter case included.
QString keptItsValue(const ChosenColumn& column) {
    const QString& now = column.info.name;
    const QString& before = column.oldValueName;
    const QString plain = now + u" = "_s + before;
    QString null;
    if (*column.parameterType == u"Number")
        null = QStringLiteral("NUMBER_Null");
    else if (*column.parameterType == u"Date/Time")
        null = QStringLiteral("DATETIME_Null");
    else
        return plain;
    return u"(("_s + now + u" = "_s + null + u" and "_s + before + u" = "_s + null + u") or ("_s +
           now + u" != "_s + null + u" and "_s + before + u" != "_s + null + u" and "_s + plain +
           u"))"_s;
}

SqlBaseAuditTexts updateTexts(const AuditDefinition& definition,
                              const QList<ChosenColumn>& columns) {
    SqlBaseAuditTexts texts;
    QStringList changeTests;
    for (const ChosenColumn& column : columns) {
        const QString& name = column.info.name;
        const QString& oldName = column.oldValueName;
        texts.columnDefinitions << sqlBaseAuditColumnDefinition(column.info, name);
        if (column.saveOldValue)
            texts.columnDefinitions << sqlBaseAuditColumnDefinition(column.info, oldName);
        for (const QString& field : definition.changedFields) {
            if (field == name)
                changeTests << name + u" = "_s + oldName;
        }
        if (!column.parameterType)
            continue;
        // The old value always travels, so changed fields can be compared even when it is not
        // kept.
        texts.parameterLines << u' ' + *column.parameterType + u": "_s + name
                             << u' ' + *column.parameterType + u": "_s + oldName;
        texts.insertColumns << name;
        texts.insertValues << u':' + name;
        if (column.saveOldValue) {
            texts.insertColumns << oldName;
            texts.insertValues << u':' + oldName;
        }
        texts.triggerArguments << u"NEWDATA."_s + name << u"OLDDATA."_s + name;
    }
    texts.conditionBlock =
        sqlBaseConditionBlock(definition.conditions, definition.mode, definition.connective);
    if (definition.watchesChangedValues()) {
        changeTests.clear();
        for (const QString& name : definition.watchedColumns())
            changeTests << keptItsValue(*findChosen(columns, name));
    }
    // Whatever the conditions decided, a row whose chosen fields all kept their values is not
    // recorded.
    if (!changeTests.isEmpty()) {
        texts.conditionBlock += u"\r\n If "_s + changeTests.join(QStringLiteral(" and ")) +
                                u"\r\n  Set nNoChange = 1"_s;
    }
    return texts;
}

QString triggerTiming(const AuditDefinition& definition) {
    switch (definition.kind) {
    case AuditKind::Insert:
        return QStringLiteral("AFTER INSERT ON");
    case AuditKind::Delete:
        // Before the delete, while the row's values can still be read.
        return QStringLiteral("BEFORE DELETE ON");
    case AuditKind::Update:
        break;
    }
    if (definition.changedFields.isEmpty())
        return QStringLiteral("AFTER UPDATE ON");
    return u"AFTER UPDATE OF "_s + definition.changedFields.join(u',') + u" ON"_s;
}

} // namespace

NameRuleVerdict checkSqlBaseAuditNames(const AuditDefinition& definition) {
    const NameRuleVerdict rules =
        checkAuditNameAndDescription(definition.name, definition.description);
    if (!rules.accepted())
        return rules;
    return checkAuditNameLimits(definition.name, definition.description, definition.table,
                                sqlBaseAuditNameLimits());
}

const QString& sqlBaseRecordWhoUnavailableMessage() {
    static const QString message =
        QStringLiteral("SQLBase audits record the date and the user of each change; the login, "
                       "host and application can not be recorded there.");
    return message;
}

QString sqlBaseAuditObjectName(const QString& typedName) {
    return u"ZOTA_"_s + typedName;
}

QString sqlBaseOldValueName(const QString& column) {
    if (column.size() == kMaxIdentifierLength)
        return column.left(kMaxIdentifierLength - 1) + u'O';
    return column + u'O';
}

QString sqlBaseCatalogRowStatement(const QString& objectName, const QString& description) {
    return u"Insert Into ZOTA_SYSTEM_TABLE (AUDIT_NAME,AUDIT_DESCRIPTION,ENABLED) VALUES ("_s +
           sqlBaseStringLiteral(objectName) + u',' + sqlBaseStringLiteral(description) + u",'Y')"_s;
}

GeneratedStatements generateSqlBaseAudit(const AuditDefinition& definition,
                                         const ColumnInfoList& syscolumns) {
    const ChosenColumns chosen = resolveChosenColumns(definition, syscolumns);
    if (!chosen.refusal.isEmpty())
        return GeneratedStatements::refuse(chosen.refusal);
    if (auto refusal = checkDefinition(definition, chosen.columns, syscolumns))
        return GeneratedStatements::refuse(*refusal);

    const bool update = definition.kind == AuditKind::Update;
    const QString objectName = sqlBaseAuditObjectName(definition.name);
    const SqlBaseProcedureGenerator generator(
        objectName, update ? updateTexts(definition, chosen.columns)
                           : insertDeleteTexts(definition, chosen.columns));
    const QString referencing =
        update ? QStringLiteral(" REFERENCING OLD AS OLDDATA NEW AS NEWDATA") : QString();

    // The catalog row goes first and is committed with the table, so a later failure leaves an
    // entry through which the audit can still be deleted.
    GeneratedStatements result;
    result.statements << sqlBaseCatalogRowStatement(objectName, definition.description)
                      << generator.createTable() << kCommit << generator.createSynonym() << kCommit
                      << generator.storeProcedure()
                      << generator.createTrigger(triggerTiming(definition), definition.table,
                                                 referencing)
                      << kCommit;
    return result;
}

} // namespace quorvex::sqlbase
