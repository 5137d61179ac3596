#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "platform/JobThread.h"

// Jobs run one after another on one thread of their own; what a job did is
// seen after Wait, what escaped it is thrown there, and the thread goes on.
TEST(JobThread, RunsJobsInTurnOnItsOwnThreadAndHandsBackWhatEscaped) {
    std::thread::id first;
    JobThread jobs([&first] { first = std::this_thread::get_id(); });
    int done = 0;
    for (int i = 1; i <= 3; ++i) {
        jobs.Start([&done, &first, i] {
            EXPECT_EQ(std::this_thread::get_id(), first);
            EXPECT_NE(first, std::thread::id());
            done = i;
        });
        jobs.Wait();
        EXPECT_EQ(done, i);
    }
    EXPECT_NE(first, std::this_thread::get_id());
    jobs.Start([] { throw std::runtime_error("disk gone"); });
    EXPECT_THROW(jobs.Wait(), std::runtime_error);
    jobs.Start([&done] { done = 4; });
    EXPECT_NO_THROW(jobs.Wait());
    EXPECT_EQ(done, 4);
}

// The end of the thread waits for the job handed over: what it uses must
// outlive it, and it is never cut off.
TEST(JobThread, EndsOnlyAfterTheJobHandedOver) {
    std::atomic<bool> finished{false};
    {
        JobThread jobs([] {});
        jobs.Start([&finished] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            finished = true;
        });
    }
    EXPECT_TRUE(finished);
}
