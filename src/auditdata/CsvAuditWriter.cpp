#include "auditdata/CsvAuditWriter.h"

#include "auditdata/ExportError.h"

#include <QCoreApplication>
#include <QIODevice>

namespace quorvex {

namespace {

// Written to the device in pieces of about this size: few system calls, little memory.
constexpr qsizetype flushThreshold = 256 * 1024;

bool needsQuotes(QStringView value) {
    for (const QChar c : value) {
        const char16_t u = c.unicode();
        if (u == u',' || u == u'"' || u == u'\r' || u == u'\n')
            return true;
    }
    return false;
}

// UTF-16 to UTF-8 straight into the buffer, without a temporary per value; a lone surrogate
// becomes U+FFFD.
void appendUtf8(QByteArray& out, QStringView text) {
    const qsizetype start = out.size();
    out.resize(start + text.size() * 3);
    auto* p = reinterpret_cast<unsigned char*>(out.data() + start);
    const char16_t* s = text.utf16();
    const char16_t* const end = s + text.size();
    while (s < end) {
        char32_t u = *s++;
        if (u < 0x80) {
            *p++ = static_cast<unsigned char>(u);
            continue;
        }
        if (u >= 0xD800 && u < 0xDC00 && s < end && *s >= 0xDC00 && *s < 0xE000) {
            u = 0x10000 + ((u - 0xD800) << 10) + (char32_t(*s++) - 0xDC00);
        } else if (u >= 0xD800 && u < 0xE000) {
            u = 0xFFFD;
        }
        if (u < 0x800) {
            *p++ = static_cast<unsigned char>(0xC0 | (u >> 6));
            *p++ = static_cast<unsigned char>(0x80 | (u & 0x3F));
        } else if (u < 0x10000) {
            *p++ = static_cast<unsigned char>(0xE0 | (u >> 12));
            *p++ = static_cast<unsigned char>(0x80 | ((u >> 6) & 0x3F));
            *p++ = static_cast<unsigned char>(0x80 | (u & 0x3F));
        } else {
            // Four bytes from two UTF-16 units: still within the three bytes reserved per unit.
            *p++ = static_cast<unsigned char>(0xF0 | (u >> 18));
            *p++ = static_cast<unsigned char>(0x80 | ((u >> 12) & 0x3F));
            *p++ = static_cast<unsigned char>(0x80 | ((u >> 6) & 0x3F));
            *p++ = static_cast<unsigned char>(0x80 | (u & 0x3F));
        }
    }
    out.resize(reinterpret_cast<char*>(p) - out.data());
}

} // namespace

CsvAuditWriter::CsvAuditWriter(QIODevice& out) : m_out(out) {
    m_buffer.reserve(flushThreshold + 64 * 1024);
}

const QString& CsvAuditWriter::nullText() {
    static const QString text = QStringLiteral("(NULL)");
    return text;
}

void CsvAuditWriter::appendField(QStringView value) {
    if (!needsQuotes(value)) {
        appendUtf8(m_buffer, value);
        return;
    }
    m_buffer.append('"');
    qsizetype from = 0;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == u'"') {
            appendUtf8(m_buffer, value.mid(from, i - from + 1));
            m_buffer.append('"');
            from = i + 1;
        }
    }
    appendUtf8(m_buffer, value.mid(from));
    m_buffer.append('"');
}

void CsvAuditWriter::appendLineEnd() {
    m_buffer.append("\r\n", 2);
    if (m_buffer.size() >= flushThreshold)
        flush();
}

void CsvAuditWriter::begin(const std::vector<FieldInfo>& fields) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            m_buffer.append(',');
        appendField(fields[i].name);
    }
    appendLineEnd();
}

void CsvAuditWriter::row(const Row& values) {
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0)
            m_buffer.append(',');
        appendField(values[i] ? QStringView(*values[i]) : QStringView(nullText()));
    }
    appendLineEnd();
}

void CsvAuditWriter::end() {
    m_buffer.append("\r\n", 2);
    flush();
}

void CsvAuditWriter::flush() {
    if (m_buffer.isEmpty())
        return;
    if (m_out.write(m_buffer) != m_buffer.size())
        throw ExportError(QCoreApplication::translate("CsvAuditWriter", "The file could not be "
                                                                        "written: %1")
                              .arg(m_out.errorString()));
    m_buffer.resize(0);
}

} // namespace quorvex
