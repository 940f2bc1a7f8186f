#include "components/LockTimeout.h"

#include <QRegularExpression>

namespace quorvex {

namespace {

constexpr qint32 sqlServerLockRequestTimeOut = 1222;

} // namespace

QString sqlServerLockTimeoutStatement(int milliseconds) {
    return QStringLiteral("SET LOCK_TIMEOUT %1").arg(milliseconds);
}

bool isLockTimeout(const DbErrorList& errors) {
    // "Lock request time out period exceeded.", "canceling statement due to lock timeout",
    // "lock time-out", "timed out waiting for a lock".
    static const QRegularExpression text(
        QStringLiteral("\\block\\b.*\\btime[ -]?out|\\btime[ -]?out\\b.*\\block\\b|"
                       "\\btimed out\\b.*\\block\\b"),
        QRegularExpression::CaseInsensitiveOption);
    for (const DbErrorRecord& e : errors) {
        if (e.nativeError == sqlServerLockRequestTimeOut || text.match(e.description).hasMatch())
            return true;
    }
    return false;
}

QString tableInUseMessage(const QString& table) {
    return QStringLiteral("The table %1 is in use by another session; nothing was changed. Try "
                          "again when it is quiet.")
        .arg(table);
}

} // namespace quorvex
