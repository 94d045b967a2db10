// The driver library's pure parts: device identities, report descriptors, the choice of the
// vendor node, and the input reports that carry the mouse's events.
#include "drivers/hid/HidIdentity.h"
#include "drivers/hid/InputReport.h"
#include "drivers/hid/InterfaceChoice.h"
#include "drivers/hid/NodePresence.h"
#include "drivers/hid/ReportDescriptor.h"

#include <gtest/gtest.h>

#include <vector>

namespace kestrin::hid {
namespace {

using Bytes = std::vector<uint8_t>;

// A mouse collection (report 1) and a vendor collection with two feature reports (0x0C, 0x04)
// and one input report (0x10), as a composite node of a gaming mouse carries them.
const Bytes kMouseAndVendor = {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x85, 0x01, 0x09, 0x01, 0xA1,
    0x00, 0x05, 0x09, 0x19, 0x01, 0x29, 0x03, 0x15, 0x00, 0x25, 0x01, 0x95, 0x03, 0x75, 0x01, 0x81,
    0x02, 0x95, 0x01, 0x75, 0x05, 0x81, 0x03, 0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x15, 0x81, 0x25,
    0x7F, 0x75, 0x08, 0x95, 0x02, 0x81, 0x06, 0xC0, 0xC0, //
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x0C, 0x09, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00,
    0x75, 0x08, 0x95, 0x09, 0xB1, 0x02, 0x85, 0x04, 0x09, 0x01, 0x95, 0x37, 0xB1, 0x02, 0x85, 0x10,
    0x09, 0x02, 0x95, 0x04, 0x81, 0x02, 0xC0};

// One vendor collection without report ids: an 8-byte input and a 64-byte feature report.
const Bytes kVendorUnnumbered = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x09, 0x02, 0x15, 0x00,
    0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x08, 0x81, 0x02, 0x09, 0x03, 0x95, 0x40, 0xB1, 0x02, 0xC0};

TEST(HidIdentityTest, TheHidIdPropertyNamesVendorAndProductOnAnyBus)
{
    const auto cable = ParseHidIdProperty("0003:00001D57:0000FA61");
    ASSERT_TRUE(cable);
    EXPECT_EQ(cable->bus, 0x0003);
    EXPECT_EQ(cable->vendor, 0x1D57);
    EXPECT_EQ(cable->product, 0xFA61);
    EXPECT_TRUE(SameDevice(*cable, 0x1D57, 0xFA61));
    EXPECT_FALSE(SameDevice(*cable, 0x1D57, 0xFA60));

    // A device made from user space may say any bus, even 0; it is still the mouse.
    const auto made = ParseHidIdProperty("0000:00001d57:0000fa60");
    ASSERT_TRUE(made);
    EXPECT_TRUE(SameDevice(*made, 0x1D57, 0xFA60));

    for (const char* bad : {"", "0003:1D57:FA61", "0003:00001D57:0000FA6",
             "0003:00001D57:0000FA61x", "0003:00011D57:0000FA61", "000G:00001D57:0000FA61",
             "0003-00001D57-0000FA61", "0003:00001D57:0000FA61\n"})
        EXPECT_FALSE(ParseHidIdProperty(bad)) << '"' << bad << '"';
}

TEST(HidIdentityTest, ADevicePathNamesTheDeviceWhenItsPropertiesAreGone)
{
    const auto made =
        HidIdentityFromDevpath("/devices/virtual/misc/uhid/0006:1D57:FA61.0001/hidraw/hidraw0");
    ASSERT_TRUE(made);
    EXPECT_EQ(made->bus, 0x0006);
    EXPECT_TRUE(SameDevice(*made, 0x1D57, 0xFA61));

    const auto usb = HidIdentityFromDevpath(
        "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.2/0003:1D57:FA60.000B/hidraw/hidraw3/");
    ASSERT_TRUE(usb);
    EXPECT_TRUE(SameDevice(*usb, 0x1D57, 0xFA60));

    const auto bluetooth = HidIdentityFromDevpath("/devices/virtual/misc/uhid/0005:045E:0040.0004");
    ASSERT_TRUE(bluetooth);
    EXPECT_TRUE(SameDevice(*bluetooth, 0x045E, 0x0040));

    for (const char* bad :
        {"", "hidraw0", "/hidraw/hidraw0", "/devices/usb1/1-2/1-2:1.2/hidraw/hidraw3",
            "/devices/x/0003:1D57:FA61.0001/input/input5",
            "/devices/x/0003:1D57:FA61/hidraw/hidraw1",
            "/devices/x/0003:1D57:FA61.0001/misc/hidraw0", "/devices/x/0003:1D57:FA6Z.0001"})
        EXPECT_FALSE(HidIdentityFromDevpath(bad)) << '"' << bad << '"';
}

TEST(ReportDescriptorTest, CollectionsAndVendorReportIdsOfACompositeNode)
{
    const DescriptorSummary summary = SummarizeDescriptor(kMouseAndVendor);
    ASSERT_EQ(summary.collections.size(), 2u);
    EXPECT_EQ(summary.collections[0].usagePage, 0x01);
    EXPECT_EQ(summary.collections[0].usage, 0x02);
    EXPECT_EQ(summary.collections[1].usagePage, 0xFF00);
    EXPECT_EQ(summary.collections[1].usage, 0x01);
    EXPECT_TRUE(summary.numbered);
    // The mouse's input report 1 lies outside the vendor collection.
    EXPECT_EQ(summary.vendorInputIds, Bytes{0x10});
    EXPECT_EQ(summary.vendorFeatureIds, (Bytes{0x0C, 0x04}));
}

TEST(ReportDescriptorTest, UnnumberedReportsAreId0)
{
    const DescriptorSummary summary = SummarizeDescriptor(kVendorUnnumbered);
    ASSERT_EQ(summary.collections.size(), 1u);
    EXPECT_EQ(summary.collections[0].usagePage, 0xFF00);
    EXPECT_FALSE(summary.numbered);
    EXPECT_EQ(summary.vendorInputIds, Bytes{0});
    EXPECT_EQ(summary.vendorFeatureIds, Bytes{0});
}

TEST(ReportDescriptorTest, PagesFromExtendedUsagesPushPopAndNestedCollections)
{
    // A four-byte usage names its own page, over the global one.
    const Bytes extended = {0x05, 0x01, 0x0B, 0x01, 0x00, 0x00, 0xFF, 0xA1, 0x01, 0xC0};
    const DescriptorSummary a = SummarizeDescriptor(extended);
    ASSERT_EQ(a.collections.size(), 1u);
    EXPECT_EQ(a.collections[0].usagePage, 0xFF00);
    EXPECT_EQ(a.collections[0].usage, 0x01);

    // Push, a page change, pop: the vendor page is back for the collection. The input sits in a
    // nested collection and still belongs to the vendor one.
    const Bytes pushPop = {0x06, 0x01, 0xFF, 0xA4, 0x05, 0x01, 0xB4, 0x09, 0x01, 0xA1, 0x01, 0x85,
        0x05, 0xA1, 0x02, 0x09, 0x01, 0x75, 0x08, 0x95, 0x04, 0x81, 0x02, 0xC0, 0xC0};
    const DescriptorSummary b = SummarizeDescriptor(pushPop);
    ASSERT_EQ(b.collections.size(), 1u);
    EXPECT_EQ(b.collections[0].usagePage, 0xFF01);
    EXPECT_EQ(b.vendorInputIds, Bytes{5});

    // A collection with no usage takes the page alone.
    const Bytes bare = {0x05, 0x0C, 0xA1, 0x01, 0xC0};
    const DescriptorSummary c = SummarizeDescriptor(bare);
    ASSERT_EQ(c.collections.size(), 1u);
    EXPECT_EQ(c.collections[0].usagePage, 0x0C);
    EXPECT_EQ(c.collections[0].usage, 0);
}

TEST(ReportDescriptorTest, LongItemsAreSkippedAndDamageEndsTheParse)
{
    const Bytes withLongItem = {
        0xFE, 0x02, 0x10, 0xAA, 0xBB, 0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0xC0};
    const DescriptorSummary a = SummarizeDescriptor(withLongItem);
    ASSERT_EQ(a.collections.size(), 1u);
    EXPECT_EQ(a.collections[0].usage, 0x02);

    // Cut inside the report id item: what came before stands, the id does not.
    const Bytes truncated = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85};
    const DescriptorSummary b = SummarizeDescriptor(truncated);
    ASSERT_EQ(b.collections.size(), 1u);
    EXPECT_FALSE(b.numbered);

