#include "components/CancelToken.h"

#include "components/IConnection.h"

#include <algorithm>

namespace quorvex {

void CancelToken::cancel() {
    std::lock_guard lock(m_mutex);
    m_cancelled = true;
    for (IConnection* connection : m_watched)
        connection->cancel();
}

bool CancelToken::isCancelled() const {
    std::lock_guard lock(m_mutex);
    return m_cancelled;
}

void CancelToken::throwIfCancelled() const {
    if (isCancelled())
        throw OperationCancelled();
}

CancelToken::Watch::Watch(CancelToken& token, IConnection& connection)
    : m_token(token), m_connection(connection) {
    std::lock_guard lock(token.m_mutex);
    token.m_watched.push_back(&connection);
    if (token.m_cancelled)
        connection.cancel();
}

CancelToken::Watch::~Watch() {
    std::lock_guard lock(m_token.m_mutex);
    auto& watched = m_token.m_watched;
    watched.erase(std::remove(watched.begin(), watched.end(), &m_connection), watched.end());
    // What follows the watch (taking back what was done, say) runs whatever was asked.
    m_connection.clearCancel();
}

} // namespace quorvex
