#pragma once

#include "components/FieldInfo.h"

#include <QString>
#include <ostream>
#include <vector>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace quorvex::testing {

inline FieldInfo auditField(const char* name, FieldKind kind = FieldKind::Text, qint64 size = 0) {
    FieldInfo f;
    f.name = QString::fromUtf8(name);
    f.kind = kind;
    f.size = size;
    return f;
}

// The fields of a typical SQL Server audit table: two copied columns, then the audit's own.
inline std::vector<FieldInfo> ordersAuditFields() {
    return {auditField("ORDER_NO", FieldKind::Integer), auditField("QTY", FieldKind::Decimal),
            auditField("AuditDate", FieldKind::DateTime), auditField("UserName", FieldKind::Text)};
}

} // namespace quorvex::testing
