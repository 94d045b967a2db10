#include "protocol/DownloadFrame.h"

#include <algorithm>

namespace kestrin {

EntryDelay SplitDelay(uint16_t delay)
{
    if (delay <= kShortDelayMax)
        return {false, static_cast<uint8_t>(delay), 0};
    // 655 hundreds do not fit the byte; wrapping would turn a long wait into a short one.
    const int hundreds = std::min(delay / 100, 255);
    return {true, static_cast<uint8_t>(delay % 100), static_cast<uint8_t>(hundreds)};
}

Report NewDownloadReport(uint8_t slot)
{
    Report report = NewReport(kDownloadReportId, kDownloadReportLength);
    report.bytes[2] = slot;
    return report;
}

void WriteDownloadHeader(Report& report, const ButtonSlot& button, bool macro)
{
    auto& b = report.bytes;
    b[3] = static_cast<uint8_t>(button.playMode);
    for (int i = 0; i < 3; ++i)
        b[4 + i] = button.downloadOptions[macro ? 0 : i];
    // The mouse reads 0 as "never"; an out-of-range stored count is held to the byte.
    b[7] = static_cast<uint8_t>(std::clamp<int32_t>(button.repeatCount, 1, 255));
}

void FinishDownloadReport(Report& report, int entryCount)
{
    report.bytes[kDownloadCountByte] = static_cast<uint8_t>(entryCount);
    WriteChecksum(report, 3, kDownloadChecksumByte);
}

} // namespace kestrin
