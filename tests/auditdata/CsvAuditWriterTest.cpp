// The CSV layout: header, one CR LF line per record, "(NULL)" for NULL, a final empty line;
// values that would break the columns are quoted.
#include "auditdata/CsvAuditWriter.h"
#include "auditdata/ExportError.h"

#include "AuditDataTesting.h"
#include "support/FakeDatabase.h"

#include <QBuffer>
#include <gtest/gtest.h>

using namespace quorvex;
using quorvex::testing::auditField;
using quorvex::testing::ordersAuditFields;
using quorvex::testing::textRow;

namespace {

QByteArray csvOf(const std::vector<FieldInfo>& fields, const std::vector<Row>& rows) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    CsvAuditWriter writer(buffer);
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

} // namespace

TEST(CsvAuditWriter, HeaderRecordsNullAndFinalEmptyLine) {
    const QByteArray csv =
        csvOf(ordersAuditFields(), {textRow({"1001", "5", "2026-12-06 11:38:56", "sa"}),
                                    textRow({"1002", nullptr, "2026-12-06 11:39:00", "sa"})});
    EXPECT_EQ(csv.toStdString(), "ORDER_NO,QTY,AuditDate,UserName\r\n"
                                 "1001,5,2026-12-06 11:38:56,sa\r\n"
                                 "1002,(NULL),2026-12-06 11:39:00,sa\r\n"
                                 "\r\n");
}

TEST(CsvAuditWriter, EmptyTableGivesHeaderThenEmptyLine) {
    EXPECT_EQ(csvOf(ordersAuditFields(), {}).toStdString(),
              "ORDER_NO,QTY,AuditDate,UserName\r\n\r\n");
}

TEST(CsvAuditWriter, ValuesThatWouldBreakColumnsAreQuotedWithInnerQuotesDoubled) {
    const std::vector<FieldInfo> fields{auditField("A"), auditField("B"), auditField("C"),
                                        auditField("D"), auditField("E")};
    const QByteArray csv = csvOf(
        fields, {textRow({"Smith, John", "say \"hi\"", "two\r\nlines", "cr\ronly", "lf\nonly"})});
    EXPECT_EQ(csv.toStdString(), "A,B,C,D,E\r\n"
                                 "\"Smith, John\",\"say \"\"hi\"\"\",\"two\r\nlines\","
                                 "\"cr\ronly\",\"lf\nonly\"\r\n"
                                 "\r\n");
}

TEST(CsvAuditWriter, EmptyTextStaysEmptyAndIsToldApartFromNull) {
    const QByteArray csv =
        csvOf({auditField("A"), auditField("B"), auditField("C")}, {textRow({"", nullptr, ""})});
    EXPECT_EQ(csv.toStdString(), "A,B,C\r\n,(NULL),\r\n\r\n");
}

TEST(CsvAuditWriter, PlainValuesAndBlanksAreWrittenUnchanged) {
    const QByteArray csv = csvOf({auditField("A"), auditField("B")},
                                 {textRow({"  padded  ", "semi;colon 'single' quotes"})});
    EXPECT_EQ(csv.toStdString(), "A,B\r\n  padded  ,semi;colon 'single' quotes\r\n\r\n");
}

TEST(CsvAuditWriter, NonAsciiTextIsWrittenAsUtf8) {
    const QByteArray csv =
        csvOf({auditField("Größe"), auditField("名前")}, {textRow({"Müller, Zoë", "東京 😀"})});
    EXPECT_EQ(csv, QByteArray("Größe,名前\r\n\"Müller, Zoë\",東京 😀\r\n\r\n"));
}

TEST(CsvAuditWriter, FieldNamesFollowTheSameQuotingRule) {
    EXPECT_EQ(csvOf({auditField("a,b"), auditField("c")}, {}).toStdString(), "\"a,b\",c\r\n\r\n");
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
    const QByteArray csv = csvOf({auditField("N"), auditField("T")}, rows);
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
