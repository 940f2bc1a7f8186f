#pragma once

#include "auditdata/AuditWriter.h"

#include <QByteArray>
#include <QStringView>

class QIODevice;

namespace quorvex {

// The CSV layout of an audit export, in UTF-8: the field names joined by ",", then one line per
// record with NULL written as "(NULL)", every line ended by CR LF, then one more CR LF so the
// file ends with an empty line.
//
// A value (or field name) holding a comma, a double quote, CR or LF is written between double
// quotes with its inner quotes doubled (RFC 4180), so it stays one field; every other value is
// written as it is.
class CsvAuditWriter : public AuditWriter {
public:
    explicit CsvAuditWriter(QIODevice& out);

    void begin(const std::vector<FieldInfo>& fields) override;
    void row(const Row& values) override;
    void end() override;

    static const QString& nullText();

private:
    void appendField(QStringView value);
    void appendLineEnd();
    void flush();

    QIODevice& m_out;
    QByteArray m_buffer;
};

} // namespace quorvex