    // A long item that claims more than is left, stray end-collections, pops of an empty stack.
    const Bytes hostile = {0xC0, 0xC0, 0xB4, 0xB4, 0xFE, 0xFF, 0x00};
    EXPECT_TRUE(SummarizeDescriptor(hostile).collections.empty());
    EXPECT_TRUE(SummarizeDescriptor({}).collections.empty());
}

TEST(InterfaceChoiceTest, TheVendorCollectionWinsWhereverItIs)
{
    // A device made from user space: one node, no USB interface, mouse listed first.
    const std::vector<HidCandidate> made = {
        {"/dev/hidraw4", 0x01, 0x02, -1}, {"/dev/hidraw4", 0xFF00, 0x01, -1}};
    EXPECT_EQ(ChooseVendorInterface(made), "/dev/hidraw4");

    // A USB receiver with one node per interface; the vendor node is not the highest.
    const std::vector<HidCandidate> usb = {{"/dev/hidraw0", 0x01, 0x02, 0},
        {"/dev/hidraw1", 0xFF02, 0x01, 1}, {"/dev/hidraw2", 0x01, 0x06, 2},
        {"/dev/hidraw2", 0x0C, 0x01, 2}};
    EXPECT_EQ(ChooseVendorInterface(usb), "/dev/hidraw1");

    // Every vendor page counts, up to 0xFFFF; the first of several wins.
    const std::vector<HidCandidate> two = {{"/dev/hidraw7", 0x0C, 0x01, 3},
        {"/dev/hidraw5", 0xFFFF, 0x01, 1}, {"/dev/hidraw6", 0xFF00, 0x01, 2}};
    EXPECT_EQ(ChooseVendorInterface(two), "/dev/hidraw5");
}

