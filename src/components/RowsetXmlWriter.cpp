#include "components/RowsetXmlWriter.h"

#include <QIODevice>
#include <QSet>

namespace quorvex {

namespace {

const QString nsSchema = QStringLiteral("uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882");
const QString nsDataType = QStringLiteral("uuid:C2F41010-65B3-11d1-A29F-00AA00C14882");
const QString nsRowset = QStringLiteral("urn:schemas-microsoft-com:rowset");
const QString nsRow = QStringLiteral("#RowsetSchema");

// The name characters of XML 1.0 (fifth edition), less ":", which namespaces reserve.
bool isNameStart(char32_t c) {
    return (c >= U'A' && c <= U'Z') || c == U'_' || (c >= U'a' && c <= U'z') ||
           (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
           (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) ||
           (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
           (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) ||
           (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0xEFFFF);
}
bool isNameChar(char32_t c) {
    return isNameStart(c) || c == U'-' || c == U'.' || (c >= U'0' && c <= U'9') || c == 0xB7 ||
           (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

bool isXmlName(const QString& name) {
    if (name.isEmpty() || name.startsWith(QStringLiteral("xml"), Qt::CaseInsensitive))
        return false;
    const QList<uint> codePoints = name.toUcs4();
    if (!isNameStart(codePoints.constFirst()))
        return false;
    for (uint c : codePoints)
        if (!isNameChar(c))
            return false;
    return true;
}

// XML 1.0 cannot carry most control characters, not even escaped; they become U+FFFD so the
// document stays readable.
QString xmlSafe(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != 0x9 && u != 0xA && u != 0xD) || u == 0xFFFE || u == 0xFFFF)
            c = QChar(0xFFFD);
    }
    return out;
}

QString number(qint64 n) {
    return QString::number(n);
}

} // namespace

RowsetXmlWriter::RowsetXmlWriter(QIODevice& out) : m_xml(&out) {
    m_xml.setAutoFormatting(true);
    m_xml.setAutoFormattingIndent(-1); // one tab per level
}

QStringList RowsetXmlWriter::attributeNames(const std::vector<FieldInfo>& fields) {
    // A field keeps its own name when that is an XML name no earlier field took; the others
    // are named "c" + their index, with "_2", "_3", ... added while that is taken too.
    QStringList names;
    QSet<QString> taken;
    std::vector<bool> own(fields.size(), false);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        own[i] = isXmlName(fields[i].name) && !taken.contains(fields[i].name);
        if (own[i])
            taken.insert(fields[i].name);
    }
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (own[i]) {
            names << fields[i].name;
            continue;
        }
        const QString base = QStringLiteral("c%1").arg(i);
        QString name = base;
        for (int n = 2; taken.contains(name); ++n)
            name = base + QStringLiteral("_%1").arg(n);
        taken.insert(name);
        names << name;
    }
    return names;
}

