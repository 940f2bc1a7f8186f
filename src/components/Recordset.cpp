#include "components/Recordset.h"

#include "components/DbException.h"

namespace quorvex {

namespace {
const std::vector<FieldInfo>& noFields() {
    static const std::vector<FieldInfo> none;
    return none;
}
const FieldValue& nullValue() {
    static const FieldValue null;
    return null;
}
} // namespace

Recordset::Recordset() = default;

Recordset::Recordset(std::unique_ptr<IRowSource> source) : m_source(std::move(source)) {
    m_sourceDone = false;
    if (pull(m_current))
        m_eof = false;
    else
        m_current.clear();
}

Recordset::~Recordset() = default;
Recordset::Recordset(Recordset&&) noexcept = default;
Recordset& Recordset::operator=(Recordset&&) noexcept = default;

void Recordset::close() {
    m_source.reset();
    m_current.clear();
    m_sourceDone = true;
    m_eof = true;
}

int Recordset::fieldCount() const {
    return int(fields().size());
}

const std::vector<FieldInfo>& Recordset::fields() const {
    return m_source ? m_source->fields() : noFields();
}

const FieldInfo& Recordset::field(int index) const {
    const auto& all = fields();
    if (index < 0 || std::size_t(index) >= all.size())
        throw DbException::single(QStringLiteral("The result has no field number %1.").arg(index));
    return all[std::size_t(index)];
}

QString Recordset::fieldName(int index) const {
    return field(index).name;
}

const FieldValue& Recordset::value(int index) const {
    if (m_eof || index < 0 || std::size_t(index) >= m_current.size())
        return nullValue();
    return m_current[std::size_t(index)];
}

bool Recordset::pull(Row& row) {
    if (m_sourceDone || !m_source)
        return false;
    if (m_source->fetch(row))
        return true;
    m_sourceDone = true;
    return false;
}

void Recordset::moveNext() {
    if (m_eof)
        return;
    if (!pull(m_current)) {
        m_current.clear();
        m_eof = true;
    }
}

} // namespace quorvex
