#include "drivers/hid/InputReport.h"

#include <algorithm>

namespace kestrin::hid {

InputLayout InputLayoutFor(const DescriptorSummary& summary)
{
    InputLayout layout;
    layout.numbered = summary.numbered;
    if (summary.numbered)
        layout.eventReportIds = summary.vendorInputIds;
    return layout;
}

std::optional<DeviceEventWord> ParseInputReport(
    std::span<const uint8_t> report, const InputLayout& layout)
{
    if (layout.numbered) {
        if (report.empty())
            return std::nullopt;
        const auto& ids = layout.eventReportIds;
        if (!ids.empty() && std::find(ids.begin(), ids.end(), report[0]) == ids.end())
            return std::nullopt;
        report = report.subspan(1);
    }
    if (report.size() < 4)
        return std::nullopt;
    const DeviceEventWord word{static_cast<uint16_t>(report[0] | report[1] << 8),
        static_cast<uint16_t>(report[2] | report[3] << 8)};
    if ((word.code & 0xFF) != 0x10)
        return std::nullopt;
    return word;
}

} // namespace kestrin::hid
