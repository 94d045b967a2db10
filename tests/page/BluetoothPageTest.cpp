// The device page with the mouse over Bluetooth: one write per report, the mouse's
// notifications, and the cable taking over and giving back.
#include "platform/ModalLoops.h"
#include "protocol/ApplyPlan.h"
#include "protocol/LinkWrites.h"
#include "tests/page/DevicePageFixture.h"
#include "tests/support/FailingFileCalls.h"
#include "ui/BatteryRing.h"
#include "ui/MenuWnd.h"

#include <gmock/gmock.h>

#include <QElapsedTimer>
#include <QTimer>

#include <cstring>
#include <optional>

#include <gtest/gtest.h>

namespace kestrin {
namespace {

using test::WaitFor;

TEST_F(DevicePageTest, TheCableTakesOverFromBluetoothAndTheMouseStaysConnected)
{
    OpenWindow(true);
    ASSERT_EQ(Links().BlePresent.load(), 1);
    ASSERT_EQ(Page().AnyLinkConnected(), 1);
    State(WM_CABLE_STATE, 1);
    Expire(TIMER_CABLE_ARRIVAL);
    EXPECT_EQ(Links().BlePresent.load(), 0);
    EXPECT_EQ(Links().CableState.load(), kLinkConnected);
    EXPECT_EQ(Page().AnyLinkConnected(), 1);

    // Bluetooth comes back beside the cable; pulling the cable then leaves the mouse reachable.
    Page().SetBleConnected(1);
    State(WM_CABLE_STATE, 0);
    EXPECT_EQ(Links().MouseUnreachable.load(), 0);
    EXPECT_FALSE(Visible("ms_1_sleep_label"));
    EXPECT_EQ(Page().AnyLinkConnected(), 1);
}

TEST_F(DevicePageTest, OverBluetoothEveryReportIsOneWriteAndTheMousesNotificationsAreShown)
{
    gattBus.AddMouse("aabbccddeeff");
    gattBus.devices = {{true, "Mouse", "BTHLE\\Dev_aabbccddeeff"}};
    OpenWindow(true);
    EXPECT_TRUE(Visible("ms_1_BLE"));
    EXPECT_FALSE(Visible("ms_1_sleep_label"));
    ASSERT_TRUE(Timer(TIMER_BLE_REGISTER));
    Expire(TIMER_BLE_REGISTER);
    ASSERT_EQ(gattBus.subscribed.size(), 1U);

    Page().RequestApply();
    ProfileRecord profile{};
    ASSERT_TRUE(WaitFor([&] {
        profile = Page().Profiles().Edit([&] { return *Page().Profiles().Current(); });
        return Links().ApplyAllPending.load() == 0 && !Visible("apply_ring") &&
            !gattBus.WrittenBytes().empty();
    }));
    std::vector<std::vector<uint8_t>> expected;
    for (const Report& report : PlanApply(profile, profile, true).reports)
        for (const Report& write : LinkWrites(report, LinkKind::Bluetooth))
            expected.emplace_back(write.data().begin(), write.data().end());
    EXPECT_EQ(gattBus.WrittenBytes(), expected) << "every report whole, none for the report rate";

    // A report-rate change alone: Bluetooth takes no report-rate report, only the begin report.
    {
        std::lock_guard lock(gattBus.writes);
        gattBus.writtenBytes.clear();
    }
    Page().Profiles().EditCurrent(
        [&](ProfileRecord& p) { p.reportRate = (profile.reportRate + 1) % 4; });
    Page().RequestApply();
    ASSERT_TRUE(WaitFor([&] {
        return Page().Profiles().Edit([&] {
            return Page().Profiles().snapshot->reportRate ==
                Page().Profiles().Current()->reportRate;
        });
    }));
    const auto rateWrites = gattBus.WrittenBytes();
    ASSERT_FALSE(rateWrites.empty());
    for (const auto& write : rateWrites)
        EXPECT_EQ(write.at(0), 0x0c) << "only begin reports";

    // Status 0 at 57 %, then an impossible 150 % that leaves the ring as it was.
    const auto notify = [&](std::vector<uint8_t> bytes) {
        gattBus.subscribed.begin()->second(bytes);
        QCoreApplication::processEvents();
    };
    notify({0x10, 0x40, 0x00, 0x39});
    EXPECT_EQ(Ring(), 57);
    notify({0x10, 0x40, 0x00, 0x96});
    EXPECT_EQ(Ring(), 57);

    Page().SetBleConnected(0);
    EXPECT_TRUE(gattBus.subscribed.empty());
    EXPECT_FALSE(Visible("ms_1_BLE"));
    EXPECT_TRUE(Visible("ms_1_sleep_label"));
    EXPECT_EQ(Page().AnyLinkConnected(), 0);
}

TEST_F(DevicePageTest, AChangeMadeWhileBluetoothWasAwayIsUntakenUntilItComesBack)
{
    gattBus.AddMouse("aabbccddeeff");
    gattBus.devices = {{true, "Mouse", "BTHLE\\Dev_aabbccddeeff", true}};
    OpenWindow(true);
    Page().RequestApply();
    ASSERT_TRUE(WaitFor(
        [&] { return Links().ApplyAllPending.load() == 0 && !gattBus.WrittenBytes().empty(); }));
    Page().SetBleConnected(0);
    {
        std::lock_guard lock(gattBus.writes);
        gattBus.writtenBytes.clear();
    }

    const int32_t dpi =
        Page().Profiles().Edit([&] { return Page().Profiles().Current()->dpiX[0]; });
    Page().Profiles().EditCurrent([&](ProfileRecord& p) { p.dpiX[0] = dpi + 2; });
    Page().RequestApply();
    ASSERT_TRUE(WaitFor([&] { return Page().CurrentStatus().untaken; }))
        << "no link could take it: kestrinctl status must not say it was taken";
    EXPECT_TRUE(gattBus.WrittenBytes().empty());

    // Bluetooth comes back: the change goes without another edit.
    Page().SetBleConnected(1);
    ASSERT_TRUE(WaitFor([&] {
        return !Page().CurrentStatus().untaken &&
            Page().Profiles().Edit([&] { return Page().Profiles().snapshot->dpiX[0]; }) == dpi + 2;
    }));
    EXPECT_FALSE(gattBus.WrittenBytes().empty());
}

TEST_F(DevicePageTest, PullingTheCableBringsBackBluetoothTheStackStillHasConnected)
{
    gattBus.AddMouse("aabbccddeeff");
    gattBus.devices = {{true, "Mouse", "BTHLE\\Dev_aabbccddeeff", true}};
    OpenWindow(true);
    State(WM_CABLE_STATE, 1);
    Expire(TIMER_CABLE_ARRIVAL);
    ASSERT_EQ(Links().BlePresent.load(), 0);
    ASSERT_FALSE(Visible("ms_1_BLE"));

    // BlueZ tells nothing: the mouse never stopped being connected.
    State(WM_CABLE_STATE, 0);
    EXPECT_EQ(Links().BlePresent.load(), 1);
    EXPECT_TRUE(Visible("ms_1_BLE"));
    EXPECT_FALSE(Visible("ms_1_sleep_label"));
    EXPECT_EQ(Page().AnyLinkConnected(), 1);
    const int32_t dpi =
        Page().Profiles().Edit([&] { return Page().Profiles().Current()->dpiX[0]; });
    Page().Profiles().EditCurrent([&](ProfileRecord& p) { p.dpiX[0] = dpi + 2; });
    Page().RequestApply();
    ASSERT_TRUE(WaitFor([&] {
        return Page().Profiles().Edit([&] { return Page().Profiles().snapshot->dpiX[0]; }) ==
            dpi + 2;
    })) << "the apply goes over Bluetooth";
    EXPECT_FALSE(gattBus.WrittenBytes().empty());
}

} // namespace
} // namespace kestrin
