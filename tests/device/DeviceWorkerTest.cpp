#include "device/DeviceWorker.h"

#include "tests/device/ApplyFakes.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <thread>

namespace kestrin {
namespace {

using test::FakeClock;
using test::FakeLink;
using test::FakePage;
using test::Timeline;
using Vec = std::vector<uint8_t>;

// Pauses until interrupted, and says when the first pause began: an apply caught mid-way.
class BlockingClock final : public ApplyClock {
public:
    TimePoint Now() const override { return {}; }
    void SleepFor(Duration) override
    {
        std::unique_lock lock(mutex_);
        sleeping_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return interrupted_; });
    }
    void Interrupt() override
    {
        std::lock_guard lock(mutex_);
        interrupted_ = true;
        changed_.notify_all();
    }
    void WaitUntilSleeping()
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return sleeping_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool sleeping_ = false;
    bool interrupted_ = false;
};

class DeviceWorkerTest : public ::testing::Test {
protected:
    DeviceWorkerTest() { links.MouseUnreachable = 0; }

    Vec Ids()
    {
        Vec ids;
        for (const auto& write : cable.writes)
            ids.push_back(write[0]);
        return ids;
    }

    test::TempFolder folder;
    Timeline timeline;
    LinkState links;
    FakeClock clock{timeline};
    FakeLink cable{timeline, "cable"};
    FakePage page{timeline, folder.Data()};
    ApplyEngine engine{links, {cable.Writer(), {}, {}}, page, clock};
};

TEST_F(DeviceWorkerTest, RunsOneApplyPerRequestInTurnEachAgainstTheSnapshotBefore)
{
    links.CableState = kLinkConnected;
    links.ApplyAllPending = 1;
    DeviceWorker worker(engine);
    worker.Start();
    EXPECT_TRUE(worker.Post(kApplyThreadMessage));
    EXPECT_TRUE(worker.Post(kApplyThreadMessage));
    worker.QuitAndJoin();
    // The second apply finds nothing changed: the first left its snapshot.
    EXPECT_EQ(Ids(), (Vec{0x0C, 0x0C, 0x04, 0x05, 0x06, 0x08, 0x0C}));
    EXPECT_FALSE(worker.Post(kApplyThreadMessage)) << "nothing is queued after the quit";
}

TEST_F(DeviceWorkerTest, WithoutALinkUpNoApplyRunsAndTheChangeWaitsAsUntaken)
{
    DeviceWorker worker(engine);
    worker.Start();
    links.CableState = kLinkRemoved;
    links.ReceiverState = kLinkRemoved;
    worker.Post(kApplyThreadMessage);
    worker.Post(0x605, 1, 2);
    worker.QuitAndJoin();
    EXPECT_TRUE(timeline.Take().empty());
    EXPECT_EQ(page.untakenShown, true) << "whichever link comes up next sends it";
}

TEST_F(DeviceWorkerTest, ABluetoothLinkAloneIsEnoughToRunTheApply)
{
    links.BlePresent = 1;
    FakeLink ble{timeline, "ble"};
    ApplyEngine bleEngine{links, {{}, {}, ble.Writer()}, page, clock};
    DeviceWorker worker(bleEngine);
    worker.Start();
    worker.Post(kApplyThreadMessage);
    worker.QuitAndJoin();
    EXPECT_EQ(ble.writes.size(), 1u);
}

TEST_F(DeviceWorkerTest, ShuttingDownCutsARunningApplyShortAndDropsTheQueuedOnes)
{
    links.CableState = kLinkConnected;
    links.ApplyAllPending = 1;
    BlockingClock blocking;
    ApplyEngine slowEngine{links, {cable.Writer(), {}, {}}, page, blocking};
    {
        DeviceWorker worker(slowEngine);
        worker.Start();
        worker.Post(kApplyThreadMessage);
        worker.Post(kApplyThreadMessage);
        blocking.WaitUntilSleeping();
        // The destructor stops the engine and joins.
    }
    EXPECT_EQ(Ids(), (Vec{0x0C}));
    EXPECT_FALSE(page.saved);
    EXPECT_EQ(links.ApplyAllPending.load(), 1);
}

TEST(RealClockTest, AnInterruptEndsAPauseInProgressAndEveryLaterOne)
{
    RealClock clock;
    std::thread sleeper([&] { clock.SleepFor(std::chrono::hours(1)); });
    clock.Interrupt();
    sleeper.join();
    clock.SleepFor(std::chrono::hours(1));
    SUCCEED();
}

TEST(RealClockTest, APauseLastsAtLeastItsLength)
{
    RealClock clock;
    const auto start = clock.Now();
    clock.SleepFor(std::chrono::milliseconds(20));
    EXPECT_GE(clock.Now() - start, std::chrono::milliseconds(20));
}

} // namespace
} // namespace kestrin
