#include "device/ApplyEngine.h"

#include "base/Trace.h"
#include "protocol/ApplyPlan.h"
#include "protocol/LinkWrites.h"
#include "tests/device/ApplyFakes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace kestrin {
namespace {

using test::FakeClock;
using test::FakeLink;
using test::FakePage;
using test::Timeline;
using Vec = std::vector<uint8_t>;
using Steps = std::vector<std::string>;
using std::chrono::milliseconds;

const std::string kBegin = "0c0a01fe01fe00000000";

class ApplyEngineTest : public ::testing::Test {
protected:
    ApplyEngineTest()
    {
        links.MouseUnreachable = 0;
        links.CableState = kLinkConnected;
    }

    void UseReceiverOnly()
    {
        links.CableState = kLinkRemoved;
        links.ReceiverState = kLinkConnected;
        links.ReceiverMouseAwake = 1;
    }

    // The receiver's mouse answers each whole report while the worker pauses, as the page's
    // event handling does on the UI thread.
    void AcknowledgeReceiverWrites()
    {
        receiver.onWrite = [this](std::span<const uint8_t> bytes) {
            if (bytes[0] != kDownloadReportId || bytes[3] == 2)
                ackDue = true;
        };
        clock.duringPause = [this] {
            if (std::exchange(ackDue, false))
                links.WriteAcknowledged = 1;
        };
    }

    static Vec Ids(const std::vector<Vec>& writes)
    {
        Vec ids;
        for (const Vec& write : writes)
            ids.push_back(write[0]);
        return ids;
    }

    long long PausedMs() const { return clock.elapsed.count(); }

    test::TempFolder folder;
    Timeline timeline;
    LinkState links;
    FakeClock clock{timeline};
    FakeLink cable{timeline, "cable"};
    FakeLink receiver{timeline, "receiver"};
    FakeLink bluetooth{timeline, "ble"};
    FakePage page{timeline, folder.Data()};
    ApplyEngine engine{links, {cable.Writer(), receiver.Writer(), bluetooth.Writer()}, page, clock};
    bool ackDue = false;
};

// --- What an apply sends -------------------------------------------------------------------

TEST_F(ApplyEngineTest, AReportRateChangeSendsTheBeginAndReportRateReportsInOrder)
{
    page.Edit([](ProfileRecord& p) { p.reportRate = 1; });
    engine.ApplyProfile();
    EXPECT_EQ(timeline.Take(),
        (Steps{"watchdog stop", "ring show", "cable " + kBegin, "pause 500",
            "cable 06090104fb00000000", "pause 500", "watchdog start", "save", "snapshot",
            "ring hide"}));
}

TEST_F(ApplyEngineTest, AMoveModeChangeSendsOnlyTheBeginReportButIsSavedAndSnapshotted)
{
    page.Edit([](ProfileRecord& p) { p.moveMode = 1; });
    engine.ApplyProfile();
    EXPECT_EQ(Ids(cable.writes), (Vec{0x0C}));
    EXPECT_EQ(page.snapshot->moveMode, 1);

    ProfileList stored;
    auto header = std::make_unique<ProfileStoreHeader>();
    StoreLoadReport report;
    const auto bytes = test::ReadBytes(ProfileStorePath(folder.Data()));
    ASSERT_TRUE(ParseProfileStore(std::as_bytes(std::span(bytes)), stored, *header, report));
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0]->moveMode, 1);
}

TEST_F(ApplyEngineTest, AfterAProfileSwitchTheBeginReportGoesTwiceWithEveryGroup)
{
    links.ApplyAllPending = 1;
    engine.ApplyProfile();
    EXPECT_EQ(Ids(cable.writes), (Vec{0x0C, 0x0C, 0x04, 0x05, 0x06, 0x08}));
    EXPECT_EQ(links.ApplyAllPending.load(), 0);

    cable.writes.clear();
    engine.ApplyProfile();
    EXPECT_EQ(Ids(cable.writes), (Vec{0x0C})) << "the snapshot now matches the profile";
}

