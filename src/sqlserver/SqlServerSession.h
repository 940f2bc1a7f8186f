#pragma once

#include "components/IConnection.h"
#include "sqlserver/SqlServerManager.h"
#include "sqlserver/SqlServerLoginValues.h"

#include <memory>

namespace quorvex {

// What the SQL Server back end keeps for the whole run: the login values, the management
// connection to the server the login chose (with which statements that change the database are
// sent), and the one shared connection that carries every read. Both connections are made on
// first use and live until the process ends.
class SqlServerSession {
public:
    explicit SqlServerSession(IConnectionFactory& connections);
    ~SqlServerSession();
    SqlServerSession(const SqlServerSession&) = delete;
    SqlServerSession& operator=(const SqlServerSession&) = delete;

    SqlServerLoginValues& login() { return m_login; }
    const SqlServerLoginValues& login() const { return m_login; }

    SqlServerManager& manager();
    IConnection& sharedConnection();

    // Runs a statement that changes the database in the login's database, through the
    // management connection. Throws DbException with the server's messages.
    void executeStatement(const QString& text);

private:
    IConnectionFactory& m_connections;
    SqlServerLoginValues m_login;
    std::unique_ptr<SqlServerManager> m_manager;
    std::unique_ptr<IConnection> m_shared;
};

} // namespace quorvex
