// The three file writers: the CSV layout (header, CR LF lines, "(NULL)", a final empty line,
// quoting of values that would break the columns); an XML document that parses and holds every
// field and row intact; a real workbook whose cells keep their values and types.
#include "auditdata/CsvAuditWriter.h"
#include "auditdata/ExportError.h"
#include "auditdata/XlsxAuditWriter.h"
#include "auditdata/XmlAuditWriter.h"

#include "AuditDataTesting.h"
#include "XlsxContents.h"
#include "support/FakeDatabase.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
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

class XlsxAuditWriterTest : public ::testing::Test {
protected:
    QString write(const QString& sheet, const std::vector<FieldInfo>& fields,
                  const std::vector<Row>& rows) {
        const QString path = m_dir.filePath(QStringLiteral("out.xlsx"));
        XlsxAuditWriter writer(path, sheet);
        writer.begin(fields);
        for (const Row& row : rows)
            writer.row(row);
        writer.end();
        return path;
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST(CsvAuditWriter, LayoutAndQuoting) {
    const std::vector<FieldInfo> abc{auditField("A"), auditField("B"), auditField("C")};
    struct Case {
        const char* behaviour;
        std::vector<FieldInfo> fields;
        std::vector<Row> rows;
        QByteArray csv;
    };
    const Case cases[] = {
        {"header, records, NULL and the final empty line",
         ordersAuditFields(),
         {textRow({"1001", "5", "2026-12-06 11:38:56", "sa"}),
          textRow({"1002", nullptr, "2026-12-06 11:39:00", "sa"})},
         "ORDER_NO,QTY,AuditDate,UserName\r\n1001,5,2026-12-06 11:38:56,sa\r\n"
         "1002,(NULL),2026-12-06 11:39:00,sa\r\n\r\n"},
        {"empty table", ordersAuditFields(), {}, "ORDER_NO,QTY,AuditDate,UserName\r\n\r\n"},
        {"breaking values are quoted with inner quotes doubled",
         {auditField("A"), auditField("B"), auditField("C"), auditField("D"), auditField("E")},
         {textRow({"Smith, John", "say \"hi\"", "two\r\nlines", "cr\ronly", "lf\nonly"})},
         "A,B,C,D,E\r\n\"Smith, John\",\"say \"\"hi\"\"\",\"two\r\nlines\",\"cr\ronly\","
         "\"lf\nonly\"\r\n\r\n"},
        {"empty text is told apart from NULL",
         abc,
         {textRow({"", nullptr, ""})},
         "A,B,C\r\n,(NULL),\r\n\r\n"},
        {"plain values and blanks unchanged",
         {auditField("A"), auditField("B")},
         {textRow({"  padded  ", "semi;colon 'single' quotes"})},
         "A,B\r\n  padded  ,semi;colon 'single' quotes\r\n\r\n"},
        {"non-ASCII as UTF-8",
         {auditField("Größe"), auditField("名前")},
         {textRow({"Müller, Zoë", "東京 😀"})},
         "Größe,名前\r\n\"Müller, Zoë\",東京 😀\r\n\r\n"},
        {"field names are quoted too",
         {auditField("a,b"), auditField("c")},
         {},
         "\"a,b\",c\r\n\r\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(written<CsvAuditWriter>(c.fields, c.rows).toStdString(), c.csv.toStdString())
            << c.behaviour;
}

TEST(CsvAuditWriter, LargeOutputArrivesWholeAcrossBufferFlushes) {
    std::vector<Row> rows;
    QByteArray expected("N,T\r\n");
    for (int i = 0; i < 20000; ++i) {
        const QString text = QStringLiteral("value number %1 with some padding é").arg(i);
        rows.push_back(Row{FieldValue(QString::number(i)), FieldValue(text)});
        expected += QString::number(i).toUtf8() + ',' + text.toUtf8() + "\r\n";
    }
    expected += "\r\n";
    const QByteArray csv = written<CsvAuditWriter>({auditField("N"), auditField("T")}, rows);
    EXPECT_EQ(csv.size(), expected.size());
    EXPECT_EQ(csv, expected);
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

TEST(XmlAuditWriter, DocumentHoldsEveryFieldAndEveryRowWithNullsLeftOut) {
    const Document d = read(written<XmlAuditWriter>(
        ordersAuditFields(), {textRow({"1001", "5", "2026-12-06 11:38:56", "sa"}),
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
    const Document d = read(written<XmlAuditWriter>(
        {auditField("A"), auditField("B"), auditField("C"), auditField("D")},
        {textRow({"<tag> & \"quotes\" 'apos'", "two\nlines, comma", "Zoë 東京 😀", ""})}));
    ASSERT_EQ(d.error, QString());
    ASSERT_EQ(d.rows.size(), 1u);
    EXPECT_EQ(d.rows[0], (Values{{"A", "<tag> & \"quotes\" 'apos'"},
                                 {"B", "two\nlines, comma"},
                                 {"C", "Zoë 東京 😀"},
                                 {"D", ""}}));
}

TEST(XmlAuditWriter, EmptyTableGivesSchemaAndNoRows) {
    const Document d = read(written<XmlAuditWriter>(ordersAuditFields(), {}));
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

TEST_F(XlsxAuditWriterTest, SheetIsNamedAfterTheAuditWithHeaderThenOneRecordPerRow) {
    const XlsxContents x =
        XlsxContents::read(write(QStringLiteral("ORDERS"), ordersAuditFields(),
                                 {textRow({"1001", "5", "2026-12-06 11:38:56", "sa"}),
                                  textRow({"1002", "7.25", "2026-12-07 00:00:00", "dbo"})}));
    ASSERT_EQ(x.error, QString());
    EXPECT_EQ(x.sheetNames, QStringList{"ORDERS"});
    EXPECT_EQ(x.rowCount, 3);
    EXPECT_EQ(x.rowValues(1), (QStringList{"ORDER_NO", "QTY", "AuditDate", "UserName"}));
    EXPECT_EQ(x.cells.value("A2"), (XlsxCell{"", "", "1001"}));
    EXPECT_EQ(x.cells.value("B3"), (XlsxCell{"", "", "7.25"}));
    EXPECT_EQ(x.cells.value("D3"), (XlsxCell{"inlineStr", "", "dbo"}));
}

TEST_F(XlsxAuditWriterTest, DatesTimesAndDateTimesAreSpreadsheetDates) {
    const XlsxContents x = XlsxContents::read(
        write(QStringLiteral("D"),
              {auditField("D", FieldKind::Date), auditField("T", FieldKind::Time),
               auditField("DT", FieldKind::DateTime)},
              {textRow({"2024-01-02", "12:00:00", "2024-01-02 03:04:05.500"})}));
    ASSERT_EQ(x.error, QString());
    // Serial days from 1899-12-30: 2024-01-02 is 45293; noon is half a day.
    EXPECT_EQ(x.cells.value("A2").value, QStringLiteral("45293"));
    EXPECT_EQ(x.cells.value("B2").value, QStringLiteral("0.5"));
    EXPECT_DOUBLE_EQ(x.cells.value("C2").value.toDouble(),
                     45293.0 + (3 * 3600 + 4 * 60 + 5.5) / 86400.0);
    // Each carries a date format, so the spreadsheet shows a date, not a number.
    EXPECT_NE(x.cells.value("A2").style, QString());
    EXPECT_NE(x.cells.value("B2").style, QString());
    EXPECT_NE(x.cells.value("C2").style, QString());
}

TEST_F(XlsxAuditWriterTest, ValuesADoubleCannotHoldExactlyStayText) {
    const XlsxContents x = XlsxContents::read(write(
        QStringLiteral("N"),
        {auditField("BIG", FieldKind::BigInt), auditField("DEC", FieldKind::Decimal),
         auditField("OLD", FieldKind::DateTime), auditField("ODD", FieldKind::Integer)},
        {textRow({"9223372036854775807", "12345678901234.5678", "1753-01-01 00:00:00", "n/a"}),
         textRow({"9007199254740", "00012.5000", "2024-02-29 23:59:59", "-42"})}));
    ASSERT_EQ(x.error, QString());
    EXPECT_EQ(x.cells.value("A2"), (XlsxCell{"inlineStr", "", "9223372036854775807"}));
    EXPECT_EQ(x.cells.value("B2"), (XlsxCell{"inlineStr", "", "12345678901234.5678"}));
    EXPECT_EQ(x.cells.value("C2"), (XlsxCell{"inlineStr", "", "1753-01-01 00:00:00"}));
    EXPECT_EQ(x.cells.value("D2"), (XlsxCell{"inlineStr", "", "n/a"}));
    EXPECT_EQ(x.cells.value("A3"), (XlsxCell{"", "", "9007199254740"}));
    EXPECT_EQ(x.cells.value("B3"), (XlsxCell{"", "", "12.5"}));
    EXPECT_EQ(x.cells.value("D3"), (XlsxCell{"", "", "-42"}));
}

TEST_F(XlsxAuditWriterTest, OnlyPlainDecimalsBecomeNumbers) {
    const XlsxContents x = XlsxContents::read(write(
        QStringLiteral("N"), {auditField("DEC", FieldKind::Decimal)},
        {textRow({".5"}), textRow({"0.000000000000000001"}), textRow({"1E5"}), textRow({"12.34.5"}),
         textRow({"-"}), textRow({"123456789012345.000"}), textRow({"1234567890123456"})}));
    ASSERT_EQ(x.error, QString());
    EXPECT_EQ(x.cells.value("A2"), (XlsxCell{"", "", "0.5"}));
    EXPECT_EQ(x.cells.value("A3"), (XlsxCell{"", "", "1E-18"}));
    EXPECT_EQ(x.cells.value("A4"), (XlsxCell{"inlineStr", "", "1E5"}));
    EXPECT_EQ(x.cells.value("A5"), (XlsxCell{"inlineStr", "", "12.34.5"}));
    EXPECT_EQ(x.cells.value("A6"), (XlsxCell{"inlineStr", "", "-"}));
    EXPECT_EQ(x.cells.value("A7"), (XlsxCell{"", "", "123456789012345"}));
    EXPECT_EQ(x.cells.value("A8"), (XlsxCell{"inlineStr", "", "1234567890123456"}));
}

TEST_F(XlsxAuditWriterTest, DateTextsInOtherShapesAreReadOrKeptAsText) {
    const XlsxContents x = XlsxContents::read(
        write(QStringLiteral("D"),
              {auditField("DT", FieldKind::DateTime), auditField("T", FieldKind::Time)},
              {textRow({"2024-01-02", "06:00"}), textRow({"2024-01-02T12:00:00", "23:59:59.5"}),
               textRow({"2024-13-01 00:00:00", "24:00:00"}), textRow({"02/01/2024", "noon"})}));
    ASSERT_EQ(x.error, QString());
    EXPECT_EQ(x.cells.value("A2").value, QStringLiteral("45293"));
    EXPECT_EQ(x.cells.value("B2").value, QStringLiteral("0.25"));
    EXPECT_EQ(x.cells.value("A3").value, QStringLiteral("45293.5"));
    EXPECT_DOUBLE_EQ(x.cells.value("B3").value.toDouble(), (86400.0 - 0.5) / 86400.0);
    EXPECT_EQ(x.cells.value("A4"), (XlsxCell{"inlineStr", "", "2024-13-01 00:00:00"}));
    EXPECT_EQ(x.cells.value("B4"), (XlsxCell{"inlineStr", "", "24:00:00"}));
    EXPECT_EQ(x.cells.value("A5"), (XlsxCell{"inlineStr", "", "02/01/2024"}));
    EXPECT_EQ(x.cells.value("B5"), (XlsxCell{"inlineStr", "", "noon"}));
}

TEST_F(XlsxAuditWriterTest, NullLeavesTheCellEmptyAndTextKeepsQuotesCommasAndNonAscii) {
    const XlsxContents x = XlsxContents::read(
        write(QStringLiteral("T"), {auditField("A"), auditField("B"), auditField("C")},
              {textRow({"Müller, \"Zoë\" <&>", nullptr, "東京\nline"})}));
    ASSERT_EQ(x.error, QString());
    EXPECT_EQ(x.cells.value("A2").value, QStringLiteral("Müller, \"Zoë\" <&>"));
    EXPECT_FALSE(x.cells.contains("B2"));
    EXPECT_EQ(x.cells.value("C2").value, QStringLiteral("東京\nline"));
}

TEST_F(XlsxAuditWriterTest, BooleansAreSpreadsheetBooleans) {
    const XlsxContents x =
        XlsxContents::read(write(QStringLiteral("B"), {auditField("F", FieldKind::Boolean)},
                                 {textRow({"1"}), textRow({"0"})}));
    EXPECT_EQ(x.cells.value("A2"), (XlsxCell{"b", "", "1"}));
    EXPECT_EQ(x.cells.value("A3"), (XlsxCell{"b", "", "0"}));
}

TEST_F(XlsxAuditWriterTest, EmptyTableGivesTheHeaderRowAlone) {
    const XlsxContents x =
        XlsxContents::read(write(QStringLiteral("ZOTA_EMPTY"), ordersAuditFields(), {}));
    ASSERT_EQ(x.error, QString());
    EXPECT_EQ(x.sheetNames, QStringList{"ZOTA_EMPTY"});
    EXPECT_EQ(x.rowCount, 1);
    EXPECT_EQ(x.rowValues(1), (QStringList{"ORDER_NO", "QTY", "AuditDate", "UserName"}));
}

TEST_F(XlsxAuditWriterTest, OneRecordMoreThanASheetHoldsIsAFailureNotACut) {
    EXPECT_EQ(XlsxAuditWriter::MaxRecords, 1048575); // a sheet's rows less the header
    const QString path = m_dir.filePath(QStringLiteral("limit.xlsx"));
    XlsxAuditWriter writer(path, QStringLiteral("L"));
    writer.setRecordLimit(3);
    writer.begin({auditField("N", FieldKind::Integer)});
    for (int i = 0; i < 3; ++i)
        writer.row(textRow({"1"}));
    try {
        writer.row(textRow({"1"}));
        FAIL() << "the fourth record was taken";
    } catch (const ExportError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("The audit holds more than 3 records, more than a "
                                              "worksheet can take. Export it to CSV or XML "
                                              "instead."));
    }
}

TEST_F(XlsxAuditWriterTest, TextLongerThanACellHoldsIsAFailure) {
    const QString path = m_dir.filePath(QStringLiteral("long.xlsx"));
    XlsxAuditWriter writer(path, QStringLiteral("L"));
    writer.begin({auditField("MEMO")});
    writer.row(Row{FieldValue(QString(XlsxAuditWriter::MaxCellText, u'x'))});
    EXPECT_THROW(writer.row(Row{FieldValue(QString(XlsxAuditWriter::MaxCellText + 1, u'x'))}),
                 ExportError);
}

TEST_F(XlsxAuditWriterTest, NameASheetCannotTakeIsReported) {
    const QString path = m_dir.filePath(QStringLiteral("bad.xlsx"));
    XlsxAuditWriter writer(path, QStringLiteral("a name far longer than thirty-one characters"));
    EXPECT_THROW(writer.begin(ordersAuditFields()), ExportError);
}

TEST_F(XlsxAuditWriterTest, WriterDroppedBeforeTheEndWritesNoFileAndKeepsNoFileOpen) {
    const QString path = m_dir.filePath(QStringLiteral("dropped.xlsx"));
    const auto openFiles = [] {
        return QDir(QStringLiteral("/proc/self/fd"))
            .entryList(QDir::AllEntries | QDir::System)
            .size();
    };
    const qsizetype before = openFiles();
    for (int i = 0; i < 3; ++i) {
        XlsxAuditWriter writer(path, QStringLiteral("D"));
        writer.begin(ordersAuditFields());
        writer.row(textRow({"1", "2", "2024-01-01 00:00:00", "sa"}));
    }
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(openFiles(), before);
}
