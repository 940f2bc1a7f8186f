#include "auditdata/RowBatchQueue.h"

#include "components/CancelToken.h"

#include <chrono>
#include <iterator>

namespace quorvex {

namespace {

// How often a worker waiting for room looks at its cancel token.
constexpr std::chrono::milliseconds cancelLook{20};

} // namespace

RowBatchQueue::RowBatchQueue(std::size_t capacity)
    : m_capacity(std::max<std::size_t>(1, capacity)) {}

void RowBatchQueue::setFields(std::vector<FieldInfo> fields) {
    std::lock_guard lock(m_mutex);
    m_fields = std::move(fields);
}

bool RowBatchQueue::put(std::vector<Row> rows, const CancelToken& cancel) {
    std::unique_lock lock(m_mutex);
    while (!m_closed && !cancel.isCancelled() && m_rows.size() >= m_capacity)
        m_taken.wait_for(lock, cancelLook);
    if (m_closed || cancel.isCancelled())
        return false;
    m_rows.insert(m_rows.end(), std::make_move_iterator(rows.begin()),
                  std::make_move_iterator(rows.end()));
    return true;
}

std::optional<std::vector<FieldInfo>> RowBatchQueue::takeFields() {
    std::lock_guard lock(m_mutex);
    return std::exchange(m_fields, std::nullopt);
}

std::vector<Row> RowBatchQueue::take(std::size_t max) {
    std::vector<Row> taken;
    {
        std::lock_guard lock(m_mutex);
        const std::size_t count = std::min(max, m_rows.size());
        taken.reserve(count);
        std::move(m_rows.begin(), m_rows.begin() + static_cast<std::ptrdiff_t>(count),
                  std::back_inserter(taken));
        m_rows.erase(m_rows.begin(), m_rows.begin() + static_cast<std::ptrdiff_t>(count));
    }
    m_taken.notify_all();
    return taken;
}

std::size_t RowBatchQueue::size() const {
    std::lock_guard lock(m_mutex);
    return m_rows.size();
}

void RowBatchQueue::close() {
    {
        std::lock_guard lock(m_mutex);
        m_closed = true;
        m_rows.clear();
    }
    m_taken.notify_all();
}

} // namespace quorvex
