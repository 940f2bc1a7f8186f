#pragma once

#include "mainwindow/ColumnInfo.h"

#include <QString>

namespace quorvex::sqlserver {

// A condition compares a column with the value as typed, between quotes; the server converts
// that text to the column's type in the trigger, for every row of every statement. A text it
// cannot convert ("abc" for a decimal, 300 for a tinyint) makes the trigger fail and with it
// the user's own statement on the audited table. So such a value is refused before anything
// is installed. Types whose conversion cannot fail here (text, dates, whose formats the server
// reads in many ways) are let through.
class SqlServerConditionValue {
public:
    // Empty when the column's type takes the value; else why not, for the refusal message.
    static QString problem(const ColumnInfo& column, const QString& value);

    static QString refusalMessage(const QString& column, const QString& value, const QString& why,
                                  const QString& table);
};

} // namespace quorvex::sqlserver
