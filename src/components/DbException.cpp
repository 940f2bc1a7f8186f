#include "components/DbException.h"

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

QString DbException::description() const {
    QStringList lines;
    for (const auto& e : m_errors)
        lines << e.description;
    return lines.join(QStringLiteral("\r\n"));
}

QString busyTableMessage(const QString& table) {
    return QStringLiteral("The table %1 is in use by another session; nothing was changed. Try "
                          "again when it is quiet.")
        .arg(table);
}

bool DbException::isLockTimeout() const {
    for (const auto& e : m_errors) {
        if (e.nativeError == 1222 ||
            e.description.contains(QLatin1String("lock timeout"), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

} // namespace quorvex
