#pragma once

#include "auditdata/LoginArguments.h"
#include "components/DbErrorRecord.h"

#include <QString>
#include <memory>
#include <optional>

class QTextStream;

namespace quorvex {

class IConnection;
class IConnectionFactory;

// The exit statuses every command-line tool gives alike.
constexpr int toolFailure = 1;
constexpr int toolUsageError = 2;

// Before a tool logs in: the password of --password-file (the file's first line) into
// `login.password`, and the target checked. The exit status when the login cannot even be
// tried, its reason on `err`: toolUsageError when the password file cannot be read,
// toolFailure when there is nothing to log in to (a SQLite file that is not there: its driver
// says only "connect failed" of it, or would make a new empty file). Nothing when it can.
std::optional<int> loginRefused(LoginArguments& login, QTextStream& err);

// The tool's connection, its login waiting no longer than the login time-out; null when it
// could not be opened: "The connection could not be opened:" and the driver's records are on
// `err` then.
std::unique_ptr<IConnection> openLoginConnection(IConnectionFactory& connections,
                                                 const LoginArguments& login, QTextStream& err);

// The connection string the login windows would build from the same values, or the ODBC
// string as given.
QString loginConnectionString(const LoginArguments& login);

// The database's records as the tools print them, one a line: "source [SQLSTATE] message".
QString errorLines(const DbErrorList& errors);

} // namespace quorvex