TEST_F(ApplyEngineTest, APatternBeforeTwoMacrosGoesOutInSlotsOneToSixThenTheButtonMap)
{
    page.Edit([](ProfileRecord& p) {
        test::GivePattern(p.buttons[1], 30, 40);
        test::GiveMacro(p.buttons[4], 3);
        test::GiveMacro(p.buttons[10], 5);
    });
    engine.ApplyProfile();

    // Six downloads of three cable packets each, then the map.
    ASSERT_EQ(cable.writes.size(), 1 + 6 * 3 + 1u);
    for (int slot = 1; slot <= 6; ++slot) {
        for (int packet = 0; packet < 3; ++packet) {
            const Vec& write = cable.writes[1 + (slot - 1) * 3 + packet];
            ASSERT_EQ(write.size(), 64u);
            EXPECT_EQ(Vec(write.begin(), write.begin() + 4),
                (Vec{0x09, 0x40, static_cast<uint8_t>(slot), static_cast<uint8_t>(packet)}));
        }
    }
    const Vec& map = cable.writes.back();
    ASSERT_EQ(map.size(), 59u);
    EXPECT_EQ(map[0], 0x08);
    EXPECT_EQ(map[3 + 3 * 1 + 2], 1);
    EXPECT_EQ(map[3 + 3 * 4 + 2], 5);
    EXPECT_EQ(map[3 + 3 * 10 + 2], 6);

    DownloadSlotTable expected{};
    expected[1] = 1;
    expected[4] = 5;
    expected[10] = 6;
    EXPECT_EQ(page.slotTable, expected);

    // 200 ms after each packet and 500 ms after each report.
    EXPECT_EQ(PausedMs(), 500 + 6 * (3 * 200 + 500) + 500);
}

TEST_F(ApplyEngineTest, AnApplyWithoutButtonChangesKeepsTheLastSlotTable)
{
    page.Edit([](ProfileRecord& p) { test::GiveMacro(p.buttons[3], 2); });
    engine.ApplyProfile();
    DownloadSlotTable expected{};
    expected[3] = 1;
    ASSERT_EQ(page.slotTable, expected);

    page.Edit([](ProfileRecord& p) { p.brightness = 2; });
    engine.ApplyProfile();
    EXPECT_EQ(page.slotTable, expected);
}

// --- Which link carries a report -----------------------------------------------------------

TEST_F(ApplyEngineTest, WithTheCableAndAnAwakeReceiverEveryReportGoesOverTheCableOnly)
{
    links.ReceiverState = kLinkConnected;
    links.ReceiverMouseAwake = 1;
    links.BlePresent = 1;
    links.ApplyAllPending = 1;
    page.Edit([](ProfileRecord& p) { test::GiveMacro(p.buttons[2], 2); });
    engine.ApplyProfile();
    EXPECT_EQ(Ids(cable.writes), (Vec{0x0C, 0x0C, 0x04, 0x05, 0x06, 0x09, 0x09, 0x09, 0x08}));
    EXPECT_TRUE(receiver.writes.empty());
    EXPECT_TRUE(bluetooth.writes.empty());
}

TEST_F(ApplyEngineTest, AFailedShortReportOnTheCableIsNeitherRetriedNorOfferedElsewhereNorPaused)
{
    links.ReceiverState = kLinkConnected;
    links.ReceiverMouseAwake = 1;
    cable.results = {0};
    EXPECT_EQ(engine.SendReport(NewReport(kLightingReportId, kLightingReportLength)), 0);
    EXPECT_EQ(cable.writes.size(), 1u);
    EXPECT_TRUE(receiver.writes.empty());
    EXPECT_TRUE(clock.pauses.empty());
}

TEST_F(ApplyEngineTest, ADownloadWhoseLastCablePacketFailsGoesOnToTheReceiverThenBluetooth)
{
    Report download = NewReport(kDownloadReportId, kDownloadReportLength);
    download.bytes[2] = 1;

    // Only the first two packets paused: a failed write has no pause.
    links.ReceiverState = kLinkConnected;
    links.ReceiverMouseAwake = 1;
    AcknowledgeReceiverWrites();
    cable.results = {1, 1, 0};
    EXPECT_NE(engine.SendReport(download), 0);
    EXPECT_EQ(cable.writes.size(), 3u);
    ASSERT_EQ(receiver.writes.size(), 3u);
    EXPECT_EQ(receiver.writes[2][1], 0x0C);
    EXPECT_EQ(clock.pauses,
        (std::vector<milliseconds>{milliseconds(200), milliseconds(200), milliseconds(1000),
            milliseconds(1000), milliseconds(1000), milliseconds(500)}));

    // With the receiver's mouse asleep, Bluetooth takes the report whole.
    links.ReceiverMouseAwake = 0;
    links.BlePresent = 1;
    cable.results = {1, 1, 0};
    EXPECT_NE(engine.SendReport(download), 0);
    ASSERT_EQ(bluetooth.writes.size(), 1u);
    EXPECT_EQ(bluetooth.writes[0].size(), kDownloadReportLength);
}

