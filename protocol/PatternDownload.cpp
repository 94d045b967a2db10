#include "protocol/PatternDownload.h"

#include "protocol/DownloadFrame.h"

#include <algorithm>
#include <array>

namespace kestrin {
namespace {

// Shot bytes may fill up to here; the rest of the 100 is kept for a link entry.
constexpr int kShotBytesLimit = 98;

// A shot is at most five entries, two long delays and a pause.
struct ShotBytes {
    std::array<uint8_t, 16> bytes{};
    int size = 0;

    void Put(uint8_t first, uint8_t second)
    {
        bytes[size++] = first;
        bytes[size++] = second;
    }
};

ShotBytes EncodeShot(const GunBullet& shot, bool last)
{
    ShotBytes out;
    const EntryDelay delay = SplitDelay(shot.delay);
    // Left button down and up, 3 ms each, then the move with its two data entries.
    out.Put(3, kMouseLeftKey);
    out.Put(3 | kEntryRelease, kMouseLeftKey);
    out.Put(static_cast<uint8_t>(std::max<int>(delay.rest, kEntryDelayMin)), kEntryMove);
    const auto x = static_cast<uint16_t>(shot.x);
    const auto y = static_cast<uint16_t>(shot.y);
    out.Put(static_cast<uint8_t>(x >> 8), static_cast<uint8_t>(x));
    out.Put(static_cast<uint8_t>(y >> 8), static_cast<uint8_t>(y));
    if (delay.split)
        out.Put(delay.hundreds, kEntryLongDelay);
    if (last) {
        if (delay.split)
            out.Put(delay.hundreds, kEntryLongDelay);
        if (delay.rest >= 10)
            out.Put(delay.rest, kEntryPause);
    }
    return out;
}

} // namespace

int PatternShotCount(const ButtonSlot& button)
{
    return std::min<int>(button.stepCount, kGunMaxShots);
}

PatternReport BuildPatternReport(const ButtonSlot& button, uint8_t slot, int startShot)
{
    PatternReport result{NewDownloadReport(slot)};
    Report& report = result.report;
    startShot = std::max(startShot, 0);
    if (startShot == 0)
        WriteDownloadHeader(report, button, false);

    const int count = PatternShotCount(button);
    int used = 0;
    for (int k = startShot; k < count; ++k) {
        const ShotBytes shot = EncodeShot(button.patternCopy[k], k == count - 1);
        if (used + shot.size > kShotBytesLimit && k > startShot) {
            report.bytes[kDownloadEntriesByte + used] = static_cast<uint8_t>(slot + 1);
            report.bytes[kDownloadEntriesByte + used + 1] = kEntryLink;
            used += 2;
            result.goesOn = true;
            result.nextShot = k;
            break;
        }
        std::copy_n(
            shot.bytes.begin(), shot.size, report.bytes.begin() + kDownloadEntriesByte + used);
        used += shot.size;
    }
    FinishDownloadReport(report, used / 2);
    return result;
}

} // namespace kestrin
