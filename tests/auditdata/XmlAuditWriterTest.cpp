// The XML export: a document that parses and holds every field and every row, values intact.
#include "auditdata/XmlAuditWriter.h"
#include "auditdata/ExportError.h"

#include "AuditDataTesting.h"
#include "support/FakeDatabase.h"

#include <QBuffer>
#include <QXmlStreamReader>
#include <gtest/gtest.h>
#include <map>

using namespace quorvex;
using quorvex::testing::auditField;
using quorvex::testing::ordersAuditFields;
using quorvex::testing::textRow;

namespace {

const QString nsSchema = QStringLiteral("uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882");
const QString nsRow = QStringLiteral("#RowsetSchema");

struct Document {
    QStringList fields;
    std::vector<std::map<QString, QString>> rows;
    QString error;
};

Document read(const QByteArray& xml) {
    Document d;
    QXmlStreamReader r(xml);
    while (!r.atEnd()) {
        if (r.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (r.namespaceUri() == nsSchema && r.name() == u"AttributeType") {
            d.fields << r.attributes().value(QLatin1String("name")).toString();
        } else if (r.namespaceUri() == nsRow && r.name() == u"row") {
            std::map<QString, QString> row;
            for (const auto& a : r.attributes())
                row[a.name().toString()] = a.value().toString();
            d.rows.push_back(row);
        }
    }
    if (r.hasError())
        d.error = r.errorString();
    return d;
}

QByteArray xmlOf(const std::vector<FieldInfo>& fields, const std::vector<Row>& rows) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    XmlAuditWriter writer(buffer);
    writer.begin(fields);
    for (const Row& row : rows)
        writer.row(row);
    writer.end();
    return buffer.data();
}

using Values = std::map<QString, QString>;

} // namespace

TEST(XmlAuditWriter, DocumentHoldsEveryFieldAndEveryRowWithNullsLeftOut) {
    const Document d = read(
        xmlOf(ordersAuditFields(), {textRow({"1001", "5", "2026-12-06 11:38:56", "sa"}),
                                    textRow({"1002", nullptr, "2026-12-06 11:39:00", "dbo"})}));
    ASSERT_EQ(d.error, QString());
    EXPECT_EQ(d.fields, (QStringList{"ORDER_NO", "QTY", "AuditDate", "UserName"}));
    ASSERT_EQ(d.rows.size(), 2u);
    EXPECT_EQ(d.rows[0], (Values{{"ORDER_NO", "1001"},
                                 {"QTY", "5"},
                                 {"AuditDate", "2026-12-06T11:38:56"},
                                 {"UserName", "sa"}}));
    EXPECT_EQ(
        d.rows[1],
        (Values{{"ORDER_NO", "1002"}, {"AuditDate", "2026-12-06T11:39:00"}, {"UserName", "dbo"}}));
}

TEST(XmlAuditWriter, MarkupCharactersLineBreaksAndNonAsciiSurviveTheRoundTrip) {
    const Document d = read(
        xmlOf({auditField("A"), auditField("B"), auditField("C"), auditField("D")},
              {textRow({"<tag> & \"quotes\" 'apos'", "two\nlines, comma", "Zoë 東京 😀", ""})}));
    ASSERT_EQ(d.error, QString());
    ASSERT_EQ(d.rows.size(), 1u);
    EXPECT_EQ(d.rows[0], (Values{{"A", "<tag> & \"quotes\" 'apos'"},
                                 {"B", "two\nlines, comma"},
                                 {"C", "Zoë 東京 😀"},
                                 {"D", ""}}));
}

TEST(XmlAuditWriter, EmptyTableGivesSchemaAndNoRows) {
    const Document d = read(xmlOf(ordersAuditFields(), {}));
    ASSERT_EQ(d.error, QString());
    EXPECT_EQ(d.fields.size(), 4);
    EXPECT_TRUE(d.rows.empty());
}

TEST(XmlAuditWriter, ClosedDeviceIsReportedNotIgnored) {
    QBuffer buffer;
    buffer.open(QIODevice::ReadOnly); // writes fail
    XmlAuditWriter writer(buffer);
    EXPECT_THROW(writer.begin(ordersAuditFields()), ExportError);
}
