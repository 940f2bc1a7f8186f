#pragma once

#include <QString>
#include <QStringList>

namespace quorvex::sqlbase {

// The pieces from which an audit's table, procedure and trigger are composed, gathered column
// by column in the order the columns were chosen, so the n-th trigger argument feeds the n-th
// procedure parameter.
struct SqlBaseAuditTexts {
    QStringList columnDefinitions; // audit-table columns, each ending in ","
    QStringList parameterLines;    // " Number: ORDNO", without the line break
    QStringList insertColumns;     // columns the procedure fills, before DATE and USERID
    QStringList insertValues;      // ":ORDNO", before the time and the user
    QStringList triggerArguments;  // what the trigger passes, before user
    QString conditionBlock;        // the lines that set nNoChange, no final line break
};

} // namespace quorvex::sqlbase
