#pragma once

#include "components/IConnection.h"

#include <memory>
#include <mutex>
#include <optional>

namespace quorvex {

class OdbcSession;
class OdbcStatementRegistry;

// A connection through the machine's ODBC driver manager. Back-end connection strings
// ("Provider=SQLOLEDB.1;...", "Provider=SQLBASEOLEDB.1;...") are mapped to the installed
// drivers; any other text goes to the driver manager as it is.
//
// Several result sets may be open at once and statements may be sent while they are being
// read: the rows a result set has not read yet are then taken into memory first. Result sets
// stay readable after the connection is closed or destroyed.
class OdbcConnection : public IConnection {
public:
    OdbcConnection();
    ~OdbcConnection() override;
    OdbcConnection(OdbcConnection&&) noexcept;
    OdbcConnection& operator=(OdbcConnection&&) noexcept;
    OdbcConnection(const OdbcConnection&) = delete;
    OdbcConnection& operator=(const OdbcConnection&) = delete;

    void setConnectionTimeout(int seconds) override;
    void setQueryTimeout(int seconds) override;
    void cancel() override;
    void clearCancel() override;
    bool open(const QString& connectionString) override;
    ConnectionState state() const override;
    void close() override;
    const DbErrorList& errors() const override;

    Recordset openRecordset(const QString& statement,
                            CursorType cursor = CursorType::ForwardOnly) override;
    void execute(const QString& statement) override;

    // Transactions through the driver: autocommit off until commit or rollback; the isolation
    // asked for is set for the transaction and put back after it.
    void beginTransaction(TransactionIsolation isolation) override;
    void commit() override;
    void rollback() noexcept override;
    bool inTransaction() const override;
    qint64 executeCounted(const QString& statement) override;

private:
    OdbcSession& session();
    void requireOpen();
    // The open connection's statements, as another thread sees them.
    std::shared_ptr<OdbcStatementRegistry> statementsNow() const;

    std::unique_ptr<OdbcSession> m_session; // only empty once moved from
    std::optional<int> m_connectionTimeout;
    int m_queryTimeout = 0;
    // The open connection's statements, for cancel() from another thread.
    std::shared_ptr<OdbcStatementRegistry> m_statements;
    std::unique_ptr<std::mutex> m_statementsMutex = std::make_unique<std::mutex>();
};

} // namespace quorvex
