#include "auditdata/XlsxAuditWriter.h"

#include "auditdata/ExportError.h"

#include <QCoreApplication>
#include <QDir>
#include <cmath>
#include <cstdio>
#include <xlsxwriter.h>

namespace quorvex {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("XlsxAuditWriter", text);
}

// A spreadsheet number is a double: 15 significant digits survive the trip, more do not.
constexpr int exactDigits = 15;

bool isDigit(QChar c) {
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

// The value as a number when the text is a plain decimal number ("-12.50") that a double keeps
// exactly enough (at most 15 significant digits); nothing otherwise. Read by hand: it runs for
// every numeric cell.
std::optional<double> exactNumber(QStringView text, FieldKind kind) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    if (kind == FieldKind::Float)
        return value; // approximate already: the driver's text is a double's rendering
    QStringView digits = text;
    if (!digits.isEmpty() && (digits[0] == u'-' || digits[0] == u'+'))
        digits = digits.mid(1);
    const qsizetype point = digits.indexOf(u'.');
    QStringView whole = point < 0 ? digits : digits.left(point);
    QStringView fraction = point < 0 ? QStringView() : digits.mid(point + 1);
    if (whole.isEmpty() && fraction.isEmpty())
        return std::nullopt;
    for (const QStringView part : {whole, fraction}) {
        for (const QChar c : part) {
            if (!isDigit(c))
                return std::nullopt; // an exponent or anything else: not plain
        }
    }
    while (!whole.isEmpty() && whole.front() == u'0')
        whole = whole.mid(1);
    while (!fraction.isEmpty() && fraction.back() == u'0')
        fraction.chop(1);
    if (whole.isEmpty()) {
        while (!fraction.isEmpty() && fraction.front() == u'0')
            fraction = fraction.mid(1);
    }
    if (whole.size() + fraction.size() > exactDigits)
        return std::nullopt;
    return value;
}

// The number of `count` digits at `at`, or -1.
int digitsAt(QStringView text, qsizetype at, int count) {
    if (at + count > text.size())
        return -1;
    int n = 0;
    for (int k = 0; k < count; ++k) {
        const QChar c = text[at + k];
        if (!isDigit(c))
            return -1;
        n = n * 10 + (c.unicode() - u'0');
    }
    return n;
}

// "hh:mm[:ss[.fff]]" from `at` to the end of the text.
bool readTime(QStringView text, qsizetype at, lxw_datetime& dt) {
    dt.hour = digitsAt(text, at, 2);
    dt.min = digitsAt(text, at + 3, 2);
    if (dt.hour < 0 || dt.min < 0 || text[at + 2] != u':')
        return false;
    if (at + 5 == text.size()) {
        dt.sec = 0;
    } else {
        if (text[at + 5] != u':' || digitsAt(text, at + 6, 2) < 0)
            return false;
        const QStringView seconds = text.mid(at + 6);
        for (qsizetype k = 2; k < seconds.size(); ++k) {
            if (!(k == 2 ? seconds[k] == u'.' : isDigit(seconds[k])))
                return false;
        }
        bool ok = false;
        dt.sec = seconds.toDouble(&ok);
        if (!ok)
            return false;
    }
    return dt.hour <= 23 && dt.min <= 59 && dt.sec < 60.0;
}

// "YYYY-MM-DD", "hh:mm:ss[.fff]" or both separated by a blank or "T"; nothing when the text
// is something else or names a date a spreadsheet cannot show (before 1900).
std::optional<lxw_datetime> parseDateTime(QStringView text, FieldKind kind) {
    lxw_datetime dt{};
    if (kind == FieldKind::Time) {
        if (text.size() < 5 || !readTime(text, 0, dt))
            return std::nullopt;
        return dt;
    }
    // A date column of a driver that adds a midnight time, or the other way round, reads too.
    if (text.size() < 10 || text[4] != u'-' || text[7] != u'-')
        return std::nullopt;
    dt.year = digitsAt(text, 0, 4);
    dt.month = digitsAt(text, 5, 2);
    dt.day = digitsAt(text, 8, 2);
    if (dt.year < 1900 || dt.month < 1 || dt.month > 12 || dt.day < 1 || dt.day > 31)
        return std::nullopt;
    if (text.size() == 10)
        return dt;
    if ((text[10] != u' ' && text[10] != u'T') || text.size() < 16 || !readTime(text, 11, dt))
        return std::nullopt;
    return dt;
}

std::optional<bool> parseBoolean(QStringView text) {
    if (text == u"1" || text.compare(u"true", Qt::CaseInsensitive) == 0)
        return true;
    if (text == u"0" || text.compare(u"false", Qt::CaseInsensitive) == 0)
        return false;
    return std::nullopt;
}

} // namespace

XlsxAuditWriter::XlsxAuditWriter(QString path, QString sheetName)
    : m_path(std::move(path)), m_sheetName(std::move(sheetName)) {}

XlsxAuditWriter::~XlsxAuditWriter() {
    discard();
}

void XlsxAuditWriter::discard() noexcept {
    // Frees the workbook without writing it: a failed export leaves no file behind. The
    // library's free leaves the sheet's row spill file open, so it is closed here first.
    if (m_sheet != nullptr && m_sheet->optimize_tmpfile != nullptr) {
        std::fclose(m_sheet->optimize_tmpfile);
        m_sheet->optimize_tmpfile = nullptr;
    }
    if (m_workbook != nullptr)
        lxw_workbook_free(m_workbook);
    m_workbook = nullptr;
    m_sheet = nullptr;
}

