#include "components/DbException.h"

#include "components/LockTimeout.h"

#include <QStringList>

namespace quorvex {

DbException::DbException(DbErrorList errors) : m_errors(std::move(errors)) {
    m_what = description().toUtf8();
}

DbException DbException::single(const QString& description, const QString& sqlState) {
    DbErrorRecord record;
    record.number = -1;
    record.description = description;
    record.source = QStringLiteral("Quorvex");
    record.sqlState = sqlState;
    return DbException(DbErrorList{record});
}

QString DbException::describe(const DbErrorList& errors) {
    QStringList lines;
    for (const auto& e : errors)
        lines << e.description;
    return lines.join(QStringLiteral("\r\n"));
}

bool DbException::isLockTimeout() const {
    return quorvex::isLockTimeout(m_errors);
}

} // namespace quorvex
