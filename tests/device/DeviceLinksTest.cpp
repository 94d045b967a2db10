// The link states and their transitions, on libraries that reach no mouse: a view that keeps
// what it was last told stands for the page.
#include "device/DeviceLinks.h"
#include "base/Messages.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace kestrin {
namespace {

// A settle is the arrival timer's tick, whether or not the timer still runs; the receiver's
// battery report says 50 %, on the battery.
enum Step {
    CableIn,
    CableOut,
    CableSettles,
    ReceiverIn,
    ReceiverOut,
    ReceiverSettles,
    Watchdog,
    ReceiverBattery,
    BleUp,
    BleDown,
    StackKeepsBle, // the Bluetooth stack has the mouse connected, whatever the link says
    Untaken
};

// What the page would show: '+' shown, '-' hidden, '?' never told.
struct Shown {
    char wired = '?', wireless = '?', ble = '?', sleep = '?', tab = '?', sweep = '?';
    bool operator==(const Shown&) const = default;
};

class View final : public DeviceLinkView {
public:
    DeviceLinks* links = nullptr;
    Shown shown;
    std::set<uintptr_t> timers;
    int linkChanges = 0;
    int resends = 0;
    bool stackHasBle = false;
    std::optional<BatteryReading> battery;

    void ShowWired(bool up) override { shown.wired = up ? '+' : '-'; }
    void ShowWireless(bool up) override { shown.wireless = up ? '+' : '-'; }
    void ShowBluetooth(bool up) override { shown.ble = up ? '+' : '-'; }
    void ShowSleepLabel(bool asleep) override { shown.sleep = asleep ? '+' : '-'; }
    void ShowReportRateTab(bool on) override { shown.tab = on ? '+' : '-'; }
    void ShowChangesUntaken(bool) override { }
    void ShowCableCharging(bool plugged) override { shown.sweep = plugged ? '+' : '-'; }
    void ShowBattery(const BatteryReading& reading) override { battery = reading; }
    void SetTimer(uintptr_t id, int) override { timers.insert(id); }
    void KillTimer(uintptr_t id) override { timers.erase(id); }
    void LinkChanged() override { ++linkChanges; }
    // As the page does: the Bluetooth transport goes down, and with it the link.
    void CableTookOverFromBluetooth() override { links->SetBlePresent(false); }
    void ResumeBluetooth() override
    {
        if (stackHasBle)
            links->SetBlePresent(true);
    }
    void ResendUntaken() override { ++resends; }
};

struct Words {
    int32_t cable, receiver, ble, any, unreachable, awake;
    bool operator==(const Words&) const = default;
};

struct Case {
    const char* name;
    std::vector<Step> steps;
    Words words;
    Shown shown;
    std::set<uintptr_t> timers;
    int linkChanges; // after the start-up one
    int resends = 0;
};

constexpr int32_t N = kLinkNotSeen, C = kLinkConnected, R = kLinkRemoved;
constexpr uintptr_t kCableTimer = TIMER_CABLE_ARRIVAL, kReceiverTimer = TIMER_RECEIVER_ARRIVAL,
                    kWatchdog = TIMER_RECEIVER_WATCHDOG, kBleTimer = TIMER_BLE_REGISTER;

void Take(DeviceLinks& links, View& view, Step step)
{
    const auto settle = [&](LinkKind kind, uintptr_t timer) {
        view.timers.erase(timer);
        links.OnArrivalSettled(kind);
    };
    switch (step) {
    case CableIn:
        return links.OnArrival(LinkKind::Cable);
    case CableOut:
        return links.OnRemoval(LinkKind::Cable);
    case CableSettles:
        return settle(LinkKind::Cable, kCableTimer);
    case ReceiverIn:
        return links.OnArrival(LinkKind::Receiver);
    case ReceiverOut:
        return links.OnRemoval(LinkKind::Receiver);
    case ReceiverSettles:
        return settle(LinkKind::Receiver, kReceiverTimer);
    case Watchdog:
        view.timers.erase(kWatchdog);
        return links.OnReceiverWatchdog();
    case ReceiverBattery:
        return links.OnBatteryStatus({BatteryState::Discharging, 50}, LinkKind::Receiver);
    case BleUp:
        return links.SetBlePresent(true);
    case BleDown:
        return links.SetBlePresent(false);
    case StackKeepsBle:
        view.stackHasBle = true;
        return;
    case Untaken:
        return links.SetChangesUntaken(true);
    }
}

TEST(DeviceLinks, FollowsEachLinkThroughArrivalSettlingRemovalSleepAndBluetooth)
{
    const Case cases[] = {
        {"nothing at start", {}, {N, N, 0, 0, 1, 0}, {'-', '-', '?', '+', '?', '-'}, {}, 0},
        {"the cable waits for its settle", {CableIn, CableIn}, {N, N, 0, 0, 1, 0},
            {'-', '-', '?', '+', '?', '-'}, {kCableTimer}, 0},
        {"the cable settles once", {CableIn, CableIn, CableSettles, CableIn}, {C, N, 0, 1, 0, 0},
            {'+', '-', '?', '-', '+', '+'}, {}, 1},
        {"a removal while it settles cancels it", {CableIn, CableOut, CableSettles},
            {R, N, 0, 0, 1, 0}, {'-', '-', '?', '+', '?', '-'}, {}, 1},
        {"the cable goes, the receiver stays",
            {CableIn, CableSettles, ReceiverIn, ReceiverSettles, CableOut}, {R, C, 0, 1, 1, 0},
            {'-', '+', '?', '+', '+', '-'}, {kWatchdog}, 1},
        {"then the receiver goes",
            {CableIn, CableSettles, ReceiverIn, ReceiverSettles, CableOut, ReceiverOut,
                ReceiverOut},
            {R, R, 0, 0, 1, 0}, {'-', '-', '?', '+', '+', '-'}, {}, 2},
        {"the receiver's mouse wakes with a report", {ReceiverIn, ReceiverSettles, ReceiverBattery},
            {N, C, 0, 1, 0, 1}, {'-', '+', '?', '-', '+', '-'}, {kWatchdog}, 1},
        {"and sleeps without one", {ReceiverIn, ReceiverSettles, ReceiverBattery, Watchdog},
            {N, C, 0, 1, 0, 0}, {'-', '-', '?', '+', '+', '-'}, {}, 1},
        {"on the cable the receiver's mouse is the cable's",
            {ReceiverIn, ReceiverSettles, ReceiverBattery, CableIn, CableSettles, ReceiverBattery},
            {C, C, 0, 1, 0, 0}, {'+', '-', '?', '-', '+', '+'}, {kWatchdog}, 1},
        {"Bluetooth alone", {BleUp}, {N, N, 1, 1, 0, 0}, {'-', '-', '+', '-', '-', '-'},
            {kBleTimer}, 1},
        {"and gone", {BleUp, BleDown}, {N, N, 0, 0, 0, 0}, {'-', '-', '-', '+', '-', '-'}, {}, 2},
        {"the sleeping receiver's mouse loses its tab to Bluetooth",
            {ReceiverIn, ReceiverSettles, ReceiverBattery, BleUp, Watchdog}, {N, C, 1, 1, 0, 0},
            {'-', '-', '+', '-', '-', '-'}, {kBleTimer}, 1},
        {"the cable takes over from Bluetooth", {BleUp, CableIn, CableSettles}, {C, N, 0, 1, 0, 0},
            {'+', '-', '-', '-', '+', '+'}, {}, 2},
        {"Bluetooth keeps the mouse when the cable goes", {CableIn, CableSettles, BleUp, CableOut},
            {R, N, 1, 1, 0, 0}, {'-', '-', '+', '-', '-', '-'}, {kBleTimer}, 1},
        {"Bluetooth the cable took over comes back with the mouse still connected",
            {BleUp, StackKeepsBle, CableIn, CableSettles, CableOut}, {R, N, 1, 1, 0, 0},
            {'-', '-', '+', '-', '-', '-'}, {kBleTimer}, 3},
        {"what Bluetooth missed goes when it comes up", {Untaken, BleUp}, {N, N, 1, 1, 0, 0},
            {'-', '-', '+', '-', '-', '-'}, {kBleTimer}, 1, 1},
        {"what the cable missed goes when it settles", {Untaken, CableIn, CableSettles},
            {C, N, 0, 1, 0, 0}, {'+', '-', '?', '-', '+', '+'}, {}, 1, 1},
        {"what the receiver missed goes when it wakes, once",
            {ReceiverIn, ReceiverSettles, Untaken, ReceiverBattery, ReceiverBattery, Watchdog,
                ReceiverBattery},
            {N, C, 0, 1, 0, 1}, {'-', '+', '?', '-', '+', '-'}, {kWatchdog}, 1, 2},
    };
    for (const Case& c : cases) {
        LinkState words;
        View view;
        DeviceLinks links(words, view);
        view.links = &links;
        links.Open("/nonexistent/", 1, {});
        ASSERT_EQ(view.linkChanges, 1) << c.name;
        view.linkChanges = 0;
        for (const Step step : c.steps)
            Take(links, view, step);
        EXPECT_EQ((Words{words.CableState.load(), words.ReceiverState.load(),
                      words.BlePresent.load(), words.AnyLinkConnected.load(),
                      words.MouseUnreachable.load(), words.ReceiverMouseAwake.load()}),
            c.words)
            << c.name;
        EXPECT_EQ(view.shown, c.shown) << c.name;
        EXPECT_EQ(view.timers, c.timers) << c.name;
        EXPECT_EQ(view.linkChanges, c.linkChanges) << c.name;
        EXPECT_EQ(view.resends, c.resends) << c.name;
    }
}

TEST(DeviceLinks, ReadsABatteryReportByItsLink)
{
    struct Reading {
        LinkKind source;
        bool cable; // the cable is connected
        BatteryState state;
        uint8_t percent;
        bool charging;
        std::optional<int> shows;
    };
    const auto bluetooth = LinkKind::Bluetooth, receiver = LinkKind::Receiver;
    const auto on = BatteryState::Discharging, full = BatteryState::Full,
               charging = BatteryState::Charging;
    const Reading readings[] = {
        {bluetooth, false, full, 40, false, 100},
        {bluetooth, false, charging, 40, true, std::nullopt},
        {bluetooth, false, on, 57, false, 57},
        {bluetooth, false, on, 150, false, std::nullopt}, // the level on show stays
        {LinkKind::Cable, true, on, 40, true, std::nullopt},
        {LinkKind::Cable, false, on, 12, true, std::nullopt},      // the cable still settles
        {receiver, true, BatteryState(1), 40, true, std::nullopt}, // charging until full
        {receiver, true, full, 40, false, 100},
        {receiver, false, charging, 3, true, std::nullopt},
        {receiver, false, on, 40, false, 40},
        {receiver, false, full, 57, false, 57}, // no "full" through the receiver
        {receiver, false, on, 150, false, 100},
    };
    for (const Reading& r : readings) {
        LinkState words;
        View view;
        DeviceLinks links(words, view);
        words.CableState = r.cable ? kLinkConnected : kLinkNotSeen;
        links.OnBatteryStatus({r.state, r.percent}, r.source);
        const std::string what = std::to_string(int(r.source)) + (r.cable ? " cable " : " ") +
            std::to_string(int(r.state)) + " " + std::to_string(r.percent);
        ASSERT_TRUE(view.battery) << what;
        EXPECT_EQ(view.battery->charging, r.charging) << what;
        EXPECT_EQ(view.battery->percent, r.shows) << what;
        // Only the receiver says its mouse is awake; on the cable it is the cable's.
        EXPECT_EQ(words.MouseUnreachable.load(), r.source == receiver && !r.cable ? 0 : 1) << what;
        EXPECT_EQ(view.shown.wireless == '+', r.source == receiver && !r.cable) << what;
    }
}

} // namespace
} // namespace kestrin
