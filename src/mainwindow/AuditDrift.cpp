#include "mainwindow/AuditDrift.h"

namespace quorvex {

namespace {

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

const ColumnInfo* findColumnAnyCase(const ColumnInfoList& columns, const QString& name) {
    for (const ColumnInfo& column : columns) {
        if (sameName(column.name, name))
            return &column;
    }
    return nullptr;
}

bool isOwnColumn(const AuditTableRules& rules, const QString& name) {
    for (const QString& own : rules.ownColumns) {
        if (sameName(own, name))
            return true;
    }
    return false;
}

bool isPresent(const std::optional<ColumnInfoList>& columns) {
    return columns && !columns->isEmpty();
}

// What one copy of the audit table says of the audited table now.
enum class CopyState { AsInstalled, Changed, SourceGone };

CopyState copyState(const ColumnInfo& copy, const ColumnInfoList& copies,
                    const ColumnInfoList& audited, const AuditTableRules& rules) {
    // The columns it may copy: the audited column of its name, and the column whose old value
    // goes by its name. Either one copied alike is enough: a table may have a column "oldX"
    // beside "X" whose old value the audit keeps as "oldX".
    QList<const ColumnInfo*> sources;
    if (const ColumnInfo* same = findColumnAnyCase(audited, copy.name))
        sources << same;
    for (const ColumnInfo& other : copies) {
        if (&other == &copy || !rules.oldValueName ||
            !sameName(rules.oldValueName(other.name), copy.name))
            continue;
        if (const ColumnInfo* source = findColumnAnyCase(audited, other.name))
            sources << source;
    }
    if (sources.isEmpty())
        return CopyState::SourceGone;
    const std::optional<QString> installed = rules.copyDefinition(copy);
    for (const ColumnInfo* source : std::as_const(sources)) {
        const std::optional<QString> now = rules.copyDefinition(*source);
        if (installed && now && *installed == *now)
            return CopyState::AsInstalled;
    }
    return CopyState::Changed;
}

} // namespace

AuditState auditStateOf(const AuditObjects& objects, const AuditTableRules& rules) {
    if (!isPresent(objects.auditedTable))
        return AuditState::TableMissing;
    if (!objects.triggerExists)
        return AuditState::TriggerMissing;
    // The trigger writes into the audit table: without it every statement fails.
    if (!isPresent(objects.auditTable))
        return AuditState::Broken;
    const ColumnInfoList& audited = *objects.auditedTable;

    if (objects.triggerColumns) {
        for (const QString& read : *objects.triggerColumns) {
            if (findColumnAnyCase(audited, read) == nullptr)
                return AuditState::Broken;
        }
    }

    ColumnInfoList copies;
    for (const ColumnInfo& column : *objects.auditTable) {
        if (!isOwnColumn(rules, column.name))
            copies.append(column);
    }
    bool changed = false;
    for (const ColumnInfo& copy : std::as_const(copies)) {
        switch (copyState(copy, copies, audited, rules)) {
        case CopyState::SourceGone:
            return AuditState::Broken;
        case CopyState::Changed:
            changed = true;
            break;
        case CopyState::AsInstalled:
            break;
        }
    }
    return changed ? AuditState::TableChanged : AuditState::Ok;
}

} // namespace quorvex
