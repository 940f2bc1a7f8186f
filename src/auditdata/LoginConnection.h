#pragma once

#include "auditdata/LoginArguments.h"

#include <QString>

namespace quorvex {

// The password of --password-file (the file's first line) into `login.password`; nothing to do
// without one. False when the file cannot be read: *error says why.
bool readPasswordFile(LoginArguments& login, QString* error);

// Why the login cannot even be tried, empty when it can: a SQLite file that is not there (its
// driver says only "connect failed" of it, or would make a new empty file).
QString loginTargetProblem(const LoginArguments& login);

// The connection string the login windows would build from the same values, or the ODBC
// string as given.
QString loginConnectionString(const LoginArguments& login);

} // namespace quorvex
