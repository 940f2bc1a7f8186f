// The XML persistence of a result set: a schema naming every field, then one row element per
// record with NULL fields left out; the document must parse back to the same values.
#include "components/RowsetXmlWriter.h"
#include "components/MemoryRowSource.h"
#include "components/Recordset.h"
#include "support/FakeDatabase.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <gtest/gtest.h>
#include <map>

using namespace quorvex;
using quorvex::testing::textRow;

namespace {

const QString nsSchema = QStringLiteral("uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882");
const QString nsRowset = QStringLiteral("urn:schemas-microsoft-com:rowset");
const QString nsRow = QStringLiteral("#RowsetSchema");

struct Parsed {
    QStringList schemaNames;              // attribute names in schema order
    std::map<QString, QString> realNames; // rs:name where given
    std::map<QString, QString> types;     // dt:type per attribute
    std::vector<std::map<QString, QString>> rows;
    QString error;
};

Parsed parse(const QByteArray& xml) {
    Parsed p;
    QXmlStreamReader r(xml);
    QString current;
    while (!r.atEnd()) {
        r.readNext();
        if (!r.isStartElement())
            continue;
        if (r.namespaceUri() == nsSchema && r.name() == QStringLiteral("AttributeType")) {
            current = r.attributes().value(QStringLiteral("name")).toString();
            p.schemaNames << current;
            if (r.attributes().hasAttribute(nsRowset, QStringLiteral("name")))
                p.realNames[current] =
                    r.attributes().value(nsRowset, QStringLiteral("name")).toString();
        } else if (r.namespaceUri() == nsSchema && r.name() == QStringLiteral("datatype")) {
            for (const auto& a : r.attributes())
                if (a.name() == QStringLiteral("type"))
                    p.types[current] = a.value().toString();
        } else if (r.namespaceUri() == nsRow && r.name() == QStringLiteral("row")) {
            std::map<QString, QString> row;
            for (const auto& a : r.attributes())
                row[a.name().toString()] = a.value().toString();
            p.rows.push_back(row);
        }
    }
    if (r.hasError())
        p.error = r.errorString();
    return p;
}

FieldInfo field(const char* name, FieldKind kind, qint64 size = 0) {
    FieldInfo f;
    f.name = QString::fromUtf8(name);
    f.kind = kind;
    f.size = size;
    return f;
}

} // namespace

TEST(RowsetXml, SchemaThenRowsWithNullFieldsLeftOut) {
    Recordset rs(std::make_unique<MemoryRowSource>(
        std::vector<FieldInfo>{field("ID", FieldKind::Integer), field("NAME", FieldKind::Text, 30),
                               field("AuditDate", FieldKind::DateTime)},
        std::vector<Row>{textRow({"1", "ACME & Sons <\"x\">", "2026-12-06 11:38:56.000"}),
                         textRow({"2", nullptr, "2026-12-07 00:00:00.000"}),
                         textRow({"3", "", nullptr})}));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    rs.saveXml(buffer);
    EXPECT_TRUE(rs.eof());

    const Parsed p = parse(buffer.data());
    ASSERT_TRUE(p.error.isEmpty()) << p.error.toStdString() << "\n" << buffer.data().toStdString();
    EXPECT_EQ(p.schemaNames, (QStringList{QStringLiteral("ID"), QStringLiteral("NAME"),
                                          QStringLiteral("AuditDate")}));
    EXPECT_EQ(p.types.at(QStringLiteral("ID")), QStringLiteral("int"));
    EXPECT_EQ(p.types.at(QStringLiteral("NAME")), QStringLiteral("string"));
    EXPECT_EQ(p.types.at(QStringLiteral("AuditDate")), QStringLiteral("dateTime"));
    ASSERT_EQ(p.rows.size(), 3u);
    EXPECT_EQ(p.rows[0].at(QStringLiteral("NAME")), QStringLiteral("ACME & Sons <\"x\">"));
    EXPECT_EQ(p.rows[0].at(QStringLiteral("AuditDate")), QStringLiteral("2026-12-06T11:38:56.000"));
    EXPECT_EQ(p.rows[1].count(QStringLiteral("NAME")), 0u);
    // An empty text is a value, not a NULL: it stays.
    EXPECT_EQ(p.rows[2].at(QStringLiteral("NAME")), QString());
    EXPECT_EQ(p.rows[2].count(QStringLiteral("AuditDate")), 0u);
}

