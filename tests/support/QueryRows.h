#pragma once

#include "components/DbException.h"
#include "components/IConnection.h"
#include "components/Recordset.h"

#include <QStringList>

namespace quorvex::testing {

// Runs a statement: the driver's message, or nothing when it ran.
inline QString runStatement(IConnection& connection, const QString& statement) {
    try {
        connection.execute(statement);
        return {};
    } catch (const DbException& e) {
        return e.description();
    }
}

// Every row of a query, its values joined by "|", NULL as nullText; a failure is the one row
// "ERROR: " and the driver's message, so a comparison shows it.
inline QStringList queryRows(IConnection& connection, const QString& query,
                             const QString& nullText = QStringLiteral("NULL")) {
    QStringList result;
    try {
        for (Recordset rows = connection.openRecordset(query); !rows.eof(); rows.moveNext()) {
            QStringList values;
            for (const FieldValue& value : rows.currentRow())
                values << value.value_or(nullText);
            result << values.join(u'|');
        }
    } catch (const DbException& e) {
        result = QStringList{QStringLiteral("ERROR: ") + e.description()};
    }
    return result;
}

} // namespace quorvex::testing
