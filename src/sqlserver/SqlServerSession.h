#pragma once

#include "components/CancelToken.h"
#include "components/IConnection.h"
#include "sqlserver/SqlServerLoginValues.h"
#include "sqlserver/SqlServerManager.h"

#include <functional>
#include <memory>
#include <optional>

namespace quorvex {

class MessageService;

// The connections one SQL Server operation of the main window works with, made from the login
// values on first use: the management connection to the login's server (statements that change
// the database go through it, each put into the login's database) and the connection to the
// login's database that carries the operation's reads. Both wait a bounded time for a login, for a
// catalogue read and for another session's locks. An operation makes one of these on its worker and
// drops it at its end, so no connection is ever used by two threads.
class SqlServerSession {
public:
    explicit SqlServerSession(IConnectionFactory& connections);
    SqlServerSession(IConnectionFactory& connections, SqlServerLoginValues login);
    ~SqlServerSession();
    SqlServerSession(const SqlServerSession&) = delete;
    SqlServerSession& operator=(const SqlServerSession&) = delete;

    SqlServerLoginValues& login() { return m_login; }
    const SqlServerLoginValues& login() const { return m_login; }

    SqlServerManager& manager();
    IConnection& sharedConnection();

    // Connects the management connection with the login values unless it is connected. On
    // failure tells the driver's report and returns false.
    bool connectServer(MessageService& messages);
    // Opens the shared connection unless it is open. On failure tells the driver's report and
    // returns false.
    bool openSharedConnection(MessageService& messages);
    // Takes a connection to the login's database, open already, as the shared connection (a
    // tool handed an ODBC connection string has no login values to open one with).
    void adoptSharedConnection(std::unique_ptr<IConnection> connection);

    // Runs a statement that changes the database in the login's database, through the
    // management connection. Throws DbException with the server's messages.
    void executeStatement(const QString& text);

    // Runs `work` with both connections under the cancel token's watch: a cancel ends the
    // statement that runs on either.
    template <typename Work> auto watched(CancelToken& cancel, Work&& work) {
        std::optional<CancelToken::Watch> onShared;
        std::optional<CancelToken::Watch> onManager;
        onShared.emplace(cancel, sharedConnection());
        if (IConnection* management = manager().openConnection())
            onManager.emplace(cancel, *management);
        return work();
    }

private:
    IConnectionFactory& m_connections;
    SqlServerLoginValues m_login;
    std::unique_ptr<SqlServerManager> m_manager;
    std::unique_ptr<IConnection> m_shared;
};

} // namespace quorvex
