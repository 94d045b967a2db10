#pragma once

#include "drivers/hid/ReportDescriptor.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kestrin::hid {

// How the mouse's input reports arrive on its vendor node.
//
// An event report carries the event code and then its value, each a 16-bit little-endian
// number, as the Bluetooth notification carries them:
//     [report id] code-low code-high value-low value-high [padding...]
// The report id byte is there exactly when the node's report descriptor declares report ids
// (hidraw hands reports over as the device sent them). When it is there, only the ids of the
// input reports declared inside the vendor-defined collections are events; a node whose vendor
// collection declares no input report takes every id. Bytes after the value are padding to the
// report's declared size. Shorter reports, and codes whose low byte is not 0x10 (which are not
// events, such as a pointer report sharing the node), are dropped.
struct InputLayout {
    bool numbered = false;
    std::vector<uint8_t> eventReportIds; // empty: any id
};

InputLayout InputLayoutFor(const DescriptorSummary& summary);

struct DeviceEventWord {
    uint16_t code = 0;
    uint16_t value = 0;
    bool operator==(const DeviceEventWord&) const = default;
};

std::optional<DeviceEventWord> ParseInputReport(
    std::span<const uint8_t> report, const InputLayout& layout);

} // namespace kestrin::hid
