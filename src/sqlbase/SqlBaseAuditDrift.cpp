#include "sqlbase/SqlBaseAuditDrift.h"

#include "sqlbase/SqlBaseAuditGenerator.h"
#include "sqlbase/SqlBaseTypeMapping.h"

namespace quorvex::sqlbase {

const AuditTableRules& sqlBaseAuditTableRules() {
    static const AuditTableRules rules{
        {QStringLiteral("DATE"), QStringLiteral("USERID"), QStringLiteral("LOGINNAME"),
         QStringLiteral("HOSTNAME"), QStringLiteral("APPNAME")},
        [](const QString& column) { return sqlBaseOldValueName(column); },
        [](const ColumnInfo& column) -> std::optional<QString> {
            return sqlBaseAuditColumnDefinition(column, QStringLiteral("C"));
        },
    };
    return rules;
}

} // namespace quorvex::sqlbase
