#pragma once

#include "auditdata/AuditWriter.h"
#include "components/RowsetXmlWriter.h"

class QIODevice;

namespace quorvex {

// The XML export: the rowset persistence document of RowsetXmlWriter (the fields' schema, then
// one z:row per record with NULL fields left out), with write failures reported.
class XmlAuditWriter : public AuditWriter {
public:
    explicit XmlAuditWriter(QIODevice& out);

    void begin(const std::vector<FieldInfo>& fields) override;
    void row(const Row& values) override;
    void end() override;

private:
    void check();

    QIODevice& m_out;
    RowsetXmlWriter m_writer;
};

} // namespace quorvex
