#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/TaskQueue.h"

namespace {
// Runs everything queued and says what ran, in order.
std::vector<std::string> Drain(TaskQueue& q, std::vector<std::string>& log) {
    std::function<void()> task;
    while (q.Pop(task)) task();
    std::vector<std::string> ran;
    ran.swap(log);
    return ran;
}
}  // namespace

TEST(TaskQueue, KeepsOrderAndDropsOnlySupersededChanges) {
    TaskQueue q;
    std::vector<std::string> log;
    const auto counter = TaskQueue::SlotOf(1, 1021), row1 = TaskQueue::SlotOf(3, 1015, 1);
    const auto note = [&](const std::string& what) { return [&log, what] { log.push_back(what); }; };
    EXPECT_TRUE(q.Push(note("counter 1"), counter));   // the first after idle wakes the consumer
    EXPECT_FALSE(q.Push(note("select 1"), row1));
    EXPECT_FALSE(q.Push(note("counter 2"), counter));  // drops "counter 1"
    EXPECT_FALSE(q.Push(note("deselect 1"), row1));    // drops "select 1"
    q.Push(note("status line"));                       // no slot: nothing merges across it
    q.Push(note("counter 3"), counter);
    q.Push(note("progress"), TaskQueue::SlotOf(4, 1014));
    q.Push(note("counter 4"), counter);                // another slot between: still drops "counter 3"
    EXPECT_EQ(Drain(q, log), (std::vector<std::string>{"counter 2", "deselect 1", "status line", "progress",
                                                       "counter 4"}));
    EXPECT_TRUE(q.Push(note("after idle"), counter));  // drained: the next push wakes again
}

TEST(TaskQueue, AProducerThreadsChangesAllArriveInOrder) {
    TaskQueue q;
    std::vector<int> seen;
    int wakes = 0;
    std::thread producer([&] {
        for (int i = 0; i < 20000; ++i) wakes += q.Push([&seen, i] { seen.push_back(i); });
    });
    std::function<void()> task;
    while (producer.joinable()) {
        while (q.Pop(task)) task();
        if (seen.size() == 20000) producer.join();
        else std::this_thread::yield();
    }
    ASSERT_EQ(seen.size(), 20000u);
    for (int i = 0; i < 20000; ++i) ASSERT_EQ(seen[static_cast<size_t>(i)], i);
    EXPECT_GE(wakes, 1);
}
