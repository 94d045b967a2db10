#include "device/BleTransport.h"

#include "tests/support/FakeGattBus.h"

#include <gtest/gtest.h>

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
