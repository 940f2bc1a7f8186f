#pragma once

#include "components/DbErrorRecord.h"
#include "components/OdbcConnectionHandle.h"

#include <optional>
#include <vector>

namespace quorvex {

class OdbcRowSource;

// What a connection shares with the result sets it opened: the driver connection, the result
// sets still reading rows from the driver, and the records of the last failure. It keeps one
// address for the connection's whole life, so the result sets can point at it.
//
// A driver such as FreeTDS takes no new statement while a result is still being read, so
// before each statement the result sets still reading take their remaining rows into memory.
class OdbcSession {
public:
    OdbcSession() = default;
    ~OdbcSession() noexcept;
    OdbcSession(const OdbcSession&) = delete;
    OdbcSession& operator=(const OdbcSession&) = delete;

    bool isOpen() const { return m_connection.has_value(); }
    // Takes over a connected driver connection.
    void open(OdbcConnectionHandle connection);
    // The driver connection; only while open.
    OdbcConnectionHandle& connection() { return *m_connection; }
    // Result sets still reading keep their rows in memory; then the connection is closed.
    void close() noexcept;

    // The result sets still reading from the driver read their remaining rows into memory and
    // free their statements, so the driver is free for another statement.
    void bufferPendingResults() noexcept;
    void attach(OdbcRowSource& source);
    void detach(const OdbcRowSource& source) noexcept;

    const DbErrorList& errors() const { return m_errors; }
    void setErrors(const DbErrorList& errors) noexcept { m_errors = errors; }

private:
    std::optional<OdbcConnectionHandle> m_connection;
    std::vector<OdbcRowSource*> m_reading;
    DbErrorList m_errors;
};

} // namespace quorvex
