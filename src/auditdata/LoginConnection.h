#pragma once

#include "auditdata/LoginArguments.h"

#include <QString>

namespace quorvex {

// The password of --password-file (the file's first line) into `login.password`; nothing to do
// without one. False when the file cannot be read: *error says why.
bool readPasswordFile(LoginArguments& login, QString* error);

// The connection string the login windows would build from the same values, or the ODBC
// string as given.
QString loginConnectionString(const LoginArguments& login);

} // namespace quorvex
