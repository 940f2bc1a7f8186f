// A result set saved as XML: the names and types of its schema (values: with the XML export).
#include "components/RowsetXmlWriter.h"
#include "components/Recordset.h"
#include "support/FakeDatabase.h"

#include "ComponentsTestSupport.h"
#include <QBuffer>
#include <QXmlStreamReader>
#include <gtest/gtest.h>
#include <map>

using namespace quorvex;
using quorvex::testing::textRow;

namespace {

using Attributes = std::map<QString, QString>;

struct Parsed {
    QStringList schemaNames; // in schema order
    Attributes realNames;    // rs:name where given
    Attributes types;        // dt:type per attribute
    std::vector<Attributes> rows;
};

Parsed parse(const QByteArray& xml) {
    const QString nsSchema = QStringLiteral("uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882");
    const QString nsRowset = QStringLiteral("urn:schemas-microsoft-com:rowset");
    Parsed p;
    QXmlStreamReader r(xml);
    QString current;
    while (!r.atEnd()) {
        if (r.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (r.namespaceUri() == nsSchema && r.name() == QStringLiteral("AttributeType")) {
            current = r.attributes().value(QStringLiteral("name")).toString();
            p.schemaNames << current;
            if (r.attributes().hasAttribute(nsRowset, QStringLiteral("name")))
                p.realNames[current] = r.attributes().value(nsRowset, "name").toString();
        } else if (r.namespaceUri() == nsSchema && r.name() == QStringLiteral("datatype")) {
            for (const auto& a : r.attributes())
                if (a.name() == QStringLiteral("type"))
                    p.types[current] = a.value().toString();
        } else if (r.namespaceUri() == QStringLiteral("#RowsetSchema") &&
                   r.name() == QStringLiteral("row")) {
            Attributes row;
            for (const auto& a : r.attributes())
                row[a.name().toString()] = a.value().toString();
            p.rows.push_back(row);
        }
    }
    EXPECT_FALSE(r.hasError()) << r.errorString().toStdString() << "\n" << xml.toStdString();
    return p;
}

// The recordset's remaining rows as the writer puts them.
Parsed saved(Recordset& rs) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    RowsetXmlWriter writer(buffer);
    writer.begin(rs.fields());
    for (; !rs.eof(); rs.moveNext())
        writer.row(rs.currentRow());
    writer.end();
    return parse(buffer.data());
}

} // namespace

// Control characters do not break the document.
TEST(RowsetXml, FieldNamesThatAreNotXmlNamesKeepTheirRealName) {
    Recordset rs = recordset(
        {{"ORDER DATE", FieldKind::DateTime}, {"COUNT(*)", FieldKind::Integer}, {""}, {"Größe"}},
        {textRow({"2026-12-06 11:38:56.000", "5",
                  "a\x01"
                  "b\tc",
                  "groß"})});
    const Parsed p = saved(rs);
    EXPECT_EQ(p.schemaNames, (QStringList{"c0", "c1", "c2", "Größe"}));
    EXPECT_EQ(
        p.types,
        (Attributes{{"c0", "dateTime"}, {"c1", "int"}, {"c2", "string"}, {"Größe", "string"}}));
    EXPECT_EQ(p.realNames, (Attributes{{"c0", "ORDER DATE"}, {"c1", "COUNT(*)"}, {"c2", ""}}));
    EXPECT_EQ(p.rows, (std::vector<Attributes>{{{"c0", "2026-12-06T11:38:56.000"},
                                                {"c1", "5"},
                                                {"c2", QStringLiteral("a\uFFFDb\tc")},
                                                {"Größe", "groß"}}}));
}

TEST(RowsetXml, AttributeNamesStayUniqueAndWellFormed) {
    const struct {
        std::vector<const char*> names;
        QStringList attributes;
    } cases[] = {
        {{"a b", "c0", "c0_2"}, {"c0_3", "c0", "c0_2"}},
        {{"ID", "ID"}, {"ID", "c1"}},
        {{"xmlData", "n:s"}, {"c0", "c1"}},
    };
    for (const auto& c : cases) {
        std::vector<FieldInfo> fields;
        Row row;
        for (const char* name : c.names) {
            fields.push_back({QString::fromUtf8(name)});
            row.push_back(FieldValue(QString::fromUtf8(name)));
        }
        Recordset rs = recordset(fields, {row});
        const Parsed p = saved(rs);
        EXPECT_EQ(p.schemaNames, c.attributes);
        ASSERT_EQ(p.rows.size(), 1u);
        for (int i = 0; i < c.attributes.size(); ++i)
            EXPECT_EQ(p.rows[0].at(c.attributes[i]), fields[std::size_t(i)].name);
    }
}
