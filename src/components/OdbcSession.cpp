#include "components/OdbcSession.h"

#include "components/OdbcRowSource.h"

#include <algorithm>
#include <utility>

namespace quorvex {

OdbcSession::~OdbcSession() noexcept {
    close();
}

void OdbcSession::open(OdbcConnectionHandle connection) {
    m_connection = std::move(connection);
}

void OdbcSession::close() noexcept {
    bufferPendingResults();
    m_connection.reset();
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
