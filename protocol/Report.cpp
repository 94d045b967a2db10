#include "protocol/Report.h"

namespace kestrin {

Report NewReport(uint8_t id, std::size_t length)
{
    Report report;
    report.length = length;
    report.bytes[0] = id;
    report.bytes[1] = static_cast<uint8_t>(length);
    report.bytes[2] = 0x01;
    return report;
}

void WriteChecksum(Report& report, std::size_t first, std::size_t last)
{
    uint16_t sum = 0;
    for (std::size_t i = first; i < last; ++i)
        sum = static_cast<uint16_t>(sum + report.bytes[i]);
    report.bytes[last] = static_cast<uint8_t>(sum >> 8);
    report.bytes[last + 1] = static_cast<uint8_t>(sum);
}

std::string ToHex(std::span<const uint8_t> bytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * bytes.size());
    for (const uint8_t byte : bytes) {
        text.push_back(kDigits[byte >> 4]);
        text.push_back(kDigits[byte & 0x0F]);
    }
    return text;
}

} // namespace kestrin
