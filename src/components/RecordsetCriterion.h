#pragma once

#include "components/FieldInfo.h"

#include <QString>

namespace quorvex {

// A search criterion of the form <field> <operator> <value>, as result sets take it:
//   NAME = 'AMOUNT'    [ORDER DATE] >= 5    NAME LIKE 'ZOTA%'
// Values are quoted text ('' for a quote inside), #dates#, or bare numbers. Text compares
// without regard to case; a numeric field compares as a number when the value is one.
class RecordsetCriterion {
public:
    enum class Op { Equal, NotEqual, Less, Greater, LessOrEqual, GreaterOrEqual, Like };

    // Throws DbException when the text cannot be read or names no field of the result.
    static RecordsetCriterion parse(const QString& text, const std::vector<FieldInfo>& fields);

    bool matches(const Row& row) const;

    int fieldIndex() const { return m_field; }
    Op op() const { return m_op; }
    const QString& value() const { return m_value; }

private:
    int m_field = -1;
    Op m_op = Op::Equal;
    QString m_value;
    bool m_numeric = false; // a numeric field compared with a number
};

} // namespace quorvex
