#include "device/BleTransport.h"

#include "device/BlePresence.h"
#include "tests/support/FakeGattBus.h"

#include <gtest/gtest.h>
#include <hidapi.h>

namespace kestrin {
namespace {

using test::FakeGattBus;

const uint8_t kReport[131] = {0x09};

TEST(BleTransport, OnlyTheConnectedMousesInterfacesAreWrittenAndRegistered)
{
    FakeGattBus bus;
    bus.AddMouse("aabbccddeeff");
    bus.AddMouse("112233445566");
    bus.AddMouse("aabbccddeeff", "VID&02045f"); // another product of the same address
    bus.devices = {{true, "Mouse", "BTHLE\\Dev_aabbccddeeff"},
        {false, "Mouse too", "BTHLE\\Dev_112233445566"}, {true, "Odd", "BTHLE\\Devaabb"}};
    BleTransport transport(bus);

    EXPECT_EQ(transport.WriteReport(kReport), 0) << "the link is down";
    transport.Up();
    std::vector<std::pair<uint16_t, uint16_t>> events;
    transport.RegisterNotifications(
        [&](uint16_t code, uint16_t value) { events.emplace_back(code, value); });
    EXPECT_EQ(transport.ConnectedIds(), (std::vector<std::string>{"aabbccddeeff"}))
        << "a disconnected device and one with no id are left out";
    ASSERT_EQ(bus.subscribed.size(), 1U) << "0xFEE4 of the connected mouse only";

    // Notification bytes 10 40 00 39: code 0x4010, value 0x3900; a short one is nothing.
    const uint8_t status[] = {0x10, 0x40, 0x00, 0x39};
    const uint8_t shortOne[] = {0x10};
    bus.subscribed.begin()->second(status);
    bus.subscribed.begin()->second(shortOne);
    EXPECT_EQ(events, (std::vector<std::pair<uint16_t, uint16_t>>{{0x4010, 0x3900}}));

    // One write of the whole report, to 0xFEE3; when the first interface refuses, the next.
    EXPECT_EQ(transport.WriteReport(kReport), 1);
    bus.AddMouse("AABBCCDDEEFF"); // the same device, another service, upper-case address
    bus.services[0].takesWrites = false;
    EXPECT_EQ(transport.WriteReport(kReport), 1);
    EXPECT_EQ(bus.written,
        (std::vector<std::string>{"char1 of service0: 131", "char1 of service3: 131"}));

    // Disconnected, the device leaves the list at the next registration: nothing qualifies.
    bus.devices[0].connected = false;
    transport.RegisterNotifications(nullptr);
    EXPECT_EQ(transport.WriteReport(kReport), 0);
}

TEST(BleTransport, GoingDownEndsEverySubscriptionAndOnlyThose)
{
    FakeGattBus bus;
    bus.devices = {{true, "Mouse", "BTHLE\\Dev_aabbccddeeff"}};
    BleTransport transport(bus);
    EXPECT_FALSE(transport.Down()) << "nothing to end before any registration";
    EXPECT_TRUE(bus.unsubscribed.empty());

    bus.AddMouse("aabbccddeeff");
    bus.AddMouse("aabbccddeeff");
    transport.Up();
    transport.RegisterNotifications(nullptr);
    transport.RegisterNotifications(nullptr); // the link came up again before going down
    EXPECT_EQ(bus.subscribed.size(), 2U) << "a registration replaces the last";
    EXPECT_TRUE(transport.Down());
    EXPECT_EQ(bus.unsubscribed, (std::vector<uint64_t>{1, 2, 3, 4}));
    EXPECT_TRUE(bus.subscribed.empty())
        << "no event is delivered twice after the next registration";
    EXPECT_FALSE(transport.IsUp());
    transport.RegisterNotifications(nullptr);
    EXPECT_TRUE(bus.subscribed.empty()) << "down, nothing registers";
}

TEST(BleTransport, AMouseTheStackToldOfAfterTheLinkCameUpIsWrittenToAtOnce)
{
    FakeGattBus bus;
    BleTransport transport(bus);
    transport.Up(); // before the stack has told of anything
    bus.AddMouse("aabbccddeeff");
    bus.devices = {{true, "Mouse", "BTHLE\\Dev_aabbccddeeff"}};
    EXPECT_EQ(transport.WriteReport(kReport), 1);
}

// BlueZ reads its objects without the program waiting: the registration 2 s after the link came
// up may find none of the mouse's characteristics yet, and its events would never arrive.
TEST(BleTransport, ARegistrationThatFoundNothingIsMadeWhenCharacteristicsAppear)
{
    FakeGattBus bus;
    bus.devices = {{true, "Mouse", "BTHLE\\Dev_aabbccddeeff", true}};
    BleTransport transport(bus);
    ASSERT_TRUE(bus.characteristicsAdded);
    transport.Up();
    int events = 0;
    transport.RegisterNotifications([&](uint16_t, uint16_t) { ++events; });
    EXPECT_TRUE(bus.subscribed.empty());

    bus.AddMouse("aabbccddeeff");
    bus.characteristicsAdded();
    ASSERT_EQ(bus.subscribed.size(), 1U);
    const uint8_t status[] = {0x10, 0x40, 0x00, 0x39};
    bus.subscribed.begin()->second(status);
    EXPECT_EQ(events, 1) << "with the registration's own handler";
    bus.characteristicsAdded();
    EXPECT_EQ(bus.unsubscribed.size(), 0U) << "a registration that found some stands";

    // A registration that found nothing is not made again once the link went down.
    transport.Down();
    bus.services.clear();
    transport.Up();
    transport.RegisterNotifications(nullptr);
    transport.Down();
    bus.AddMouse("aabbccddeeff");
    bus.characteristicsAdded();
    EXPECT_TRUE(bus.subscribed.empty());
}

TEST(BleTransport, TheMouseCountsConnectedOnlyWhenTheStackHasItConnectedAndResolved)
{
    FakeGattBus bus;
    BleTransport transport(bus);
    bus.AddMouse("aabbccddeeff", "VID&02045f"); // another product at the mouse's address
    bus.devices = {{true, "Other", "BTHLE\\Dev_aabbccddeeff", true}};
    EXPECT_FALSE(transport.MouseConnected());
    bus.AddMouse("aabbccddeeff");
    bus.devices[0].servicesResolved = false;
    EXPECT_FALSE(transport.MouseConnected()) << "connected, services not resolved";
    bus.devices[0].servicesResolved = true;
    EXPECT_TRUE(transport.MouseConnected()) << "asked with the link down";
    bus.devices[0].connected = false;
    EXPECT_FALSE(transport.MouseConnected());
}

TEST(BlePresence, OnlyAnEntryOnTheBluetoothBusIsTheBluetoothMouse)
{
    hid_device_info wired{};
    wired.vendor_id = kBleVendorId;
    wired.product_id = kBleProductId;
    wired.bus_type = HID_API_BUS_USB;
    EXPECT_FALSE(ListsBleMouse(&wired)) << "a wired mouse with the same ids";
    hid_device_info bluetooth = wired;
    bluetooth.bus_type = HID_API_BUS_BLUETOOTH;
    wired.next = &bluetooth;
    EXPECT_TRUE(ListsBleMouse(&wired));
    EXPECT_FALSE(ListsBleMouse(nullptr));
}

TEST(BleTransport, TheIdListStopsAtAHundred)
{
    FakeGattBus bus;
    for (int i = 0; i < 150; ++i)
        bus.devices.push_back({true, "Device", "BTHLE\\Dev_" + std::to_string(100000 + i)});
    BleTransport transport(bus);
    transport.RefreshConnectedIds();
    ASSERT_EQ(transport.ConnectedIds().size(), BleTransport::kMaxConnectedIds);
    EXPECT_EQ(transport.ConnectedIds().back(), "100099");
}

} // namespace
} // namespace kestrin
