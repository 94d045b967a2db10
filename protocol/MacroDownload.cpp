#include "protocol/MacroDownload.h"

#include "protocol/DownloadFrame.h"

#include <algorithm>

namespace kestrin {

int MacroStepCount(const ButtonSlot& button)
{
    return std::min<int>(button.stepCount, kMacroMaxActions);
}

Report BuildMacroReport(const ButtonSlot& button, uint8_t slot)
{
    Report report = NewDownloadReport(slot);
    WriteDownloadHeader(report, button, true);

    const int count = MacroStepCount(button);
    int spareEntries = kDownloadMaxEntries - count; // room left once every action has its entry
    int entries = 0;
    auto put = [&](uint8_t first, uint8_t second) {
        report.bytes[kDownloadEntriesByte + 2 * entries] = first;
        report.bytes[kDownloadEntriesByte + 2 * entries + 1] = second;
        ++entries;
    };
    for (int i = 0; i < count; ++i) {
        const MacroAction& action = button.macroCopy[i];
        const uint8_t release =
            action.kind == static_cast<uint8_t>(MacroActionKind::Press) ? 0 : kEntryRelease;
        const EntryDelay delay = SplitDelay(action.delay);
        if (delay.split && spareEntries > 0) {
            put(static_cast<uint8_t>(std::max<int>(delay.rest, kEntryDelayMin) | release),
                action.key);
            put(delay.hundreds, kEntryLongDelay);
            --spareEntries;
        } else if (delay.split) {
            put(static_cast<uint8_t>(kShortDelayMax | release), action.key);
        } else {
            put(static_cast<uint8_t>(std::max<int>(delay.rest, kEntryDelayMin) | release),
                action.key);
        }
    }
    FinishDownloadReport(report, entries);
    return report;
}

} // namespace kestrin
