#pragma once

#include "components/IRowSource.h"

namespace quorvex {

// Rows held in memory: what a recordset reads when its rows were fetched ahead, and what a
// scripted database hands out.
class MemoryRowSource : public IRowSource {
public:
    MemoryRowSource(std::vector<FieldInfo> fields, std::vector<Row> rows);

    const std::vector<FieldInfo>& fields() const override { return m_fields; }
    bool fetch(Row& row) override;

private:
    std::vector<FieldInfo> m_fields;
    std::vector<Row> m_rows;
    std::size_t m_next = 0;
};

} // namespace quorvex
