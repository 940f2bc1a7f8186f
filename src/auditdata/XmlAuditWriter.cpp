#include "auditdata/XmlAuditWriter.h"

#include "auditdata/ExportError.h"

#include <QCoreApplication>
#include <QIODevice>

namespace quorvex {

XmlAuditWriter::XmlAuditWriter(QIODevice& out) : m_out(out), m_writer(out) {}

void XmlAuditWriter::begin(const std::vector<FieldInfo>& fields) {
    m_writer.begin(fields);
    check();
}

void XmlAuditWriter::row(const Row& values) {
    m_writer.row(values);
    check();
}

void XmlAuditWriter::end() {
    m_writer.end();
    check();
}

void XmlAuditWriter::check() {
    if (m_writer.hasError())
        throw ExportError(
            QCoreApplication::translate("XmlAuditWriter", "The file could not be written: %1")
                .arg(m_out.errorString()));
}

} // namespace quorvex
