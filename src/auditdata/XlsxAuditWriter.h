#pragma once

#include "auditdata/AuditWriter.h"

#include <QByteArray>
#include <QString>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace quorvex {

// The spreadsheet export: a workbook file with one sheet named after the audit, the field
// names in row 1 and one record per row from row 2, in field order. Numbers are written as
// numbers and dates, times and date-times as dates, after the field's kind; a value that would
// not survive the conversion (more digits than a spreadsheet number keeps, a date before 1900,
// text that does not read as its kind) is written as text, so nothing is altered. NULL leaves
// the cell empty.
//
// Rows go to the file as they come (the library's constant-memory mode), so memory stays flat.
// A sheet holds at most recordLimit() records; one more is a failure, as is a text longer than
// a cell holds: an export that cannot be complete fails rather than cut the data.
//
// The workbook is written to `path` only by end(); a writer destroyed before that writes
// nothing.
class XlsxAuditWriter : public AuditWriter {
public:
    // Rows of a sheet, less the header row.
    static constexpr qint64 MaxRecords = 1048575;
    // Characters of one cell.
    static constexpr qsizetype MaxCellText = 32767;

    XlsxAuditWriter(QString path, QString sheetName);
    ~XlsxAuditWriter() override;
    XlsxAuditWriter(const XlsxAuditWriter&) = delete;
    XlsxAuditWriter& operator=(const XlsxAuditWriter&) = delete;

    // Fewer records than a sheet holds, to try the limit without a million rows.
    void setRecordLimit(qint64 limit) { m_recordLimit = limit; }
    qint64 recordLimit() const { return m_recordLimit; }

    void begin(const std::vector<FieldInfo>& fields) override;
    void row(const Row& values) override;
    void end() override;

private:
    void writeCell(int column, const QString& text);
    void writeText(int column, const QString& text);
    void check(int status, const QString& what);
    void discard() noexcept;

    QString m_path;
    QString m_sheetName;
    QByteArray m_pathBytes; // kept alive for the library until the workbook is closed
    lxw_workbook* m_workbook = nullptr;
    lxw_worksheet* m_sheet = nullptr;
    lxw_format* m_dateFormat = nullptr;
    lxw_format* m_timeFormat = nullptr;
    lxw_format* m_dateTimeFormat = nullptr;
    std::vector<FieldInfo> m_fields;
    qint64 m_recordLimit = MaxRecords;
    qint64 m_records = 0;
};

} // namespace quorvex
