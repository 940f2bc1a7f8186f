#pragma once

#include <QString>
#include <optional>

namespace quorvex {

// What became of an installed audit since it was installed, worked out by comparing the columns
// its audit table copies with the audited table's columns now, and by looking for its trigger.
enum class AuditState {
    Ok,
    // A copied column's type or length changed on the audited table: rows are still recorded,
    // but a longer value than the copy holds makes the audited statement fail.
    TableChanged,
    // A copied or condition column (or the audit table) is gone: the trigger fails every
    // statement on the audited table.
    Broken,
    // The audited table is gone (and its trigger with it).
    TableMissing,
    // The audited table is there but the audit's trigger is not: nothing is recorded.
    TriggerMissing,
};

// The header of the state column, which every back end's listing adds after its own columns.
inline const QString& auditStateColumnName() {
    static const QString name = QStringLiteral("STATE");
    return name;
}

// "ok", "table changed", "broken", "table missing", "trigger missing".
QString auditStateText(AuditState state);

// One audit's state with what it was worked out from, as the back ends read it.
struct AuditCheck {
    AuditState state = AuditState::Ok;
    QString auditedTable; // as the back end names it; empty when it cannot be known

    friend bool operator==(const AuditCheck&, const AuditCheck&) = default;
};

} // namespace quorvex
