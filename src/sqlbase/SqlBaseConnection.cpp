#include "sqlbase/SqlBaseConnection.h"

#include "components/ConnectionErrorReport.h"
#include "components/ConnectionString.h"
#include "components/IConnection.h"
#include "components/MessageService.h"
#include "components/Timeouts.h"

namespace quorvex::sqlbase {

QString buildSqlBaseConnectionString(const SqlBaseLoginValues& login) {
    return QStringLiteral("Provider=SQLBASEOLEDB.1;Password=") +
           quoteProviderValue(login.password) +
           QStringLiteral(";Persist Security Info=True;User ID=SYSADM;Data Source=") +
           quoteProviderValue(login.database);
}

QString sqlBaseConnectionReport(const DbErrorList& errors) {
    return connectionErrorReport(errors, QStringLiteral("Error: "));
}

bool openSqlBaseConnection(IConnection& connection, const SqlBaseLoginValues& login,
                           MessageService& messages) {
    // A server that does not answer ends in the driver's time-out report, never in a wait
    // without end.
    connection.setConnectionTimeout(loginTimeoutSeconds);
    if (connection.open(buildSqlBaseConnectionString(login)))
        return true;
    messages.show(sqlBaseConnectionReport(connection.errors()));
    if (connection.state() == ConnectionState::Open)
        connection.close();
    return false;
}

std::unique_ptr<IConnection> connectToSqlBase(IConnectionFactory& connections,
                                              const SqlBaseLoginValues& login,
                                              MessageService& messages) {
    std::unique_ptr<IConnection> connection = connections.createConnection();
    if (!openSqlBaseConnection(*connection, login, messages))
        return nullptr;
    return connection;
}

} // namespace quorvex::sqlbase
