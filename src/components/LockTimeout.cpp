#include "components/LockTimeout.h"

#include "components/DbException.h"

#include <QRegularExpression>
#include <QStringList>

namespace quorvex {

namespace {

constexpr qint32 sqlServerLockRequestTimeOut = 1222;

} // namespace

QString sqlServerLockTimeoutStatement(int milliseconds) {
    return QStringLiteral("SET LOCK_TIMEOUT %1").arg(milliseconds);
}

bool isLockTimeout(const DbErrorList& errors) {
    // "Lock request time out period exceeded.", "canceling statement due to lock timeout",
    // "lock time-out", "timed out waiting for a lock"; SQLite's "database is locked" and
    // "database table is locked", which it says once the connection's busy time-out has run
    // out.
    static const QRegularExpression text(
        QStringLiteral("\\block\\b.*\\btime[ -]?out|\\btime[ -]?out\\b.*\\block\\b|"
                       "\\btimed out\\b.*\\block\\b|\\bdatabase (table )?is locked\\b"),
        QRegularExpression::CaseInsensitiveOption);
    for (const DbErrorRecord& e : errors) {
        if (e.nativeError == sqlServerLockRequestTimeOut || text.match(e.description).hasMatch())
            return true;
    }
    return false;
}

bool isTimeout(const DbErrorList& errors) {
    if (isLockTimeout(errors))
        return false;
    for (const DbErrorRecord& e : errors) {
        if (e.sqlState == QLatin1String("HYT00") || e.sqlState == QLatin1String("HYT01"))
            return true;
    }
    return false;
}

QString failureMessage(const DbErrorList& errors, const QString& what, int seconds) {
    const QString said = DbException::describe(errors);
    if (!isTimeout(errors))
        return said;
    return QStringLiteral("%1 timed out: the server did not answer within %2 seconds, so it was "
                          "stopped and nothing was changed. Try again when the server is less "
                          "busy.")
               .arg(what)
               .arg(seconds) +
           QStringLiteral("\r\n\r\n") + said;
}

QString loginTimedOutMessage(const QString& server, int seconds) {
    return QStringLiteral("The server %1 did not answer the login within %2 seconds.")
        .arg(server)
        .arg(seconds);
}

QString tableInUseMessage(const QString& table) {
    return QStringLiteral("The table %1 is in use by another session; nothing was changed. Try "
                          "again when it is quiet.")
        .arg(table);
}

} // namespace quorvex