void XlsxAuditWriter::check(int status, const QString& what) {
    if (status == LXW_NO_ERROR)
        return;
    throw ExportError(
        QStringLiteral("%1: %2").arg(what, QString::fromUtf8(lxw_strerror(lxw_error(status)))));
}

void XlsxAuditWriter::begin(const std::vector<FieldInfo>& fields) {
    discard();
    m_fields = fields;
    m_records = 0;
    if (fields.size() > std::size_t(LXW_COL_MAX))
        throw ExportError(tr("The audit has %1 fields; a worksheet holds at most %2 columns.")
                              .arg(fields.size())
                              .arg(LXW_COL_MAX));

    m_pathBytes = QFile::encodeName(m_path);
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    m_workbook = workbook_new_opt(m_pathBytes.constData(), &options);
    if (m_workbook == nullptr)
        throw ExportError(
            tr("The workbook %1 could not be created.").arg(QDir::toNativeSeparators(m_path)));

    const QByteArray sheet = m_sheetName.toUtf8();
    check(workbook_validate_sheet_name(m_workbook, sheet.constData()),
          tr("\"%1\" cannot name a worksheet").arg(m_sheetName));
    m_sheet = workbook_add_worksheet(m_workbook, sheet.constData());
    if (m_sheet == nullptr)
        throw ExportError(tr("The worksheet \"%1\" could not be added.").arg(m_sheetName));

    m_dateFormat = workbook_add_format(m_workbook);
    format_set_num_format(m_dateFormat, "yyyy-mm-dd");
    m_timeFormat = workbook_add_format(m_workbook);
    format_set_num_format(m_timeFormat, "hh:mm:ss");
    m_dateTimeFormat = workbook_add_format(m_workbook);
    format_set_num_format(m_dateTimeFormat, "yyyy-mm-dd hh:mm:ss");

    for (std::size_t i = 0; i < fields.size(); ++i)
        writeText(int(i), fields[i].name);
}

void XlsxAuditWriter::writeText(int column, const QString& text) {
    if (text.size() > MaxCellText)
        throw ExportError(tr("Record %1, field %2 holds %3 characters; a worksheet cell holds at "
                             "most %4. Export this audit to CSV or XML instead.")
                              .arg(m_records)
                              .arg(m_fields[std::size_t(column)].name)
                              .arg(text.size())
                              .arg(MaxCellText));
    const QByteArray bytes = text.toUtf8();
    check(worksheet_write_string(m_sheet, lxw_row_t(m_records), lxw_col_t(column),
                                 bytes.constData(), nullptr),
          tr("The worksheet could not be written"));
}

void XlsxAuditWriter::writeCell(int column, const QString& text) {
    const lxw_row_t row = lxw_row_t(m_records);
    const lxw_col_t col = lxw_col_t(column);
    const FieldKind kind = m_fields[std::size_t(column)].kind;
    switch (kind) {
    case FieldKind::Integer:
    case FieldKind::BigInt:
    case FieldKind::Decimal:
    case FieldKind::Float:
        if (const auto number = exactNumber(text, kind)) {
            check(worksheet_write_number(m_sheet, row, col, *number, nullptr),
                  tr("The worksheet could not be written"));
            return;
        }
        break;
    case FieldKind::Boolean:
        if (const auto flag = parseBoolean(text)) {
            check(worksheet_write_boolean(m_sheet, row, col, *flag ? 1 : 0, nullptr),
                  tr("The worksheet could not be written"));
            return;
        }
        break;
    case FieldKind::Date:
    case FieldKind::Time:
    case FieldKind::DateTime:
        if (auto dt = parseDateTime(text, kind)) {
            lxw_format* format = kind == FieldKind::Time   ? m_timeFormat
                                 : kind == FieldKind::Date ? m_dateFormat
                                                           : m_dateTimeFormat;
            check(worksheet_write_datetime(m_sheet, row, col, &*dt, format),
                  tr("The worksheet could not be written"));
            return;
        }
        break;
    case FieldKind::Text:
    case FieldKind::Binary:
    case FieldKind::Guid:
        break;
    }
    writeText(column, text);
}

void XlsxAuditWriter::row(const Row& values) {
    if (m_sheet == nullptr)
        throw ExportError(tr("The worksheet is not open."));
    if (m_records >= m_recordLimit)
        throw ExportError(tr("The audit holds more than %1 records, more than a worksheet can "
                             "take. Export it to CSV or XML instead.")
                              .arg(m_recordLimit));
    ++m_records; // row 0 holds the field names
    for (std::size_t i = 0; i < values.size() && i < m_fields.size(); ++i) {
        if (values[i])
            writeCell(int(i), *values[i]);
    }
}

void XlsxAuditWriter::end() {
    if (m_workbook == nullptr)
        throw ExportError(tr("The worksheet is not open."));
    lxw_workbook* workbook = m_workbook;
    m_workbook = nullptr; // closing frees it, whatever the outcome
    m_sheet = nullptr;
    check(workbook_close(workbook),
          tr("The workbook %1 could not be written").arg(QDir::toNativeSeparators(m_path)));
}

} // namespace quorvex