TEST(RowsetXml, EmptyResultStillHasItsSchema) {
    Recordset rs(std::make_unique<MemoryRowSource>(
        std::vector<FieldInfo>{field("A", FieldKind::Text)}, std::vector<Row>{}));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    rs.saveXml(buffer);
    const Parsed p = parse(buffer.data());
    ASSERT_TRUE(p.error.isEmpty()) << p.error.toStdString();
    EXPECT_EQ(p.schemaNames, QStringList{QStringLiteral("A")});
    EXPECT_TRUE(p.rows.empty());
}

TEST(RowsetXml, FieldNamesThatAreNotXmlNamesKeepTheirRealName) {
    Recordset rs(std::make_unique<MemoryRowSource>(
        std::vector<FieldInfo>{field("ORDER DATE", FieldKind::Text),
                               field("COUNT(*)", FieldKind::Integer), field("", FieldKind::Text),
                               field("Größe", FieldKind::Text)},
        std::vector<Row>{textRow({"x", "5", "y", "groß"})}));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    rs.saveXml(buffer);
    const Parsed p = parse(buffer.data());
    ASSERT_TRUE(p.error.isEmpty()) << p.error.toStdString();
    EXPECT_EQ(p.schemaNames, (QStringList{QStringLiteral("c0"), QStringLiteral("c1"),
                                          QStringLiteral("c2"), QStringLiteral("Größe")}));
    EXPECT_EQ(p.realNames.at(QStringLiteral("c0")), QStringLiteral("ORDER DATE"));
    EXPECT_EQ(p.realNames.at(QStringLiteral("c1")), QStringLiteral("COUNT(*)"));
    ASSERT_EQ(p.rows.size(), 1u);
    EXPECT_EQ(p.rows[0].at(QStringLiteral("c1")), QStringLiteral("5"));
    EXPECT_EQ(p.rows[0].at(QStringLiteral("Größe")), QStringLiteral("groß"));
}

TEST(RowsetXml, ControlCharactersDoNotBreakTheDocument) {
    Recordset rs(std::make_unique<MemoryRowSource>(
        std::vector<FieldInfo>{field("V", FieldKind::Text)},
        std::vector<Row>{
            {FieldValue(QStringLiteral("a") + QChar(0x01) + QStringLiteral("b\tc\nd"))}}));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    rs.saveXml(buffer);
    const Parsed p = parse(buffer.data());
    ASSERT_TRUE(p.error.isEmpty()) << p.error.toStdString();
    ASSERT_EQ(p.rows.size(), 1u);
    EXPECT_EQ(p.rows[0].at(QStringLiteral("V")),
              QStringLiteral("a") + QChar(0xFFFD) + QStringLiteral("b\tc\nd"));
}

TEST(RowsetXml, SavingToAFileReplacesItAndFailsCleanlyOnABadFolder) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("out.xml"));
    Recordset rs(std::make_unique<MemoryRowSource>(
        std::vector<FieldInfo>{field("A", FieldKind::Text)}, std::vector<Row>{textRow({"1"})}));
    ASSERT_TRUE(rs.saveXml(path));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const Parsed p = parse(f.readAll());
    EXPECT_EQ(p.rows.size(), 1u);

    Recordset other(std::make_unique<MemoryRowSource>(
        std::vector<FieldInfo>{field("A", FieldKind::Text)}, std::vector<Row>{}));
    EXPECT_FALSE(other.saveXml(dir.filePath(QStringLiteral("no/such/folder/out.xml"))));
}
