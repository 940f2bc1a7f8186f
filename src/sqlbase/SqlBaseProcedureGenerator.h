#pragma once

#include "sqlbase/SqlBaseAuditTexts.h"

#include <QString>

namespace quorvex::sqlbase {

// The statements that create an audit's table, synonym, procedure and trigger from its gathered
// pieces. `objectName` is the audit's "ZOTA_" name.
class SqlBaseProcedureGenerator {
public:
    SqlBaseProcedureGenerator(QString objectName, SqlBaseAuditTexts texts);

    QString createTable() const;
    QString createSynonym() const;
    // The stored procedure: takes the passed columns and USERID, decides with the condition
    // block, and inserts on a connection of its own. Lines joined by CR LF, none after the last.
    QString storeProcedure() const;
    // `timing` is e.g. "AFTER INSERT ON"; `referencing` is empty or, for updates, the blank-led
    // " REFERENCING OLD AS OLDDATA NEW AS NEWDATA".
    QString createTrigger(const QString& timing, const QString& table,
                          const QString& referencing) const;

private:
    QString m_objectName;
    SqlBaseAuditTexts m_texts;
};

} // namespace quorvex::sqlbase
