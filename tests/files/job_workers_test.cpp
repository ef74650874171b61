// The workers over one queue: a worker that has been woken counts as awake
// from the wake on, before it gets a processor, so that on a busy machine a
// run of hand-outs wakes one worker for its work and not every one in turn;
// and once the queue is done every worker sleeps again with nothing counted.
#include "files/job_workers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace {

using clock_type = std::chrono::steady_clock;

// Polls `holds` under the workers' lock for up to 5 s.
template <class Check>
bool becomes(job_workers<int>& w, Check holds)
{
    for (auto until = clock_type::now() + std::chrono::seconds(5); clock_type::now() < until;) {
        {
            std::lock_guard<std::mutex> held(w.lock);
            if (holds()) return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

// Workers whose jobs only count themselves, started and all asleep.
struct counting_workers {
    std::atomic<int> ran{0};
    job_workers<int> w;
    explicit counting_workers(unsigned n)
        : w(n,
            [this](int&, std::unique_lock<std::mutex>& held) {
                held.unlock();
                ++ran;
                held.lock();
            },
            [](int&) {})
    {
        w.start();
        EXPECT_TRUE(w.working());
        EXPECT_TRUE(becomes(w, [&] { return w.awake() == 0; })) << "the workers never went to sleep";
    }
};

TEST(JobWorkers, AWokenWorkerCountsAsAwakeBeforeItRunsAndEachIsWokenOnce)
{
    counting_workers c(3);
    job_workers<int>& w = c.w;
    std::atomic<int>& ran = c.ran;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        {
            // No woken worker can run while the lock is held: each wake is one more awake.
            std::lock_guard<std::mutex> held(w.lock);
            for (unsigned i = 1; i <= 3; ++i) {
                EXPECT_TRUE(w.wake_one());
                EXPECT_EQ(w.awake(), i);
            }
            EXPECT_FALSE(w.wake_one()) << "a worker already woken was woken again";
            for (int j = 0; j < 6; ++j) w.push_quietly(j);
        }
        ASSERT_TRUE(becomes(w, [&] { return ran == 6 * (round + 1) && w.awake() == 0; }))
            << "the wakes were not all counted off: ran " << ran;
    }
}

// push() wakes a sleeper for its job, and no more than there are sleepers.
TEST(JobWorkers, PushWakesOneSleeperPerJob)
{
    counting_workers c(2);
    job_workers<int>& w = c.w;
    std::atomic<int>& ran = c.ran;
    {
        std::lock_guard<std::mutex> held(w.lock);
        for (int j = 0; j < 5; ++j) w.push(j);
        EXPECT_EQ(w.awake(), 2u);
    }
    EXPECT_TRUE(becomes(w, [&] { return ran == 5 && w.awake() == 0; })) << "ran " << ran;
}

} // namespace
