#pragma once

#include "components/DbErrorRecord.h"

#include <QByteArray>
#include <exception>

namespace quorvex {

// The one exception the database layer throws: a failed statement or fetch, carrying every
// diagnostic record the driver reported, in order.
class DbException : public std::exception {
public:
    explicit DbException(DbErrorList errors);
    // A failure of our own (no driver involved), reported as a single record.
    static DbException single(const QString& description,
                              const QString& sqlState = QStringLiteral("HY000"));

    const DbErrorList& errors() const noexcept { return m_errors; }
    // The provider's message: every record's description, one per line.
    QString description() const { return describe(m_errors); }
    // The descriptions of these records, one per line.
    static QString describe(const DbErrorList& errors);
    // Whether the statement gave up waiting for a lock another session holds (see
    // isLockTimeout in LockTimeout.h); it changed nothing then.
    bool isLockTimeout() const;
    const char* what() const noexcept override { return m_what.constData(); }

private:
    DbErrorList m_errors;
    QByteArray m_what;
};

} // namespace quorvex
