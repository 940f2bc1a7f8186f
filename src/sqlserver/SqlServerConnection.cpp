#include "sqlserver/SqlServerConnection.h"

#include "components/LockTimeout.h"
#include "components/Timeouts.h"

#include "components/ConnectionErrorReport.h"
#include "components/ConnectionString.h"
#include "components/IConnection.h"
#include "components/MessageService.h"

namespace quorvex {

QString buildSqlServerConnectionString(const SqlServerLoginValues& login) {
    return QStringLiteral("Provider=SQLOLEDB.1;Password=") + quoteProviderValue(login.password) +
           QStringLiteral(";Persist Security Info=True;User ID=") + quoteProviderValue(login.user) +
           QStringLiteral(";Initial Catalog=") + quoteProviderValue(login.database) +
           QStringLiteral(";Data Source=") + quoteProviderValue(login.server);
}

QString sqlServerConnectionReport(const DbErrorList& errors) {
    return connectionErrorReport(errors, QStringLiteral("Description: "));
}

bool openSqlServerConnection(IConnection& connection, const SqlServerLoginValues& login,
                             MessageService& messages) {
    // A server that does not answer is given up after a while, never waited for without end.
    connection.setConnectionTimeout(loginTimeoutSeconds);
    if (connection.open(buildSqlServerConnectionString(login)))
        return true;
    messages.show(sqlServerConnectionFailure(connection.errors(), login.server));
    return false;
}

QString sqlServerConnectionFailure(const DbErrorList& errors, const QString& server) {
    const QString report = sqlServerConnectionReport(errors);
    if (!isTimeout(errors))
        return report;
    return loginTimedOutMessage(server, loginTimeoutSeconds) + QStringLiteral("\r\n\r\n") + report;
}

} // namespace quorvex
