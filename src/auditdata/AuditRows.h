#pragma once

#include "components/IConnection.h"
#include "components/Recordset.h"

#include <memory>

namespace quorvex {

// The rows of one audit table while they are read, with the connection they come through when
// that connection belongs to this one read (SQLBase opens one per operation). The connection
// stays open until the rows are closed, so they are fetched from the server as they are read
// rather than taken into memory first.
class AuditRows {
public:
    explicit AuditRows(Recordset rows, std::unique_ptr<IConnection> ownConnection = nullptr);
    ~AuditRows();
    AuditRows(AuditRows&&) noexcept;
    AuditRows& operator=(AuditRows&&) noexcept;
    AuditRows(const AuditRows&) = delete;
    AuditRows& operator=(const AuditRows&) = delete;

    Recordset& recordset() { return m_rows; }

    // The rows first, then the own connection.
    void close() noexcept;

private:
    Recordset m_rows;
    std::unique_ptr<IConnection> m_connection;
};

} // namespace quorvex
