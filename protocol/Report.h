#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace kestrin {

// Report ids of everything the program writes to the mouse.
inline constexpr uint8_t kBeginReportId = 0x0C;
inline constexpr uint8_t kSettingsReportId = 0x04;
inline constexpr uint8_t kLightingReportId = 0x05;
inline constexpr uint8_t kReportRateReportId = 0x06;
inline constexpr uint8_t kDownloadReportId = 0x09;
inline constexpr uint8_t kButtonMapReportId = 0x08;

inline constexpr std::size_t kBeginReportLength = 10;
inline constexpr std::size_t kSettingsReportLength = 56;
inline constexpr std::size_t kLightingReportLength = 15;
inline constexpr std::size_t kReportRateReportLength = 9;
inline constexpr std::size_t kDownloadReportLength = 131;
inline constexpr std::size_t kButtonMapReportLength = 59;
inline constexpr std::size_t kMaxReportLength = kDownloadReportLength;

// One write to the mouse: a whole report, or one 64-byte packet of a download report.
// Byte 0 is the report id; `length` is what the send routine passes to the link, and the
// bytes past it are zero.
struct Report {
    std::array<uint8_t, kMaxReportLength> bytes{};
    std::size_t length = 0;

    uint8_t id() const { return bytes[0]; }
    std::span<const uint8_t> data() const { return {bytes.data(), length}; }

    friend bool operator==(const Report& a, const Report& b) = default;
};

// An empty report of the given id and length with the common frame: id, length, then 0x01
// (a download report replaces byte 2 with its slot).
Report NewReport(uint8_t id, std::size_t length);

// The 16-bit wrapping sum of bytes [first, last) written high byte first at `last`.
void WriteChecksum(Report& report, std::size_t first, std::size_t last);

// The bytes of a write as lower-case hex without separators, for dumps and the command line.
std::string ToHex(std::span<const uint8_t> bytes);

} // namespace kestrin
