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

    // The attribute name a field is written under: its own name when that is a valid XML name,
    // else "c" + its index (the schema then keeps the real name in rs:name).
    static QString attributeName(const QString& fieldName, int index);

private:
    QXmlStreamWriter m_xml;
    std::vector<FieldInfo> m_fields;
    QStringList m_attributes;
};

} // namespace quorvex
