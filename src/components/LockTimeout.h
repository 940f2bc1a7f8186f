#pragma once

#include "components/DbErrorRecord.h"

#include <QString>

namespace quorvex {

// How long a statement that needs a table another session holds waits before it gives up, so a
// busy table ends in a clear message instead of a wait without end.
constexpr int lockTimeoutMilliseconds = 10000;

// SQL Server: "SET LOCK_TIMEOUT 10000" (or the given milliseconds; -1 waits without limit).
QString sqlServerLockTimeoutStatement(int milliseconds = lockTimeoutMilliseconds);

// Whether a failure is a lock wait that ran out: SQL Server's error 1222 ("Lock request time
// out period exceeded."), the test engine's "canceling statement due to lock timeout" (native
// 33557097, its number for many failures, so the text decides), or a driver's own lock time-out
// text (SQLite: "database is locked"). Nothing was changed by the statement that gave up.
bool isLockTimeout(const DbErrorList& errors);

// "The table X is in use by another session; nothing was changed. Try again when it is quiet."
QString tableInUseMessage(const QString& table);

// Whether a statement or a login ran out of the time it was given (SQLSTATE HYT00 or HYT01), a
// lock wait aside.
bool isTimeout(const DbErrorList& errors);

// What the user is told of a failure of `what` ("Reading the columns of ORDERS"): when it timed
// out, that it did and after how long; otherwise the server's own words.
QString failureMessage(const DbErrorList& errors, const QString& what, int seconds);

// A login that timed out, told before the driver's report.
QString loginTimedOutMessage(const QString& server, int seconds);

} // namespace quorvex
