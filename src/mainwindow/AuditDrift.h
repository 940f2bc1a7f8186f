#pragma once

#include "mainwindow/AuditState.h"
#include "mainwindow/ColumnInfo.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace quorvex {

// How a back end builds its audit tables, as far as telling what became of an audit needs it.
struct AuditTableRules {
    // The audit table's own columns, which copy nothing (the date and the user of the change,
    // and whatever else the audit records of who made it). Compared without regard to case.
    QStringList ownColumns;
    // The audit-table column that keeps a column's old value in update audits.
    std::function<QString(const QString& column)> oldValueName;
    // How the audit table defines a copy of this column, without its name; nothing when it
    // cannot copy it. A copy is as it was installed while the column it copies still gives the
    // same definition.
    std::function<std::optional<QString>(const ColumnInfo& column)> copyDefinition;
};

// What the catalogue says of one audit's objects now.
struct AuditObjects {
    std::optional<ColumnInfoList> auditedTable; // nothing (or no column): the table is gone
    std::optional<ColumnInfoList> auditTable;   // nothing (or no column): the audit table is gone
    bool triggerExists = true;
    // The audited table's columns the trigger reads (conditions, changed fields, keys, copies),
    // when its text can be read; nothing when it cannot (an encrypted trigger).
    std::optional<QStringList> triggerColumns;
};

// The audit's state, the first that applies: the audited table is gone (TableMissing); the
// trigger is gone (TriggerMissing); the audit table, a column it copies or a column the trigger
// reads is gone (Broken); a copied column is now of another type or length (TableChanged);
// otherwise Ok. Column names compare without regard to case, as the servers compare them.
//
// An audit table column that is neither one of its own nor the name of a column of the audited
// table is an old-value copy when another copy's old value goes by that name, and is then
// compared with that column. A column added to the audited table cannot be told from one that
// was there but not chosen: neither server keeps when a column was added, and the audit keeps
// no list of the table's columns at its install, so added columns leave the state as it is.
AuditState auditStateOf(const AuditObjects& objects, const AuditTableRules& rules);

} // namespace quorvex
