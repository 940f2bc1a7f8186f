#pragma once

#include "components/FieldInfo.h"

namespace quorvex {

// Where a result set's rows come from: a driver's statement read row by row, or rows held in
// memory. A source hands out each row once, in order.
class IRowSource {
public:
    virtual ~IRowSource() = default;
    virtual const std::vector<FieldInfo>& fields() const = 0;
    // Fills row with the next row's values (one per field) and returns true, or returns false
    // at the end of the rows. Throws DbException when the driver fails.
    virtual bool fetch(Row& row) = 0;
};

} // namespace quorvex