TEST(InterfaceChoiceTest, WithoutAVendorPageTheBootInterfacesComeLast)
{
    const std::vector<HidCandidate> consumer = {{"/dev/hidraw0", 0x01, 0x02, 0},
        {"/dev/hidraw1", 0x0C, 0x01, 1}, {"/dev/hidraw2", 0x01, 0x06, 2}};
    EXPECT_EQ(ChooseVendorInterface(consumer), "/dev/hidraw1");

    const std::vector<HidCandidate> bootOnly = {{"/dev/hidraw0", 0x01, 0x02, 0},
        {"/dev/hidraw1", 0x01, 0x06, 1}, {"/dev/hidraw2", 0x01, 0x02, 0}};
    EXPECT_EQ(ChooseVendorInterface(bootOnly), "/dev/hidraw1");

    // No interface numbers to tell them apart: the first.
    const std::vector<HidCandidate> flat = {
        {"/dev/hidraw8", 0x0C, 0x01, -1}, {"/dev/hidraw9", 0x0D, 0x01, -1}};
    EXPECT_EQ(ChooseVendorInterface(flat), "/dev/hidraw8");

    EXPECT_EQ(ChooseVendorInterface({}), std::nullopt);
}

TEST(InterfaceChoiceTest, ADescriptorGivesOneCandidatePerCollection)
{
    const auto candidates = CandidatesFromDescriptor("/dev/hidraw3", kMouseAndVendor, 2);
    ASSERT_EQ(candidates.size(), 2u);
    EXPECT_EQ(candidates[1].path, "/dev/hidraw3");
    EXPECT_EQ(candidates[1].usagePage, 0xFF00);
    EXPECT_EQ(candidates[1].interfaceNumber, 2);
    EXPECT_TRUE(CandidatesFromDescriptor("/dev/hidraw3", {}, 2).empty());
}

