#pragma once

#include "components/FieldInfo.h"

#include <QXmlStreamWriter>

class QIODevice;

namespace quorvex {

// Writes rows as an XML document in the rowset persistence format: the namespaces of the
// format, an s:Schema describing every field, then rs:data with one z:row per record, each
// field an attribute and a NULL field left out. Rows go to the device as they are given, so
// memory stays flat however many rows there are.
class RowsetXmlWriter {
public:
    explicit RowsetXmlWriter(QIODevice& out);

    void begin(const std::vector<FieldInfo>& fields);
    void row(const Row& values);
    void end();

    bool hasError() const { return m_xml.hasError(); }

    // The attribute names the fields are written under, one per field and all different: a
    // field's own name when that is an XML name, else "c" + its index (made unique with "_2",
    // "_3", ...; the schema then keeps the real name in rs:name).
    static QStringList attributeNames(const std::vector<FieldInfo>& fields);

private:
    QXmlStreamWriter m_xml;
    std::vector<FieldInfo> m_fields;
    QStringList m_attributes;
};

} // namespace quorvex
