// The hand-over of rows from the viewer's worker to its window: order, the wait of a reader
// that is ahead of the window, and that a cancel or the window's close ends that wait.
#include "auditdata/RowBatchQueue.h"
#include "components/CancelToken.h"

#include "AuditDataTesting.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

using namespace quorvex;

namespace {

std::vector<Row> numbered(int first, int count) {
    std::vector<Row> rows;
    for (int i = first; i < first + count; ++i)
        rows.push_back(Row{FieldValue(QString::number(i))});
    return rows;
}

} // namespace

TEST(RowBatchQueue, RowsComeOutInTheOrderTheyWentInAndTheFieldsOnce) {
    RowBatchQueue queue(100);
    CancelToken cancel;
    EXPECT_FALSE(queue.takeFields().has_value());
    queue.setFields({quorvex::testing::auditField("ORDER_NO")});
    ASSERT_TRUE(queue.put(numbered(0, 3), cancel));
    ASSERT_TRUE(queue.put(numbered(3, 2), cancel));
    EXPECT_EQ(queue.takeFields()->at(0).name, QStringLiteral("ORDER_NO"));
    EXPECT_FALSE(queue.takeFields().has_value());
    EXPECT_EQ(queue.take(4), numbered(0, 4));
    EXPECT_EQ(queue.take(4), numbered(4, 1));
    EXPECT_EQ(queue.take(4), std::vector<Row>{});
}

// A full queue keeps the worker waiting until the window takes rows, or until what ends the
// read: the worker's cancel, or the window closing the queue.
TEST(RowBatchQueue, AFullQueueHoldsTheWorkerUntilRowsAreTakenOrTheReadEnds) {
    const struct {
        const char* name;
        std::function<void(RowBatchQueue&, CancelToken&)> release;
        bool added;
        std::size_t left;
    } cases[] = {
        {"the window takes rows", [](RowBatchQueue& q, CancelToken&) { q.take(2); }, true, 2},
        {"the worker is cancelled", [](RowBatchQueue&, CancelToken& c) { c.cancel(); }, false, 2},
        {"the window closes the queue", [](RowBatchQueue& q, CancelToken&) { q.close(); }, false,
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RowBatchQueue queue(2);
        CancelToken cancel;
        ASSERT_TRUE(queue.put(numbered(0, 2), cancel));
        std::atomic<int> done = 0;
        bool added = false;
        std::thread worker([&] {
            added = queue.put(numbered(2, 2), cancel);
            done = 1;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        EXPECT_EQ(done.load(), 0); // still waiting for room
        c.release(queue, cancel);
        worker.join();
        EXPECT_EQ(added, c.added);
        EXPECT_EQ(queue.size(), c.left);
    }
}
