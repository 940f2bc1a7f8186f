#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace quorvex {

enum class AuditKind { Insert, Delete, Update };

// "Audit always except if" (normally on: every row is recorded unless the conditions hold) or
// "Audit only when" (normally off: a row is recorded only when the conditions hold).
enum class AuditMode { AlwaysExceptIf, OnlyWhen };

enum class Connective { And, Or };

// The pseudo-column that stands for the database user who makes the audited change.
inline const QString& userIdPseudoColumn() {
    static const QString name = QStringLiteral("USERID");
    return name;
}

// One row of a criteria grid.
struct AuditCondition {
    QString column; // a column name as it stood in the combo box, or "USERID"; empty: no condition
    QString op;     // "=", "!=", ">" or "<"
    QString value;  // exactly as typed, unquoted and unchecked
    QString connective; // the row header: "AND", "OR", or empty on the first row

    friend bool operator==(const AuditCondition&, const AuditCondition&) = default;
};

// What one tab of the main window holds for one audit when GO is pressed.
struct AuditDefinition {
    AuditKind kind = AuditKind::Insert;
    QString table;
    QStringList columns;              // chosen columns, in list (catalogue) order
    QList<bool> saveOldValue;         // update audits: one flag per entry of columns
    QStringList changedFields;        // update audits: chosen items of "If these fields changed"
    QList<AuditCondition> conditions; // the grid's rows in grid order, the empty slot included
    AuditMode mode = AuditMode::AlwaysExceptIf;
    Connective connective = Connective::And;
    QString name;
    QString description;
    // Also keep, with each recorded row, the login, host and application of the connection that
    // made the change (not every back end can).
    bool recordWho = false;
    // Update audits: record a row only when a watched column (a changed field, or with none
    // chosen any audited column) has a value other than its old one.
    bool changedValuesOnly = false;

    // Whether the audit records only rows whose watched columns changed value.
    bool watchesChangedValues() const { return kind == AuditKind::Update && changedValuesOnly; }
    // The columns whose old and new values decide that.
    const QStringList& watchedColumns() const {
        return changedFields.isEmpty() ? columns : changedFields;
    }

    friend bool operator==(const AuditDefinition&, const AuditDefinition&) = default;
};

} // namespace quorvex
