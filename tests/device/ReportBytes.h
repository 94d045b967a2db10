#pragma once

#include "protocol/Report.h"

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace kestrin::test {

inline std::vector<uint8_t> Bytes(const Report& report, std::size_t first, std::size_t last)
{
    return {report.bytes.begin() + first, report.bytes.begin() + last};
}

// Sums the bytes on its own, so that a report's checksum is held against a second computation.
inline uint16_t SumOf(const Report& report, std::size_t first, std::size_t last)
{
    unsigned sum = 0;
    for (std::size_t i = first; i < last; ++i)
        sum += report.bytes[i];
    return static_cast<uint16_t>(sum % 65536);
}

inline uint16_t StoredChecksum(const Report& report, std::size_t at)
{
    return static_cast<uint16_t>(report.bytes[at] * 256 + report.bytes[at + 1]);
}

using Entry = std::pair<uint8_t, uint8_t>;

// The entries of a download report as its count byte (28) announces them.
inline std::vector<Entry> Entries(const Report& report)
{
    std::vector<Entry> entries;
    for (int i = 0; i < report.bytes[28]; ++i)
        entries.emplace_back(report.bytes[29 + 2 * i], report.bytes[30 + 2 * i]);
    return entries;
}

} // namespace kestrin::test
