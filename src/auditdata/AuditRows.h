#pragma once

#include "components/CancelToken.h"
#include "components/IConnection.h"
#include "components/Recordset.h"

#include <memory>

namespace quorvex {

// The rows of one audit table while they are read, with the connection they come through,
// which belongs to this one read, and the watch that lets the read's cancel token stop the
// statement (SQLCancel). The connection stays open until the rows are closed, so they are
// fetched from the server as they are read rather than taken into memory first.
class AuditRows {
public:
    AuditRows(Recordset rows, std::unique_ptr<IConnection> connection,
              std::unique_ptr<CancelToken::Watch> watch = nullptr);
    ~AuditRows();
    AuditRows(AuditRows&&) noexcept;
    AuditRows& operator=(AuditRows&&) noexcept;
    AuditRows(const AuditRows&) = delete;
    AuditRows& operator=(const AuditRows&) = delete;

    Recordset& recordset() { return m_rows; }

    // The rows first, then the watch, then the connection.
    void close() noexcept;

private:
    Recordset m_rows;
    std::unique_ptr<IConnection> m_connection;
    std::unique_ptr<CancelToken::Watch> m_watch;
};

} // namespace quorvex
