#pragma once

#include "protocol/LinkKind.h"
#include "protocol/Report.h"

#include <array>
#include <cstddef>
#include <vector>

namespace kestrin {

inline constexpr std::size_t kPacketLength = 64;
inline constexpr int kDownloadPacketCount = 3;

// A download report as the cable and the receiver take it: three 64-byte packets of
// 09, 0x40, slot, packet index, then 60 bytes of the report from byte 3 on (zero-padded).
// Over the receiver the third packet's second byte is 0x0C.
std::array<Report, kDownloadPacketCount> ChunkDownloadReport(const Report& report, LinkKind link);

// The writes that carry one report over one link, in order: the three packets of a download
// report over the cable or the receiver, the whole report otherwise, and nothing for the
// report-rate report over Bluetooth, which the mouse does not take there.
std::vector<Report> LinkWrites(const Report& report, LinkKind link);

} // namespace kestrin
