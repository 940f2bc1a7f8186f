#pragma once

#include "components/FieldInfo.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

namespace quorvex {

class CancelToken;

// The rows of a table on their way from the worker that reads them to the window that shows
// them. The worker puts them in batches; the window takes them a slice at a time between the
// events it answers. A reader faster than the window waits while `capacity` rows are waiting
// already, so a million-row table does not pile up here on its way into the grid.
// Thread-safe.
class RowBatchQueue {
public:
    explicit RowBatchQueue(std::size_t capacity);
    RowBatchQueue(const RowBatchQueue&) = delete;
    RowBatchQueue& operator=(const RowBatchQueue&) = delete;

    // --- the worker ---
    // The fields of the rows, once, before the first row.
    void setFields(std::vector<FieldInfo> fields);
    // Adds the rows, waiting while the queue is full. False (nothing added) once the token is
    // cancelled or the window has closed the queue.
    bool put(std::vector<Row> rows, const CancelToken& cancel);

    // --- the window ---
    // The fields, the first time they are asked for after the worker gave them.
    std::optional<std::vector<FieldInfo>> takeFields();
    // Up to `max` rows, the oldest first.
    std::vector<Row> take(std::size_t max);
    std::size_t size() const;
    // Drops what waits and takes nothing more: a worker waiting in put() goes on (and stops).
    void close();

private:
    const std::size_t m_capacity;
    mutable std::mutex m_mutex;
    std::condition_variable m_taken;
    std::optional<std::vector<FieldInfo>> m_fields;
    std::deque<Row> m_rows;
    bool m_closed = false;
};

} // namespace quorvex
