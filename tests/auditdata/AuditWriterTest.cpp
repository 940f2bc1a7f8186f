// The three file writers: the CSV layout and quoting, an XML document that holds every field and
// row intact, a workbook whose cells keep their values and types.
#include "auditdata/CsvAuditWriter.h"
#include "auditdata/ExportError.h"
#include "auditdata/XlsxAuditWriter.h"
#include "auditdata/XmlAuditWriter.h"

#include "AuditDataTesting.h"
#include "XlsxContents.h"
#include "support/FakeDatabase.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <gtest/gtest.h>
#include <map>

using namespace quorvex;
using namespace quorvex::testing;

namespace {

template <typename Writer>
QByteArray written(const std::vector<FieldInfo>& fields, const std::vector<Row>& rows) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    Writer writer(buffer);
    writer.begin(fields);
    for (const Row& row : rows)
        writer.row(row);
    writer.end();
    return buffer.data();
}
// A device that takes a few bytes and then refuses, like a full disk.
class FullDevice : public QIODevice {
public:
    explicit FullDevice(qint64 room) : m_room(room) { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 size) override {
        if (size > m_room) {
            setErrorString(QStringLiteral("No space left on device"));
            return -1;
        }
        m_room -= size;
        return size;
    }

private:
    qint64 m_room;
};

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

using Values = std::map<QString, QString>;

} // namespace

