#include "auditdata/PacedRowSource.h"

#include "components/Recordset.h"

namespace quorvex {

PacedRowSource::PacedRowSource(Recordset& rows, qint64 interval, Pace pace)
    : m_rows(rows), m_interval(std::max<qint64>(1, interval)), m_pace(std::move(pace)) {}

const std::vector<FieldInfo>& PacedRowSource::fields() const {
    return m_rows.fields();
}

bool PacedRowSource::fetch(Row& row) {
    // The recordset moves on at the next fetch, not right after handing out a row: a driver
    // failing on the row after this one then fails that fetch, and this row still arrives.
    if (m_handedOut) {
        m_handedOut = false;
        m_rows.moveNext();
    }
    if (m_stopped || m_rows.eof())
        return false;
    if (m_count > 0 && m_count % m_interval == 0 && m_pace && !m_pace(m_count)) {
        m_stopped = true;
        return false;
    }
    row = m_rows.currentRow();
    ++m_count;
    m_handedOut = true;
    return true;
}

} // namespace quorvex
