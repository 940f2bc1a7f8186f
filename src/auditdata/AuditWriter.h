#pragma once

#include "components/FieldInfo.h"

#include <vector>

namespace quorvex {

// One export format: the fields first, then every record as it is fetched, then the end. A
// writer keeps no more than a buffer, so memory stays flat however many records there are.
// Each call throws ExportError when the output cannot be written.
class AuditWriter {
public:
    virtual ~AuditWriter() = default;
    virtual void begin(const std::vector<FieldInfo>& fields) = 0;
    virtual void row(const Row& values) = 0;
    virtual void end() = 0;
};

} // namespace quorvex