TEST(CsvAuditWriter, LayoutAndQuoting) {
    struct Case {
        const char* behaviour;
        std::vector<FieldInfo> fields;
        std::vector<Row> rows;
        QByteArray csv;
    };
    const Case cases[] = {
        {"header, records, NULL apart from empty text, and the final empty line",
         ordersAuditFields(),
         {textRow({"1001", "5", "2026-12-06 11:38:56", "sa"}),
          textRow({"1002", nullptr, "2026-12-06 11:39:00", ""})},
         "ORDER_NO,QTY,AuditDate,UserName\r\n1001,5,2026-12-06 11:38:56,sa\r\n"
         "1002,(NULL),2026-12-06 11:39:00,\r\n\r\n"},
        {"breaking values and names are quoted with inner quotes doubled",
         {auditField("a,b"), auditField("B"), auditField("C"), auditField("D"), auditField("E")},
         {textRow({"Smith, John", "say \"hi\"", "two\r\nlines", "cr\ronly", "lf\nonly"})},
         "\"a,b\",B,C,D,E\r\n\"Smith, John\",\"say \"\"hi\"\"\",\"two\r\nlines\",\"cr\ronly\","
         "\"lf\nonly\"\r\n\r\n"},
        {"non-ASCII as UTF-8",
         {auditField("Größe")},
         {textRow({"東京 😀"})},
         "Größe\r\n東京 😀\r\n\r\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(written<CsvAuditWriter>(c.fields, c.rows).toStdString(), c.csv.toStdString())
            << c.behaviour;
}

TEST(CsvAuditWriter, DeviceThatRefusesBytesIsReportedWithItsCause) {
    FullDevice device(100);
    CsvAuditWriter writer(device);
    writer.begin({auditField("T")});
    try {
        for (int i = 0; i < 100000; ++i)
            writer.row(textRow({"some text that fills the disk"}));
        writer.end();
        FAIL() << "the full device went unnoticed";
    } catch (const ExportError& e) {
        EXPECT_EQ(e.message(),
                  QStringLiteral("The file could not be written: No space left on device"));
    }
}

// A NULL is left out, an empty text kept.
TEST(XmlAuditWriter, DocumentHoldsEveryFieldAndEveryRowIntact) {
    const Document d = read(written<XmlAuditWriter>(
        {auditField("A"), auditField("B"), auditField("AuditDate", FieldKind::DateTime),
         auditField("D")},
        {textRow({"<tag> & \"quotes\" 'apos'", "two\nlines, comma", "2026-12-06 11:38:56", ""}),
         textRow({"Zoë 東京 😀", nullptr, "2026-12-06 11:39:00", "dbo"})}));
    ASSERT_EQ(d.error, QString());
    EXPECT_EQ(d.fields, (QStringList{"A", "B", "AuditDate", "D"}));
    ASSERT_EQ(d.rows.size(), 2u);
    EXPECT_EQ(d.rows[0], (Values{{"A", "<tag> & \"quotes\" 'apos'"},
                                 {"B", "two\nlines, comma"},
                                 {"AuditDate", "2026-12-06T11:38:56"},
                                 {"D", ""}}));
    EXPECT_EQ(d.rows[1],
              (Values{{"A", "Zoë 東京 😀"}, {"AuditDate", "2026-12-06T11:39:00"}, {"D", "dbo"}}));
}

// Dates as serial days with a date format, plain numbers as numbers, anything a double cannot
// hold exactly stays text.
TEST(XlsxAuditWriter, EachValueBecomesACellThatHoldsItExactly) {
    struct Case {
        FieldKind kind;
        const char* text; // nullptr: NULL
        const char* type;
        const char* value;
        bool dated = false;
        double days = 0; // compared as a double when set
    };
    const double noon = 45293.0 + (3 * 3600 + 4 * 60 + 5.5) / 86400.0;
    const Case cases[] = {
        {FieldKind::Date, "2024-01-02", "", "45293", true},
        {FieldKind::DateTime, "2024-01-02 03:04:05.500", "", "", true, noon},
        {FieldKind::Time, "23:59:59.5", "", "", true, (86400.0 - 0.5) / 86400.0},
        {FieldKind::DateTime, "2024-13-01 00:00:00", "inlineStr", "2024-13-01 00:00:00"},
        {FieldKind::DateTime, "1753-01-01 00:00:00", "inlineStr", "1753-01-01 00:00:00"},
        {FieldKind::BigInt, "9223372036854775807", "inlineStr", "9223372036854775807"},
        {FieldKind::Decimal, "12345678901234.5678", "inlineStr", "12345678901234.5678"},
        {FieldKind::Decimal, "00012.5000", "", "12.5"},
        {FieldKind::Decimal, "1E5", "inlineStr", "1E5"},
        {FieldKind::Integer, "n/a", "inlineStr", "n/a"},
        {FieldKind::Boolean, "1", "b", "1"},
        {FieldKind::Text, "Müller, \"Zoë\" <&>", "inlineStr", "Müller, \"Zoë\" <&>"},
        {FieldKind::Text, nullptr, "", ""},
    };
    std::vector<FieldInfo> fields;
    Row row;
    for (const Case& c : cases) {
        fields.push_back(auditField("F", c.kind));
        row.push_back(c.text ? FieldValue(QString::fromUtf8(c.text)) : FieldValue());
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.xlsx"));
    XlsxAuditWriter writer(path, QStringLiteral("ORDERS"));
    writer.begin(fields);
    writer.row(row);
    writer.end();
    const XlsxContents x = XlsxContents::read(path);
    ASSERT_EQ(x.error, QString());
    EXPECT_EQ(x.sheetNames, QStringList{"ORDERS"});
    EXPECT_EQ(x.rowCount, 2);
    EXPECT_EQ(x.cells.value("A1").value, QStringLiteral("F"));
    for (int i = 0; i < int(std::size(cases)); ++i) {
        const Case& c = cases[i];
        const QString ref = QChar(u'A' + i) + QStringLiteral("2");
        SCOPED_TRACE(ref.toStdString());
        if (!c.text) {
            EXPECT_FALSE(x.cells.contains(ref));
            continue;
        }
        const XlsxCell cell = x.cells.value(ref);
        EXPECT_EQ(cell.type, QString::fromUtf8(c.type));
        EXPECT_EQ(cell.style.isEmpty(), !c.dated);
        if (c.days != 0)
            EXPECT_DOUBLE_EQ(cell.value.toDouble(), c.days);
        else
            EXPECT_EQ(cell.value, QString::fromUtf8(c.value));
    }
}

TEST(XlsxAuditWriter, TextLongerThanACellHoldsIsAFailure) {
    QTemporaryDir dir;
    XlsxAuditWriter writer(dir.filePath(QStringLiteral("long.xlsx")), QStringLiteral("L"));
    writer.begin({auditField("MEMO")});
    writer.row(Row{FieldValue(QString(XlsxAuditWriter::MaxCellText, u'x'))});
    EXPECT_THROW(writer.row(Row{FieldValue(QString(XlsxAuditWriter::MaxCellText + 1, u'x'))}),
                 ExportError);
}