TEST_F(ApplyEngineTest, OverBluetoothOnlyAReportRateChangeSendsNothingButTheBeginReport)
{
    links.CableState = kLinkNotSeen;
    links.BlePresent = 1;
    page.Edit([](ProfileRecord& p) { p.reportRate = 3; });
    engine.ApplyProfile();
    EXPECT_EQ(Ids(bluetooth.writes), (Vec{0x0C}));
    EXPECT_EQ(PausedMs(), 500) << "no pause for the report that was not written";
    EXPECT_EQ(page.snapshot->reportRate, 3) << "the snapshot still takes the new rate";
}

TEST_F(ApplyEngineTest, WithNoUsableLinkNothingIsWrittenAndNothingPaused)
{
    links.CableState = kLinkRemoved;
    links.ReceiverState = kLinkConnected; // its mouse asleep
    EXPECT_EQ(engine.SendReport(NewReport(kBeginReportId, kBeginReportLength)), 0);
    EXPECT_TRUE(receiver.writes.empty());
    EXPECT_TRUE(clock.pauses.empty());
}

// --- The receiver: acknowledgements and retries --------------------------------------------

TEST_F(ApplyEngineTest, AnAcknowledgingReceiverTakesAShortReportOnceInOneSecond)
{
    UseReceiverOnly();
    AcknowledgeReceiverWrites();
    std::vector<std::string> traced;
    const TraceSink previous = SetTraceSink([&](std::string_view line) {
        if (line.starts_with("Wireless"))
            traced.emplace_back(line);
    });
    EXPECT_EQ(engine.SendReport(NewReport(kLightingReportId, kLightingReportLength)), 1);
    SetTraceSink(previous);
    EXPECT_EQ(receiver.writes.size(), 1u);
    EXPECT_EQ(PausedMs(), 1000);
    EXPECT_EQ(traced, (Steps{"Wireless Send = 1"}));
}

TEST_F(ApplyEngineTest, AStaleAcknowledgementDoesNotCountForTheNextReport)
{
    UseReceiverOnly();
    links.WriteAcknowledged = 1; // left from an earlier report
    receiver.onWrite = [this](std::span<const uint8_t>) { ackDue = true; };
    clock.duringPause = [this] {
        if (std::exchange(ackDue, false))
            links.WriteAcknowledged = 1;
    };
    engine.SendReport(NewReport(kBeginReportId, kBeginReportLength));
    EXPECT_EQ(receiver.writes.size(), 1u);
}

TEST_F(ApplyEngineTest, WithoutAcknowledgementAShortReportIsWrittenTenTimes)
{
    UseReceiverOnly();
    EXPECT_EQ(engine.SendReport(NewReport(kBeginReportId, kBeginReportLength)), 1);
    EXPECT_EQ(receiver.writes.size(), 10u);
    EXPECT_EQ(PausedMs(), 10 * 500 + 500);
}

TEST_F(ApplyEngineTest, ARefusalIsNoAcknowledgementAndFailedWritesEndWithoutTheReportPause)
{
    UseReceiverOnly();
    receiver.results = std::vector<int>(10, 0);
    EXPECT_EQ(engine.SendReport(NewReport(kBeginReportId, kBeginReportLength)), 0);
    EXPECT_EQ(receiver.writes.size(), 10u);
    EXPECT_EQ(PausedMs(), 10 * 500) << "each attempt pauses, the failed report does not";
}

TEST_F(ApplyEngineTest, AnAcknowledgedDownloadTakesOnePassAndAnUnansweredOneTenPasses)
{
    UseReceiverOnly();
    Report download = NewReport(kDownloadReportId, kDownloadReportLength);
    download.bytes[2] = 3;
    AcknowledgeReceiverWrites();
    engine.SendReport(download);
    ASSERT_EQ(receiver.writes.size(), 3u);
    for (int packet = 0; packet < 3; ++packet) {
        const Vec& write = receiver.writes[packet];
        EXPECT_EQ(write.size(), 64u);
        EXPECT_EQ(write[1], packet == 2 ? 0x0C : 0x40);
        EXPECT_EQ(write[2], 3);
        EXPECT_EQ(write[3], packet);
    }
    EXPECT_EQ(PausedMs(), 3 * 1000 + 500);

    receiver.writes.clear();
    receiver.onWrite = nullptr;
    engine.SendReport(download);
    EXPECT_EQ(receiver.writes.size(), 30u);
}

