// An export is all or nothing: the file appears complete at its place, or not at all, and an
// older file of the same name survives every failure.
#include "auditdata/AuditExporter.h"
#include "auditdata/XlsxAuditWriter.h"
#include "components/MemoryRowSource.h"
#include "components/Recordset.h"

#include "AuditDataTesting.h"
#include "XlsxContents.h"
#include "components/DbException.h"
#include "components/IRowSource.h"
#include "support/ExportedFiles.h"
#include "support/FakeDatabase.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quorvex;
using namespace quorvex::testing;

namespace {

// Some rows, then a connection lost in the middle of the result.
class RowsThenFailureSource : public IRowSource {
public:
    RowsThenFailureSource(std::vector<FieldInfo> fields, std::vector<Row> rows, DbErrorList failure)
        : m_fields(std::move(fields)), m_rows(std::move(rows)), m_failure(std::move(failure)) {}
    const std::vector<FieldInfo>& fields() const override { return m_fields; }
    bool fetch(Row& row) override {
        if (m_next >= m_rows.size())
            throw DbException(m_failure);
        row = m_rows[m_next++];
        return true;
    }

private:
    std::vector<FieldInfo> m_fields;
    std::vector<Row> m_rows;
    DbErrorList m_failure;
    std::size_t m_next = 0;
};

std::vector<Row> orderRows(int count) {
    std::vector<Row> rows;
    for (int i = 0; i < count; ++i)
        rows.push_back(Row{FieldValue(QString::number(1000 + i)), FieldValue(QStringLiteral("5")),
                           FieldValue(QStringLiteral("2026-12-06 11:38:56")),
                           FieldValue(QStringLiteral("sa"))});
    return rows;
}

Recordset rowsOf(int count) {
    return Recordset(std::make_unique<MemoryRowSource>(ordersAuditFields(), orderRows(count)));
}

Recordset rowsThenFailure(int count) {
    return Recordset(std::make_unique<RowsThenFailureSource>(
        ordersAuditFields(), orderRows(count),
        FakeDatabase::error(QStringLiteral("Communication link failure"), 0, "08S01")));
}

class AuditExporterTest : public ::testing::TestWithParam<ExportFormat> {
protected:
    QString target() const {
        const char* names[] = {"orders.CSV", "orders.xml", "ORDERS.xlsx"};
        return m_dir.filePath(QString(names[int(GetParam())]));
    }
    ExportResult run(Recordset& rows) {
        return AuditExporter(GetParam(), target(), QStringLiteral("ORDERS")).run(rows);
    }
    QStringList filesInFolder() const {
        return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }
    void writeOldFile() {
        QFile old(target());
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("the previous export");
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_P(AuditExporterTest, CompletedExportReplacesTheOldFileAndLeavesNothingElse) {
    writeOldFile();
    Recordset rows = rowsOf(300);
    const ExportResult result = run(rows);
    EXPECT_EQ(result.outcome, ExportResult::Outcome::Completed);
    EXPECT_EQ(result.records, 300);
    EXPECT_EQ(result.message, QString());
    EXPECT_NE(fileContents(target()), QByteArray("the previous export"));
    EXPECT_EQ(filesInFolder(), QStringList{QFileInfo(target()).fileName()});
}

TEST_P(AuditExporterTest, ReadFailingPartWayLeavesNoFileAndKeepsTheOldOne) {
    writeOldFile();
    Recordset rows = rowsThenFailure(700);
    const ExportResult result = run(rows);
    EXPECT_EQ(result.outcome, ExportResult::Outcome::Failed);
    EXPECT_EQ(result.records, 700);
    EXPECT_EQ(result.message, QStringLiteral("Communication link failure"));
    EXPECT_EQ(fileContents(target()), QByteArray("the previous export"));
    EXPECT_EQ(filesInFolder(), QStringList{QFileInfo(target()).fileName()});
}

std::string formatName(const ::testing::TestParamInfo<ExportFormat>& info) {
    const char* names[] = {"Csv", "Xml", "Xlsx"};
    return names[int(info.param)];
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, AuditExporterTest,
                         ::testing::Values(ExportFormat::Csv, ExportFormat::Xml,
                                           ExportFormat::Xlsx),
                         formatName);

TEST(AuditExporterXlsx, RecordsUpToTheSheetLimitArriveAndOneMoreFailsWithNoFile) {
    EXPECT_EQ(XlsxAuditWriter::MaxRecords, 1048575); // a sheet's rows less the header
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ORDERS.xlsx"));
    AuditExporter exporter(ExportFormat::Xlsx, path, QStringLiteral("ORDERS"));
    exporter.setRecordLimit(5);
    Recordset tooMany = rowsOf(6);
    const ExportResult result = exporter.run(tooMany);
    EXPECT_EQ(result.outcome, ExportResult::Outcome::Failed);
    EXPECT_EQ(result.message, QStringLiteral("The audit holds more than 5 records, more than a "
                                             "worksheet can take. Export it to CSV or XML "
                                             "instead."));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());

    Recordset five = rowsOf(5);
    AuditExporter again(ExportFormat::Xlsx, path, QStringLiteral("ORDERS"));
    again.setRecordLimit(5);
    ASSERT_EQ(again.run(five).outcome, ExportResult::Outcome::Completed);
    const XlsxContents x = XlsxContents::read(path);
    EXPECT_EQ(x.rowCount, 6);
    EXPECT_EQ(x.cells.value("A6").value, QStringLiteral("1004"));
}
