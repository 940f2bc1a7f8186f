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
    // Result sets still reading keep their rows in memory; an open transaction is rolled back;
    // then the connection is closed.
    void close() noexcept;

    // The open transaction, if any: whether there is one, and the isolation the connection had
    // before it (to be set again at its end) when it changed that.
    bool inTransaction() const { return m_inTransaction; }
    void transactionBegun(std::optional<unsigned long> isolationBefore) noexcept {
        m_inTransaction = true;
        m_isolationBefore = isolationBefore;
    }
    // Ends the transaction the driver has committed or rolled back: statements commit one by
    // one again and the isolation is what it was. False when the driver refuses that (errors()
    // then says why); the connection is closed then, so nothing runs in a transaction nobody
    // ends.
    bool transactionEnded() noexcept;

    // The result sets still reading from the driver read their remaining rows into memory and
    // free their statements, so the driver is free for another statement.
    void bufferPendingResults() noexcept;
    void attach(OdbcRowSource& source);
    void detach(const OdbcRowSource& source) noexcept;

    // Whether the driver reads a bound column again with SQLGetData after a fetch (from its
    // first character), so a value that did not fit its bound buffer can still be read whole.
    // Asked of the driver once per connection.
    bool rereadsBoundColumns();

    const DbErrorList& errors() const { return m_errors; }
    void setErrors(const DbErrorList& errors) noexcept { m_errors = errors; }

private:
    std::optional<OdbcConnectionHandle> m_connection;
    std::optional<bool> m_rereadsBound;
    bool m_inTransaction = false;
    std::optional<unsigned long> m_isolationBefore;
    std::vector<OdbcRowSource*> m_reading;
    DbErrorList m_errors;
};

} // namespace quorvex
