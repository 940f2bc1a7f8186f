#pragma once

#include "mainwindow/ColumnInfo.h"

#include <QString>

namespace quorvex::sqlserver {

// A condition compares a column with the value as typed; the server converts that literal to the
// column's type in the trigger, for every row of every statement. A text it cannot convert
// ("abc" for a decimal, 300 for a tinyint, 'yesterday' for a datetime) makes the trigger fail
// and with it the user's own statement on the audited table, so such a value is refused before
// anything is installed. What is taken comes back as the literal to write: dates in a form every
// language setting reads alike, values for nchar and nvarchar columns (and the user's name) as
// N'...' so that letters outside the database's code page survive.
class SqlServerConditionValue {
public:
    // `value` compared with `column`.
    static SqlServerConditionValue check(const ColumnInfo& column, const QString& value);

    // `value` compared with the user's name (the USERID condition), an nvarchar.
    static SqlServerConditionValue userName(const QString& value);

    bool refused() const { return !m_problem.isEmpty(); }
    // The literal to write into the trigger, quotes included; empty when refused.
    const QString& literal() const { return m_literal; }
    // Why the value is refused; empty when taken.
    const QString& problem() const { return m_problem; }

    // The message that refuses the value at GO, naming the column, the value and, for dates and
    // times, the forms a column of the type takes.
    QString refusalMessage(const QString& table) const;

private:
    QString m_column;
    QString m_type;
    QString m_value;
    QString m_literal;
    QString m_problem;
};

} // namespace quorvex::sqlserver
