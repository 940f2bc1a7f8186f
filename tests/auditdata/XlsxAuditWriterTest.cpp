// The spreadsheet export: a real workbook with the audit's sheet, the header in row 1, one
// record per row, numbers and dates typed, and nothing cut or altered.
#include "auditdata/XlsxAuditWriter.h"
#include "auditdata/ExportError.h"

#include "AuditDataTesting.h"
#include "XlsxContents.h"
#include "support/FakeDatabase.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quorvex;
using quorvex::testing::auditField;
using quorvex::testing::ordersAuditFields;
using quorvex::testing::textRow;
using quorvex::testing::XlsxCell;
using quorvex::testing::XlsxContents;

namespace {

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
