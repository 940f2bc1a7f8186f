#include "components/OdbcSession.h"

#include "components/OdbcDiagnostics.h"
#include "components/OdbcRowSource.h"

#include <algorithm>
#include <sqlext.h>
#include <utility>

namespace quorvex {

OdbcSession::~OdbcSession() noexcept {
    close();
}

void OdbcSession::open(OdbcConnectionHandle connection) {
    m_connection = std::move(connection);
    m_rereadsBound.reset();
}

bool OdbcSession::rereadsBoundColumns() {
    if (!m_rereadsBound) {
        SQLUINTEGER extensions = 0;
        const bool known =
            m_connection && SQL_SUCCEEDED(SQLGetInfo(m_connection->handle(), SQL_GETDATA_EXTENSIONS,
                                                     &extensions, sizeof extensions, nullptr));
        m_rereadsBound = known && (extensions & SQL_GD_BOUND) != 0;
    }
    return *m_rereadsBound;
}

void OdbcSession::close() noexcept {
    bufferPendingResults();
    if (m_inTransaction && m_connection) {
        // A driver may refuse to disconnect in the middle of a transaction.
        SQLEndTran(SQL_HANDLE_DBC, m_connection->handle(), SQL_ROLLBACK);
        transactionEnded();
    }
    m_connection.reset();
    m_inTransaction = false;
    m_isolationBefore.reset();
}

bool OdbcSession::transactionEnded() noexcept {
    if (!m_inTransaction)
        return true;
    m_inTransaction = false;
    const std::optional<unsigned long> isolation = std::exchange(m_isolationBefore, std::nullopt);
    if (!m_connection)
        return true;
    const SQLHDBC dbc = m_connection->handle();
    SQLRETURN rc = SQLSetConnectAttr(dbc, SQL_ATTR_AUTOCOMMIT,
                                     reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0);
    if (SQL_SUCCEEDED(rc) && isolation)
        rc = SQLSetConnectAttr(dbc, SQL_ATTR_TXN_ISOLATION,
                               reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(*isolation)), 0);
    if (SQL_SUCCEEDED(rc))
        return true;
    m_errors = OdbcDiagnostics::collect(rc, SQL_HANDLE_DBC, dbc);
    bufferPendingResults();
    m_connection.reset();
    return false;
}

void OdbcSession::bufferPendingResults() noexcept {
    // Each source detaches itself as it finishes; work on a copy of the list.
    const std::vector<OdbcRowSource*> reading = std::exchange(m_reading, {});
    for (OdbcRowSource* source : reading)
        source->bufferRemainingRows();
}

void OdbcSession::attach(OdbcRowSource& source) {
    m_reading.push_back(&source);
}

void OdbcSession::detach(const OdbcRowSource& source) noexcept {
    m_reading.erase(std::remove(m_reading.begin(), m_reading.end(), &source), m_reading.end());
}

} // namespace quorvex