TEST(InputReportTest, NumberedEventReportsAreCodeThenValueLittleEndian)
{
    const InputLayout layout = InputLayoutFor(SummarizeDescriptor(kMouseAndVendor));
    EXPECT_TRUE(layout.numbered);
    const Bytes dpi = {0x10, 0x10, 0x10, 0x03, 0x00};
    EXPECT_EQ(ParseInputReport(dpi, layout), (DeviceEventWord{0x1010, 3}));
    // Battery: status 2 in the low byte, 85 % in the high byte of the value.
    const Bytes battery = {0x10, 0x10, 0x40, 0x02, 0x55, 0x00, 0x00};
    EXPECT_EQ(ParseInputReport(battery, layout), (DeviceEventWord{0x4010, 0x5502}));

    // The mouse's own pointer report shares the node and is no event.
    EXPECT_EQ(ParseInputReport(Bytes{0x01, 0x00, 0x10, 0x10, 0x00}, layout), std::nullopt);
    // An id the descriptor does not declare.
    EXPECT_EQ(ParseInputReport(Bytes{0x11, 0x10, 0x10, 0x03, 0x00}, layout), std::nullopt);
}

TEST(InputReportTest, UnnumberedReportsStartWithTheCode)
{
    const InputLayout layout = InputLayoutFor(SummarizeDescriptor(kVendorUnnumbered));
    EXPECT_FALSE(layout.numbered);
    const Bytes ack = {0x10, 0x50, 0x01, 0x00, 0, 0, 0, 0};
    EXPECT_EQ(ParseInputReport(ack, layout), (DeviceEventWord{0x5010, 1}));
    const Bytes lighting = {0x10, 0x70, 0x34, 0x12};
    EXPECT_EQ(ParseInputReport(lighting, layout), (DeviceEventWord{0x7010, 0x1234}));
}

TEST(InputReportTest, ShortOddAndNonEventReportsAreDropped)
{
    const InputLayout numbered{true, {0x10}};
    const InputLayout anyId{true, {}};
    const InputLayout plain{false, {}};
    EXPECT_EQ(ParseInputReport({}, numbered), std::nullopt);
    EXPECT_EQ(ParseInputReport(Bytes{0x10}, numbered), std::nullopt);
    EXPECT_EQ(ParseInputReport(Bytes{0x10, 0x10, 0x10, 0x03}, numbered), std::nullopt);
    EXPECT_EQ(ParseInputReport(Bytes{0x10, 0x10, 0x03}, plain), std::nullopt);
    EXPECT_EQ(ParseInputReport({}, plain), std::nullopt);
    // Codes whose low byte is not 0x10 are not events.
    EXPECT_EQ(ParseInputReport(Bytes{0x11, 0x10, 0x01, 0x00}, plain), std::nullopt);
    EXPECT_EQ(ParseInputReport(Bytes{0x10, 0x00, 0x10, 0x01, 0x00}, numbered), std::nullopt);
    // A vendor collection that declares no input takes any id.
    EXPECT_EQ(
        ParseInputReport(Bytes{0x42, 0x10, 0x80, 0x05, 0x00}, anyId), (DeviceEventWord{0x8010, 5}));
}

TEST(NodePresenceTest, ADeviceWithSeveralNodesArrivesAndGoesOnce)
{
    const std::string mouse = "/sys/devices/usb1/1-2/1-2:1.0/0003:1D57:FA60.0001/hidraw/hidraw0";
    const std::string vendor = "/sys/devices/usb1/1-2/1-2:1.1/0003:1D57:FA60.0002/hidraw/hidraw1";
    NodePresence presence;
    EXPECT_FALSE(presence.Present());
    EXPECT_EQ(presence.Removed(mouse), PresenceChange::None) << "a removal before any arrival";
    EXPECT_EQ(presence.Added(mouse), PresenceChange::Arrived);
    EXPECT_EQ(presence.Added(vendor), PresenceChange::None);
    EXPECT_EQ(presence.Added(vendor), PresenceChange::None) << "the same node twice";
    EXPECT_EQ(presence.Removed("/sys/devices/other/hidraw/hidraw5"), PresenceChange::None);
    EXPECT_EQ(presence.Removed(vendor), PresenceChange::None);
    EXPECT_TRUE(presence.Present());
    EXPECT_EQ(presence.Removed(mouse), PresenceChange::Removed);
    EXPECT_EQ(presence.Removed(mouse), PresenceChange::None);
    EXPECT_EQ(presence.Added(vendor), PresenceChange::Arrived) << "plugged in again";

    // Nodes there when watching starts are not announced, but their removal is.
    presence.Reset({mouse});
    EXPECT_EQ(presence.Added(mouse), PresenceChange::None);
    EXPECT_EQ(presence.Removed(mouse), PresenceChange::Removed);
}

} // namespace
} // namespace kestrin::hid
