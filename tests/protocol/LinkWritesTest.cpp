#include "protocol/LinkWrites.h"

#include "protocol/SettingsReports.h"
#include "tests/device/ReportBytes.h"

#include <gtest/gtest.h>

namespace kestrin {
namespace {

using test::Bytes;
using Vec = std::vector<uint8_t>;

// A download report whose bytes 3..130 are 1..128, so every byte shows where it went.
Report NumberedDownload(uint8_t slot)
{
    Report report;
    report.length = 131;
    report.bytes[0] = 0x09;
    report.bytes[1] = 0x83;
    report.bytes[2] = slot;
    for (int i = 3; i < 131; ++i)
        report.bytes[i] = static_cast<uint8_t>(i - 2);
    return report;
}

Vec Counting(int from, int count)
{
    Vec v;
    for (int i = 0; i < count; ++i)
        v.push_back(static_cast<uint8_t>(from + i));
    return v;
}

TEST(DownloadPackets, CarryTheReportSixtyBytesAtATimeAfterAFourByteHead)
{
    const auto packets = ChunkDownloadReport(NumberedDownload(7), LinkKind::Cable);
    for (int j = 0; j < 3; ++j) {
        EXPECT_EQ(packets[j].length, 64u);
        EXPECT_EQ(Bytes(packets[j], 0, 4), (Vec{0x09, 0x40, 7, static_cast<uint8_t>(j)}));
    }
    EXPECT_EQ(Bytes(packets[0], 4, 64), Counting(1, 60));  // report bytes 3..62
    EXPECT_EQ(Bytes(packets[1], 4, 64), Counting(61, 60)); // 63..122
    EXPECT_EQ(Bytes(packets[2], 4, 12), Counting(121, 8)); // 123..130
    EXPECT_EQ(Bytes(packets[2], 12, 64), Vec(52, 0));      // padding
}

TEST(DownloadPackets, MarkTheThirdPacketShortOnlyOverTheReceiver)
{
    const auto receiver = ChunkDownloadReport(NumberedDownload(1), LinkKind::Receiver);
    EXPECT_EQ(receiver[0].bytes[1], 0x40);
    EXPECT_EQ(receiver[1].bytes[1], 0x40);
    EXPECT_EQ(receiver[2].bytes[1], 0x0C);
    EXPECT_EQ(receiver[2].length, 64u) << "the packet is still written whole";
    const auto cable = ChunkDownloadReport(NumberedDownload(1), LinkKind::Cable);
    EXPECT_EQ(cable[2].bytes[1], 0x40);
    EXPECT_EQ(Bytes(receiver[2], 2, 64), Bytes(cable[2], 2, 64));
}

TEST(LinkWrites, ChunkDownloadsOnlyOverTheUsbLinks)
{
    const Report download = NumberedDownload(2);
    EXPECT_EQ(LinkWrites(download, LinkKind::Cable).size(), 3u);
    EXPECT_EQ(LinkWrites(download, LinkKind::Receiver).size(), 3u);
    const auto ble = LinkWrites(download, LinkKind::Bluetooth);
    ASSERT_EQ(ble.size(), 1u);
    EXPECT_EQ(ble[0], download);
}

TEST(LinkWrites, DropTheReportRateReportOverBluetoothOnly)
{
    const auto profile = NewProfileRecord(u"p");
    const Report rate = BuildReportRateReport(*profile);
    EXPECT_TRUE(LinkWrites(rate, LinkKind::Bluetooth).empty());
    for (const LinkKind link : {LinkKind::Cable, LinkKind::Receiver}) {
        const auto writes = LinkWrites(rate, link);
        ASSERT_EQ(writes.size(), 1u);
        EXPECT_EQ(writes[0], rate);
    }
    const Report lighting = BuildLightingReport(*profile);
    EXPECT_EQ(LinkWrites(lighting, LinkKind::Bluetooth), std::vector<Report>{lighting});
}

} // namespace
} // namespace kestrin
