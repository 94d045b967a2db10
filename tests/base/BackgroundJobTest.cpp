#include "base/BackgroundJob.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace kestrin {
namespace {

// A job that holds its first run until released, counting its runs.
struct HeldJob {
    std::mutex mutex;
    std::condition_variable changed;
    bool started = false;
    bool released = false;
    std::atomic<int> runs{0};

    void Run()
    {
        std::unique_lock lock(mutex);
        started = true;
        changed.notify_all();
        changed.wait(lock, [this] { return released; });
        ++runs;
    }
    void WaitStarted()
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [this] { return started; });
    }
    void Release()
    {
        std::lock_guard lock(mutex);
        released = true;
        changed.notify_all();
    }
};

TEST(BackgroundJob, RequestsDuringARunCollapseIntoOneMoreAndNoneIsDroppedAtTheEnd)
{
    HeldJob held;
    {
        BackgroundJob job([&] { held.Run(); });
        job.Request();
        held.WaitStarted();
        for (int i = 0; i < 50; ++i)
            job.Request();
        held.Release();
        job.Wait();
        EXPECT_EQ(held.runs.load(), 2);

        // A request the owner leaves behind still runs before the thread ends.
        job.Request();
    }
    EXPECT_EQ(held.runs.load(), 3);
}

} // namespace
} // namespace kestrin
