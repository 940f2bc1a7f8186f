#include "sqlbase/SqlBaseAuditStates.h"

#include "mainwindow/AuditDrift.h"
#include "sqlbase/SqlBaseAuditDrift.h"
#include "sqlbase/SqlBaseColumns.h"
#include "sqlbase/SqlBaseLiteral.h"
#include "sqlbase/SqlBaseSession.h"

namespace quorvex::sqlbase {

QString sqlBaseAuditTriggerQuery(const QString& objectName) {
    return QStringLiteral("Select TBNAME from systriggers where name = ") +
           sqlBaseStringLiteral(objectName);
}

AuditCheck readSqlBaseAuditCheck(SqlBaseSession& session, const QString& objectName) {
    const QStringList tables = session.read(sqlBaseAuditTriggerQuery(objectName)).firstColumn();
    if (tables.isEmpty())
        return {AuditState::TriggerMissing, {}};
    const QString& audited = tables.first();
    AuditObjects objects;
    objects.auditedTable = readSqlBaseColumns(session, audited);
    objects.auditTable = readSqlBaseColumns(session, objectName);
    return {auditStateOf(objects, sqlBaseAuditTableRules()), audited};
}

} // namespace quorvex::sqlbase
