#pragma once

#include "components/DbException.h"
#include "components/IRowSource.h"

#include <cstddef>

namespace quorvex::testing {

// A driver that hands out some rows and then fails on the next fetch, as a connection lost in
// the middle of a large result does.
class RowsThenFailureSource : public IRowSource {
public:
    RowsThenFailureSource(std::vector<FieldInfo> fields, std::vector<Row> rows, DbErrorList failure)
        : m_fields(std::move(fields)), m_rows(std::move(rows)), m_failure(std::move(failure)) {}

    const std::vector<FieldInfo>& fields() const override { return m_fields; }

    bool fetch(Row& row) override {
        if (m_next < m_rows.size()) {
            row = m_rows[m_next++];
            return true;
        }
        throw DbException(m_failure);
    }

private:
    std::vector<FieldInfo> m_fields;
    std::vector<Row> m_rows;
    DbErrorList m_failure;
    std::size_t m_next = 0;
};

} // namespace quorvex::testing
