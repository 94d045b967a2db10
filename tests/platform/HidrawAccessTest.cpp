#include "platform/HidrawAccess.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <set>

namespace kestrin {
namespace {

namespace fs = std::filesystem;

TEST(ParseHidId, ReadsVendorAndProductOfTheHidIdLineOnly)
{
    UsbId id;
    ASSERT_TRUE(ParseHidId("DRIVER=hid-generic\nHID_ID=0003:00001D57:0000FA60\nHID_NAME=x\n", id));
    EXPECT_EQ(id.vendor, 0x1D57);
    EXPECT_EQ(id.product, 0xFA60);
    for (const char* broken : {"HID_NAME=HID_ID=0003:00001D57:0000FA60\n", "HID_ID=0003:1D57\n",
             "HID_ID=0003:00011D57:0000FA60\n", "HID_ID=0003:00001D57:0000FA60x\n", ""})
        EXPECT_FALSE(ParseHidId(broken, id)) << broken;
}

// A sysfs hidraw class of three nodes: the receiver, another device, the cable.
TEST(HidrawNodeDenied, OnlyTheMousesOwnNodesCount)
{
    test::TempFolder folder;
    const fs::path sys = folder.Root() / "hidraw";
    const std::pair<const char*, const char*> nodes[] = {{"hidraw0", "00001D57:0000FA60"},
        {"hidraw1", "0000046D:0000C52B"}, {"hidraw2", "00001D57:0000FA61"}};
    for (const auto& [name, ids] : nodes) {
        fs::create_directories(sys / name / "device");
        std::ofstream(sys / name / "device" / "uevent") << "HID_ID=0003:" << ids << "\n";
    }
    const std::vector<UsbId> mouse{{0x1D57, 0xFA61}, {0x1D57, 0xFA60}};
    std::set<std::string> denied;
    std::vector<std::string> asked;
    const auto mayOpen = [&](const std::string& node) {
        asked.push_back(node);
        return !denied.contains(node);
    };
    EXPECT_FALSE(HidrawNodeDenied(mouse, sys.string(), "/dev", mayOpen));
    EXPECT_EQ(asked.size(), 2u) << "the other device's node is never asked about";

    denied = {"/dev/hidraw1"};
    EXPECT_FALSE(HidrawNodeDenied(mouse, sys.string(), "/dev", mayOpen)) << "not the mouse";
    denied = {"/dev/hidraw2"};
    EXPECT_TRUE(HidrawNodeDenied(mouse, sys.string(), "/dev", mayOpen));
    EXPECT_FALSE(HidrawNodeDenied(mouse, (folder.Root() / "none").string(), "/dev", mayOpen))
        << "no sysfs, nothing seen";
}

} // namespace
} // namespace kestrin