// --- What the mouse did not take ----------------------------------------------------------

// Every write of the reports of `groups` (and the begin report) over `link`, in order.
std::vector<Vec> WritesOf(
    const ProfileRecord& profile, const ProfileRecord& snapshot, LinkKind link)
{
    std::vector<Vec> writes;
    for (const Report& report : PlanApply(profile, snapshot, false).reports) {
        for (const Report& write : LinkWrites(report, link))
            writes.emplace_back(write.data().begin(), write.data().end());
    }
    return writes;
}

TEST_F(ApplyEngineTest, GroupsTheReceiverNeverAcknowledgedGoOutAgainByteForByte)
{
    UseReceiverOnly();
    const ProfileRecord before = *page.snapshot;
    page.Edit([](ProfileRecord& p) {
        p.brightness = 2;
        p.reportRate = 1;
    });
    engine.ApplyProfile(); // the mouse answers nothing
    EXPECT_EQ(page.untakenShown, true);
    EXPECT_EQ(page.snapshot->brightness, before.brightness);
    EXPECT_EQ(page.snapshot->reportRate, before.reportRate);
    EXPECT_TRUE(page.saved) << "pro.data keeps the user's change all the same";

    AcknowledgeReceiverWrites();
    receiver.writes.clear();
    engine.ApplyProfile();
    EXPECT_EQ(receiver.writes, WritesOf(*page.current, before, LinkKind::Receiver));
    EXPECT_EQ(page.untakenShown, false);
    EXPECT_EQ(page.snapshot->brightness, 2);

    receiver.writes.clear();
    engine.ApplyProfile();
    EXPECT_EQ(Ids(receiver.writes), (Vec{0x0C})) << "once taken, a group is not sent again";
}

TEST_F(ApplyEngineTest, AnUnplugMidApplyLeavesTheUnwrittenGroupsForTheNextApply)
{
    const ProfileRecord before = *page.snapshot;
    page.Edit([](ProfileRecord& p) {
        p.dpiX[0] = 20;
        p.brightness = 3;
        test::GiveMacro(p.buttons[4], 2);
    });
    // The begin and settings reports go out; then the cable is gone.
    cable.results = {1, 1, 0, 0, 0, 0, 0};
    engine.ApplyProfile();
    EXPECT_EQ(page.snapshot->dpiX[0], 20);
    EXPECT_EQ(page.snapshot->brightness, before.brightness);
    EXPECT_EQ(std::memcmp(&page.snapshot->buttons, &before.buttons, sizeof before.buttons), 0);
    EXPECT_EQ(page.slotTable, DownloadSlotTable{}) << "the mouse's slots are as they were";

    cable.writes.clear();
    engine.ApplyProfile();
    ProfileRecord settingsTaken = before;
    settingsTaken.dpiX[0] = 20;
    EXPECT_EQ(cable.writes, WritesOf(*page.current, settingsTaken, LinkKind::Cable));
    EXPECT_EQ(page.slotTable[4], 1);
}

TEST_F(ApplyEngineTest, AFullApplyThatFailsStaysFullForTheNextApply)
{
    links.ApplyAllPending = 1;
    cable.results = {1, 1, 0};
    engine.ApplyProfile();
    EXPECT_EQ(links.ApplyAllPending.load(), 1);
    EXPECT_EQ(page.untakenShown, true);

    cable.writes.clear();
    engine.ApplyProfile();
    EXPECT_EQ(links.ApplyAllPending.load(), 0);
    EXPECT_EQ(Ids(cable.writes).front(), 0x0C);
    EXPECT_EQ(cable.writes[1][0], 0x0C) << "the begin report goes twice, as for any full apply";
    EXPECT_EQ(page.untakenShown, false);
}

// --- Skipped applies and the values of one moment ------------------------------------------

TEST_F(ApplyEngineTest, AnUnreachableMouseShowsSendsAndSavesNothing)
{
    links.MouseUnreachable = 1;
    links.ApplyAllPending = 1;
    page.Edit([](ProfileRecord& p) { p.brightness = 1; });
    engine.ApplyProfile();
    EXPECT_TRUE(timeline.Take().empty());
    EXPECT_FALSE(std::filesystem::exists(ProfileStorePath(folder.Data())));
    EXPECT_EQ(links.ApplyAllPending.load(), 1) << "everything still goes out next time";
    EXPECT_NE(page.snapshot->brightness, 1);
    EXPECT_EQ(page.untakenShown, true) << "the user is told the mouse has not taken it";
}

