#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace kestrin::hid {

// The first usage page of the range that HID reserves for vendor-defined use.
inline constexpr uint16_t kVendorUsagePageFirst = 0xFF00;

constexpr bool IsVendorUsagePage(uint16_t page) { return page >= kVendorUsagePageFirst; }

// One top-level collection (an application collection, in practice) of a report descriptor.
struct TopLevelCollection {
    uint16_t usagePage = 0;
    uint16_t usage = 0;
};

// What the driver needs to know of a report descriptor.
struct DescriptorSummary {
    std::vector<TopLevelCollection> collections;
    // Reports carry a leading report id byte: the descriptor declares report ids.
    bool numbered = false;
    // Report ids of the input and the feature reports declared inside vendor-defined
    // top-level collections, each once, in order of appearance (0 when not numbered).
    std::vector<uint8_t> vendorInputIds;
    std::vector<uint8_t> vendorFeatureIds;
};

// Reads the short and long items of a HID report descriptor. Parsing stops quietly at a
// truncated item, so a damaged descriptor yields what came before the damage.
DescriptorSummary SummarizeDescriptor(std::span<const uint8_t> descriptor);

} // namespace kestrin::hid
