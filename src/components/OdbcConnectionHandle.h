#pragma once

#include <QString>
#include <memory>
#include <sql.h>

namespace quorvex {

class OdbcEnvironmentHandle;

// One driver connection. Freeing it disconnects first when it is connected.
class OdbcConnectionHandle {
public:
    explicit OdbcConnectionHandle(std::shared_ptr<OdbcEnvironmentHandle> environment); // throws
    ~OdbcConnectionHandle() noexcept;
    OdbcConnectionHandle(OdbcConnectionHandle&& other) noexcept;
    OdbcConnectionHandle& operator=(OdbcConnectionHandle&& other) noexcept;
    OdbcConnectionHandle(const OdbcConnectionHandle&) = delete;
    OdbcConnectionHandle& operator=(const OdbcConnectionHandle&) = delete;

    SQLHDBC handle() const { return m_handle; }
    bool isConnected() const { return m_connected; }

    // Seconds to wait for the server at connect time; 0 waits without limit. Throws DbException.
    void setLoginTimeout(int seconds);
    // Connects without ever prompting. Throws DbException with every record of the failure.
    void connect(const QString& odbcConnectionString);
    void disconnect() noexcept;

private:
    void release() noexcept;

    std::shared_ptr<OdbcEnvironmentHandle> m_environment;
    SQLHDBC m_handle = SQL_NULL_HDBC;
    bool m_connected = false;
};

} // namespace quorvex
