#include "protocol/LinkWrites.h"

#include <algorithm>

namespace kestrin {
namespace {

constexpr std::size_t kPacketPayload = 60;
constexpr std::size_t kPayloadStart = 3;
constexpr uint8_t kReceiverLastPacketLength = 0x0C;

} // namespace

std::array<Report, kDownloadPacketCount> ChunkDownloadReport(const Report& report, LinkKind link)
{
    std::array<Report, kDownloadPacketCount> packets;
    for (int j = 0; j < kDownloadPacketCount; ++j) {
        Report& packet = packets[j];
        packet.length = kPacketLength;
        packet.bytes[0] = kDownloadReportId;
        const bool shortLast = link == LinkKind::Receiver && j == kDownloadPacketCount - 1;
        packet.bytes[1] = shortLast ? kReceiverLastPacketLength : kPacketLength;
        packet.bytes[2] = report.bytes[2];
        packet.bytes[3] = static_cast<uint8_t>(j);
        const std::size_t from = kPayloadStart + kPacketPayload * j;
        const std::size_t to = std::min(from + kPacketPayload, report.length);
        if (from < to)
            std::copy(
                report.bytes.begin() + from, report.bytes.begin() + to, packet.bytes.begin() + 4);
    }
    return packets;
}

std::vector<Report> LinkWrites(const Report& report, LinkKind link)
{
    if (link == LinkKind::Bluetooth)
        return report.id() == kReportRateReportId ? std::vector<Report>{}
                                                  : std::vector<Report>{report};
    if (report.id() == kDownloadReportId) {
        const auto packets = ChunkDownloadReport(report, link);
        return {packets.begin(), packets.end()};
    }
    return {report};
}

} // namespace kestrin
