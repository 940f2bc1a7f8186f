#include "sqlserver/SqlServerConnection.h"

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
    QString text;
    for (const auto& e : errors) {
        text += QStringLiteral("Error #: %1\r\n").arg(e.number);
        text += QStringLiteral("Description: ") + e.description + QStringLiteral("\r\n");
        text += QStringLiteral("Source: ") + e.source + QStringLiteral("\r\n");
        text += QStringLiteral("SQL State: ") + e.sqlState + QStringLiteral("\r\n");
        text += QStringLiteral("Native Error: %1\r\n").arg(e.nativeError);
        text += QStringLiteral("\r\n");
    }
    return text;
}

bool openSqlServerConnection(IConnection& connection, const SqlServerLoginValues& login,
                             MessageService& messages) {
    if (connection.open(buildSqlServerConnectionString(login)))
        return true;
    messages.show(sqlServerConnectionReport(connection.errors()));
    return false;
}

} // namespace quorvex
