#pragma once

#include "components/DbErrorRecord.h"
#include "sqlserver/SqlServerLoginValues.h"

#include <QString>

namespace quorvex {

class IConnection;
class MessageService;

// The connection string of the login values: "Provider=SQLOLEDB.1;Password=...;Persist Security
// Info=True;User ID=...;Initial Catalog=...;Data Source=...". A value holding ";" (or starting
// with a quote or a blank) is quoted, so it arrives whole instead of cutting the string.
QString buildSqlServerConnectionString(const SqlServerLoginValues& login);

// The error report of a failed open: per error five lines ("Error #: ", "Description: ",
// "Source: ", "SQL State: ", "Native Error: "), each ending in CR LF, then a blank line.
QString sqlServerConnectionReport(const DbErrorList& errors);

// The report of a failed open, led by a line saying so when the server did not answer in time.
QString sqlServerConnectionFailure(const DbErrorList& errors, const QString& server);

// Opens the connection from the login values, waiting at most the login timeout. On failure shows
// the report in one message box and returns false; the connection stays closed.
bool openSqlServerConnection(IConnection& connection, const SqlServerLoginValues& login,
                             MessageService& messages);

} // namespace quorvex
