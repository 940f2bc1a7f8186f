#pragma once

#include "mainwindow/AuditDefinition.h"
#include "mainwindow/ColumnInfo.h"

#include <QString>
#include <QStringList>

#include <ostream>

// Shows texts readably (line breaks as \r\n) when a comparison fails.
inline void PrintTo(const QString& text, std::ostream* out) {
    QString shown = text;
    shown.replace(QStringLiteral("\r"), QStringLiteral("\\r"))
        .replace(QStringLiteral("\n"), QStringLiteral("\\n\n"));
    *out << '"' << shown.toStdString() << '"';
}

namespace quorvex::testing {

inline ColumnInfoList ordersColumns() {
    return {{"ORDER_ID", "int", 4, 10, 0, true},
            {"CUSTOMER", "varchar", 30, 0, 0, false},
            {"AMOUNT", "money", 8, 19, 4, false}};
}

inline AuditCondition condition(const QString& column, const QString& op, const QString& value,
                                const QString& connective = {}) {
    return {column, op, value, connective};
}

inline AuditCondition emptySlot() {
    return {};
}

inline AuditDefinition bigOrders() {
    AuditDefinition definition;
    definition.kind = AuditKind::Insert;
    definition.table = "ORDERS";
    definition.columns = {"CUSTOMER", "AMOUNT"};
    definition.conditions = {condition("AMOUNT", ">", "1000"), emptySlot()};
    definition.mode = AuditMode::OnlyWhen;
    definition.name = "BigOrders";
    definition.description = "Large orders";
    return definition;
}

inline AuditDefinition priceChange() {
    AuditDefinition definition;
    definition.kind = AuditKind::Update;
    definition.table = "ORDERS";
    definition.columns = {"CUSTOMER", "AMOUNT"};
    definition.saveOldValue = {false, true};
    definition.changedFields = {"AMOUNT"};
    definition.conditions = {emptySlot()};
    definition.name = "PriceChange";
    definition.description = "Price changes";
    return definition;
}

inline QString lines(const QStringList& pieces) {
    return pieces.join(QStringLiteral("\r\n"));
}

} // namespace quorvex::testing
