#pragma once

#include "components/DbErrorRecord.h"
#include "sqlbase/SqlBaseLoginValues.h"

#include <QString>
#include <memory>

namespace quorvex {
class IConnection;
class IConnectionFactory;
class MessageService;
} // namespace quorvex

namespace quorvex::sqlbase {

// "Provider=SQLBASEOLEDB.1;Password=...;Persist Security Info=True;User ID=SYSADM;Data
// Source=...". A value holding ";" (or starting with a quote or a blank) is quoted, so it
// arrives whole instead of cutting the string.
QString buildSqlBaseConnectionString(const SqlBaseLoginValues& login);

// The error report of a failed open: per error five lines ("Error #: ", "Error: ", "Source: ",
// "SQL State: ", "Native Error: "), each ending in CR LF, then a blank line.
QString sqlBaseConnectionReport(const DbErrorList& errors);

// Opens the connection from the login values, giving up on a server that does not answer after
// loginTimeoutSeconds. On failure shows the report in one message box, leaves the connection
// closed and returns false.
bool openSqlBaseConnection(IConnection& connection, const SqlBaseLoginValues& login,
                           MessageService& messages);

// A fresh connection for one operation, open; null when it could not be opened (the report has
// been shown). It closes when the operation lets go of it.
std::unique_ptr<IConnection> connectToSqlBase(IConnectionFactory& connections,
                                              const SqlBaseLoginValues& login,
                                              MessageService& messages);

} // namespace quorvex::sqlbase
