// A result set saved as XML: a schema of every field, then a row per record. NULLs, escaping
// and dates of audit rows are checked with the XML export; here the names and types.
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

TEST(RowsetXml, FieldNamesThatAreNotXmlNamesKeepTheirRealName) {
    Recordset rs = recordset(
        {{"ORDER DATE", FieldKind::DateTime}, {"COUNT(*)", FieldKind::Integer}, {""}, {"Größe"}},
        {textRow({"2026-12-06 11:38:56.000", "5", "y", "groß"})});
    const Parsed p = saved(rs);
    EXPECT_EQ(p.schemaNames, (QStringList{"c0", "c1", "c2", "Größe"}));
    EXPECT_EQ(
        p.types,
        (Attributes{{"c0", "dateTime"}, {"c1", "int"}, {"c2", "string"}, {"Größe", "string"}}));
    EXPECT_EQ(p.realNames.at("c0"), QStringLiteral("ORDER DATE"));
    EXPECT_EQ(p.realNames.at("c1"), QStringLiteral("COUNT(*)"));
    EXPECT_EQ(
        p.rows,
        (std::vector<Attributes>{
            {{"c0", "2026-12-06T11:38:56.000"}, {"c1", "5"}, {"c2", "y"}, {"Größe", "groß"}}}));
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
        QStringList values;
        for (const char* name : c.names) {
            fields.push_back({QString::fromUtf8(name)});
            values << QString::number(values.size());
        }
        Row row;
        for (const QString& v : values)
            row.push_back(FieldValue(v));
        Recordset rs = recordset(fields, {row});
        const Parsed p = saved(rs);
        EXPECT_EQ(p.schemaNames, c.attributes);
        Attributes expected;
        for (int i = 0; i < c.attributes.size(); ++i) {
            expected[c.attributes[i]] = values[i];
            if (c.attributes[i] != fields[std::size_t(i)].name) {
                EXPECT_EQ(p.realNames.at(c.attributes[i]), fields[std::size_t(i)].name);
            }
        }
        EXPECT_EQ(p.rows, std::vector<Attributes>{expected});
    }
}

TEST(RowsetXml, ControlCharactersDoNotBreakTheDocument) {
    Recordset rs = recordset({{"V"}}, {{FieldValue(QStringLiteral("a\x01"
                                                                  "b\tc\nd"))}});
    EXPECT_EQ(saved(rs).rows,
              (std::vector<Attributes>{{{"V", QStringLiteral("a") + QChar(0xFFFD) + "b\tc\nd"}}}));
}