TEST_F(ApplyEngineTest, WithNoProfileLoadedNothingHappensAndEverythingStaysPending)
{
    page.current = nullptr;
    links.ApplyAllPending = 1;
    engine.ApplyProfile();
    EXPECT_TRUE(timeline.Take().empty());
    EXPECT_EQ(links.ApplyAllPending.load(), 1);
}

TEST_F(ApplyEngineTest, AnEditDuringTheApplyIsNeitherInTheSnapshotNorTheFileButGoesOutNext)
{
    page.Edit([](ProfileRecord& p) { p.brightness = 1; });
    bool edited = false;
    clock.duringPause = [&] {
        if (!std::exchange(edited, true))
            page.Edit([](ProfileRecord& p) { p.liftOffDistance = 2; });
    };
    engine.ApplyProfile();
    EXPECT_EQ(Ids(cable.writes), (Vec{0x0C, 0x05}));
    EXPECT_EQ(page.snapshot->brightness, 1);
    EXPECT_NE(page.snapshot->liftOffDistance, 2);

    const auto bytes = test::ReadBytes(ProfileStorePath(folder.Data()));
    ASSERT_EQ(bytes.size(), kProfileStoreHeaderSize + sizeof(ProfileRecord));
    ProfileRecord stored;
    std::memcpy(&stored, bytes.data() + kProfileStoreHeaderSize, sizeof stored);
    EXPECT_EQ(stored.brightness, 1);
    EXPECT_NE(stored.liftOffDistance, 2) << "the file holds what was sent";

    cable.writes.clear();
    engine.ApplyProfile();
    EXPECT_EQ(Ids(cable.writes), (Vec{0x0C, 0x04}));
}

TEST_F(ApplyEngineTest, ProfilesChangedElsewhereDuringTheApplyAreSavedAsThePageHoldsThem)
{
    page.Edit([](ProfileRecord& p) { p.brightness = 1; });
    bool edited = false;
    clock.duringPause = [&] {
        if (std::exchange(edited, true))
            return;
        std::lock_guard lock(page.mutex);
        page.profiles.push_back(NewProfileRecord(u"Added"));
        // A renamed profile is no longer the one the apply copied: its bytes stay the page's.
        page.current->name[0] = u'Q';
        page.current->brightness = 3;
    };
    engine.ApplyProfile();

    const auto bytes = test::ReadBytes(ProfileStorePath(folder.Data()));
    ASSERT_EQ(bytes.size(), kProfileStoreHeaderSize + 2 * sizeof(ProfileRecord));
    ProfileRecord first, second;
    std::memcpy(&first, bytes.data() + kProfileStoreHeaderSize, sizeof first);
    std::memcpy(&second, bytes.data() + kProfileStoreHeaderSize + sizeof first, sizeof second);
    EXPECT_EQ(std::u16string_view(first.name), u"Qrofile1");
    EXPECT_EQ(first.brightness, 3);
    EXPECT_EQ(std::u16string_view(second.name), u"Added");
}

TEST_F(ApplyEngineTest, AProfileSwitchDuringAnApplyStillSendsEverythingNextTime)
{
    links.ApplyAllPending = 1;
    bool switched = false;
    clock.duringPause = [&] {
        if (!std::exchange(switched, true))
            links.ApplyAllPending = 1;
    };
    engine.ApplyProfile();
    EXPECT_EQ(links.ApplyAllPending.load(), 1);
    cable.writes.clear();
    engine.ApplyProfile();
    EXPECT_EQ(Ids(cable.writes), (Vec{0x0C, 0x0C, 0x04, 0x05, 0x06, 0x08}));
}

TEST_F(ApplyEngineTest, AStoppedApplyWritesNoMoreAndLeavesSnapshotAndFileAlone)
{
    links.ApplyAllPending = 1;
    clock.duringPause = [&] { engine.Stop(); };
    engine.ApplyProfile();
    EXPECT_EQ(cable.writes.size(), 1u);
    EXPECT_EQ(timeline.Take(),
        (Steps{"watchdog stop", "ring show", "cable " + kBegin, "pause 500", "ring hide"}));
    EXPECT_EQ(links.ApplyAllPending.load(), 1);
    EXPECT_FALSE(std::filesystem::exists(ProfileStorePath(folder.Data())));

    engine.ApplyProfile();
    EXPECT_TRUE(timeline.Take().empty()) << "a stopped engine runs no more applies";
}

} // namespace
} // namespace kestrin