void RowsetXmlWriter::begin(const std::vector<FieldInfo>& fields) {
    m_fields = fields;
    m_attributes = attributeNames(fields);

    m_xml.writeStartElement(QStringLiteral("xml"));
    m_xml.writeNamespace(nsSchema, QStringLiteral("s"));
    m_xml.writeNamespace(nsDataType, QStringLiteral("dt"));
    m_xml.writeNamespace(nsRowset, QStringLiteral("rs"));
    m_xml.writeNamespace(nsRow, QStringLiteral("z"));

    m_xml.writeStartElement(nsSchema, QStringLiteral("Schema"));
    m_xml.writeAttribute(QStringLiteral("id"), QStringLiteral("RowsetSchema"));
    m_xml.writeStartElement(nsSchema, QStringLiteral("ElementType"));
    m_xml.writeAttribute(QStringLiteral("name"), QStringLiteral("row"));
    m_xml.writeAttribute(QStringLiteral("content"), QStringLiteral("eltOnly"));

    for (std::size_t i = 0; i < fields.size(); ++i) {
        const FieldInfo& f = fields[i];
        m_xml.writeStartElement(nsSchema, QStringLiteral("AttributeType"));
        m_xml.writeAttribute(QStringLiteral("name"), m_attributes[int(i)]);
        if (m_attributes[int(i)] != f.name)
            m_xml.writeAttribute(nsRowset, QStringLiteral("name"), xmlSafe(f.name));
        m_xml.writeAttribute(nsRowset, QStringLiteral("number"), number(qint64(i) + 1));
        if (f.nullable)
            m_xml.writeAttribute(nsRowset, QStringLiteral("nullable"), QStringLiteral("true"));

        m_xml.writeStartElement(nsSchema, QStringLiteral("datatype"));
        auto fixed = [&](const char* type, qint64 length) {
            m_xml.writeAttribute(nsDataType, QStringLiteral("type"), QString::fromLatin1(type));
            m_xml.writeAttribute(nsDataType, QStringLiteral("maxLength"), number(length));
        };
        switch (f.kind) {
        case FieldKind::Text:
            m_xml.writeAttribute(nsDataType, QStringLiteral("type"), QStringLiteral("string"));
            m_xml.writeAttribute(nsRowset, QStringLiteral("dbtype"), QStringLiteral("str"));
            m_xml.writeAttribute(nsDataType, QStringLiteral("maxLength"),
                                 number(f.size > 0 ? f.size : 2147483647));
            if (f.size <= 0)
                m_xml.writeAttribute(nsRowset, QStringLiteral("long"), QStringLiteral("true"));
            break;
        case FieldKind::Integer:
            fixed("int", 4);
            m_xml.writeAttribute(nsRowset, QStringLiteral("precision"), QStringLiteral("10"));
            break;
        case FieldKind::BigInt:
            fixed("i8", 8);
            m_xml.writeAttribute(nsRowset, QStringLiteral("precision"), QStringLiteral("19"));
            break;
        case FieldKind::Decimal:
            m_xml.writeAttribute(nsDataType, QStringLiteral("type"), QStringLiteral("number"));
            m_xml.writeAttribute(nsRowset, QStringLiteral("dbtype"), QStringLiteral("numeric"));
            m_xml.writeAttribute(nsDataType, QStringLiteral("maxLength"), QStringLiteral("19"));
            m_xml.writeAttribute(nsRowset, QStringLiteral("scale"), number(f.scale));
            m_xml.writeAttribute(nsRowset, QStringLiteral("precision"), number(f.precision));
            break;
        case FieldKind::Float:
            fixed("float", 8);
            m_xml.writeAttribute(nsRowset, QStringLiteral("precision"), QStringLiteral("15"));
            break;
        case FieldKind::Boolean:
            fixed("boolean", 2);
            break;
        case FieldKind::Date:
            fixed("date", 6);
            break;
        case FieldKind::Time:
            fixed("time", 6);
            break;
        case FieldKind::DateTime:
            fixed("dateTime", 16);
            m_xml.writeAttribute(nsRowset, QStringLiteral("dbtype"), QStringLiteral("timestamp"));
            break;
        case FieldKind::Binary:
            m_xml.writeAttribute(nsDataType, QStringLiteral("type"), QStringLiteral("bin.hex"));
            m_xml.writeAttribute(nsDataType, QStringLiteral("maxLength"),
                                 number(f.size > 0 ? f.size : 2147483647));
            if (f.size <= 0)
                m_xml.writeAttribute(nsRowset, QStringLiteral("long"), QStringLiteral("true"));
            break;
        case FieldKind::Guid:
            fixed("uuid", 16);
            break;
        }
        if (f.kind != FieldKind::Text && f.kind != FieldKind::Binary)
            m_xml.writeAttribute(nsRowset, QStringLiteral("fixedlength"), QStringLiteral("true"));
        if (!f.nullable)
            m_xml.writeAttribute(nsRowset, QStringLiteral("maybenull"), QStringLiteral("false"));
        m_xml.writeEndElement(); // datatype
        m_xml.writeEndElement(); // AttributeType
    }
    m_xml.writeEmptyElement(nsSchema, QStringLiteral("extends"));
    m_xml.writeAttribute(QStringLiteral("type"), QStringLiteral("rs:rowbase"));
    m_xml.writeEndElement(); // ElementType
    m_xml.writeEndElement(); // Schema

    m_xml.writeStartElement(nsRowset, QStringLiteral("data"));
}

void RowsetXmlWriter::row(const Row& values) {
    m_xml.writeEmptyElement(nsRow, QStringLiteral("row"));
    for (std::size_t i = 0; i < values.size() && i < m_fields.size(); ++i) {
        if (!values[i])
            continue;
        QString text = xmlSafe(*values[i]);
        // Date-times in the format's own form: 2026-12-06T11:38:56
        if (m_fields[i].kind == FieldKind::DateTime && text.size() > 10 && text[10] == u' ')
            text[10] = u'T';
        m_xml.writeAttribute(m_attributes[int(i)], text);
    }
}

void RowsetXmlWriter::end() {
    m_xml.writeEndElement(); // rs:data
    m_xml.writeEndElement(); // xml
    m_xml.writeEndDocument();
}

} // namespace quorvex
