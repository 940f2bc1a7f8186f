#pragma once

#include <QString>

namespace quorvex::sqlserver {

// A date or time typed as a condition value, checked against the column's type and written in a
// form the server reads the same under every language and date format setting. '2024-01-13' is
// read as year-day-month by a datetime under a British or German login, and a text the server
// cannot read at all ('yesterday', '2024-02-31') makes the trigger, and with it every statement
// on the audited table, fail. So only these forms are taken:
//
//   YYYY-MM-DD, YYYYMMDD, YYYY-MM-DD hh:mm[:ss[.f...]], YYYY-MM-DDThh:mm[:ss[.f...]]
//   time columns: hh:mm[:ss[.f...]]
//   datetimeoffset: a value with a time may end in Z or +hh:mm / -hh:mm
//
// and written as 'YYYYMMDD' (a date alone), 'YYYY-MM-DDThh:mm:ss[.f...]' (a date with a time),
// 'hh:mm:ss[.f...]' (a time), with the fraction as given and a datetimeoffset's offset appended
// (Z as +00:00).
class SqlServerDateTimeValue {
public:
    // Whether the type is one of datetime, smalldatetime, date, time, datetime2, datetimeoffset
    // (lower case).
    static bool isDateTimeType(const QString& type);

    // `type` one of those, `scale` the column's digits of a second (datetime2, time,
    // datetimeoffset). Blanks around the value are dropped, as the server drops them.
    static SqlServerDateTimeValue check(const QString& type, int scale, const QString& value);

    bool refused() const { return !m_problem.isEmpty(); }
    // The text to put between the quotes; empty when refused.
    const QString& text() const { return m_text; }
    // Why the value is refused, for a message; empty when taken.
    const QString& problem() const { return m_problem; }

    // The forms a column of the type takes, for the refusal message.
    static QString acceptedForms(const QString& type);

private:
    QString m_text;
    QString m_problem;
};

} // namespace quorvex::sqlserver
