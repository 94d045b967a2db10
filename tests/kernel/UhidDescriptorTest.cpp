// The report descriptor the virtual mouse shows the kernel: the real driver library must find
// its vendor collection and events in it, and every feature report must be declared with the
// length the program writes, since the kernel forwards whatever length it is given.
#include "drivers/hid/InputReport.h"
#include "drivers/hid/InterfaceChoice.h"
#include "drivers/hid/ReportDescriptor.h"
#include "tools/virtualmouse/UhidMouse.h"

#include <gtest/gtest.h>

#include <map>

using namespace kestrin;
using namespace kestrin::vmouse;

namespace {

// Bytes per report id and main item kind (0x80 input, 0xB0 feature), id byte included, walked
// from the short items directly rather than through the driver's parser.
std::map<std::pair<uint8_t, uint8_t>, int> ReportLengths(std::span<const uint8_t> descriptor)
{
    std::map<std::pair<uint8_t, uint8_t>, int> bits;
    int size = 0, count = 0;
    uint8_t id = 0;
    for (std::size_t i = 0; i < descriptor.size();) {
        const uint8_t prefix = descriptor[i];
        const int length = (prefix & 3) == 3 ? 4 : prefix & 3;
        uint32_t data = 0;
        for (int b = 0; b < length; ++b)
            data |= uint32_t{descriptor[i + 1 + b]} << (8 * b);
        switch (prefix & 0xFC) {
        case 0x74:
            size = static_cast<int>(data);
            break;
        case 0x94:
            count = static_cast<int>(data);
            break;
        case 0x84:
            id = static_cast<uint8_t>(data);
            break;
        case 0x80:
        case 0xB0:
            bits[{id, static_cast<uint8_t>(prefix & 0xFC)}] += size * count;
            break;
        default:
            break;
        }
        i += 1 + length;
    }
    std::map<std::pair<uint8_t, uint8_t>, int> bytes;
    for (const auto& [key, total] : bits)
        bytes[key] = total / 8 + 1;
    return bytes;
}

} // namespace

TEST(UhidDescriptorTest, DeclaresEveryFeatureReportWithTheLengthTheProgramWrites)
{
    const auto lengths = ReportLengths(UhidReportDescriptor());
    // Lengths from the protocol's report table; downloads go as 64-byte packets.
    const std::pair<uint8_t, int> expected[] = {
        {0x0C, 10}, {0x04, 56}, {0x05, 15}, {0x06, 9}, {0x08, 59}, {0x09, 64}};
    for (const auto& [id, length] : expected) {
        const auto found = lengths.find({id, 0xB0});
        ASSERT_NE(found, lengths.end()) << "feature report " << int(id);
        EXPECT_EQ(found->second, length) << "feature report " << int(id);
    }
    EXPECT_EQ(lengths.at({kUhidEventReportId, 0x80}), 5);
    EXPECT_EQ(lengths.at({kUhidPointerReportId, 0x80}), 4);

    // The vendor interface alone declares the same reports.
    auto vendor = ReportLengths(UhidVendorDescriptor());
    auto combined = lengths;
    combined.erase({kUhidPointerReportId, 0x80});
    EXPECT_EQ(vendor, combined);
}

TEST(UhidDescriptorTest, DriverFindsTheVendorCollectionAndItsEventsButNotPointerReports)
{
    const hid::DescriptorSummary summary = hid::SummarizeDescriptor(UhidReportDescriptor());
    ASSERT_EQ(summary.collections.size(), 2u);
    EXPECT_EQ(summary.collections[0].usagePage, 0x01); // the pointer comes first
    EXPECT_EQ(summary.collections[1].usagePage, 0xFF00);
    EXPECT_TRUE(summary.numbered);
    EXPECT_EQ(summary.vendorInputIds, std::vector<uint8_t>{kUhidEventReportId});
    EXPECT_EQ(summary.vendorFeatureIds, (std::vector<uint8_t>{0x0C, 0x04, 0x05, 0x06, 0x08, 0x09}));

    // A uhid node: bus 0 and no interface number in enumeration.
    const auto candidates =
        hid::CandidatesFromDescriptor("/dev/hidraw0", UhidReportDescriptor(), -1);
    EXPECT_EQ(hid::ChooseVendorInterface(candidates), "/dev/hidraw0");

    // Two interfaces, the pointer first, both without interface numbers: the vendor one wins.
    std::vector<hid::HidCandidate> nodes =
        hid::CandidatesFromDescriptor("/dev/hidraw1", UhidPointerDescriptor(), -1);
    const auto more = hid::CandidatesFromDescriptor("/dev/hidraw2", UhidVendorDescriptor(), -1);
    nodes.insert(nodes.end(), more.begin(), more.end());
    EXPECT_EQ(hid::ChooseVendorInterface(nodes), "/dev/hidraw2");
    EXPECT_FALSE(hid::SummarizeDescriptor(UhidPointerDescriptor()).numbered);

    const hid::InputLayout layout = hid::InputLayoutFor(summary);
    const uint8_t event[] = {kUhidEventReportId, 0x10, 0x10, 0x03, 0x00};
    EXPECT_EQ(hid::ParseInputReport(event, layout), (hid::DeviceEventWord{0x1010, 3}));
    // A pointer report whose bytes happen to look like an event is still not one.
    const uint8_t pointer[] = {kUhidPointerReportId, 0x10, 0x10, 0x03, 0x00};
    EXPECT_EQ(hid::ParseInputReport(pointer, layout), std::nullopt);
}
