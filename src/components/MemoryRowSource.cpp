#include "components/MemoryRowSource.h"

namespace quorvex {

MemoryRowSource::MemoryRowSource(std::vector<FieldInfo> fields, std::vector<Row> rows)
    : m_fields(std::move(fields)), m_rows(std::move(rows)) {}

bool MemoryRowSource::fetch(Row& row) {
    if (m_next >= m_rows.size())
        return false;
    // Hand the row over: each row is read once.
    row = std::move(m_rows[m_next]);
    row.resize(m_fields.size());
    ++m_next;
    return true;
}

} // namespace quorvex
