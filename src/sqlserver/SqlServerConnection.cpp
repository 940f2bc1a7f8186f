#include "sqlserver/SqlServerConnection.h"

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
    if (connection.open(buildSqlServerConnectionString(login)))
        return true;
    messages.show(sqlServerConnectionReport(connection.errors()));
    return false;
}

} // namespace quorvex
