#pragma once

namespace quorvex {

// How long anything waits on a server before it gives up with a message saying what timed out.
// A login: the server does not answer.
constexpr int loginTimeoutSeconds = 15;
// A read of the catalogue (tables, columns, the audit catalog, the checks before a save).
constexpr int catalogueQueryTimeoutSeconds = 30;
// Statements that change a table's definition, and purges, wait for another session's locks
// this long (lockTimeoutMilliseconds in LockTimeout.h).

} // namespace quorvex
