#pragma once

#include "profiles/ProfileRecord.h"
#include "protocol/Report.h"

#include <cstddef>
#include <cstdint>

namespace kestrin {

// Layout shared by the macro and recoil-pattern download reports.
inline constexpr std::size_t kDownloadCountByte = 28;
inline constexpr std::size_t kDownloadEntriesByte = 29;
inline constexpr int kDownloadMaxEntries = 50;
inline constexpr std::size_t kDownloadChecksumByte = 129;

// Second bytes of the entry forms that are not key actions.
inline constexpr uint8_t kEntryLongDelay = 0x03;
inline constexpr uint8_t kEntryMove = 0xF6;
inline constexpr uint8_t kEntryPause = 0x00;
inline constexpr uint8_t kEntryLink = 0xFE;
inline constexpr uint8_t kEntryRelease = 0x80;

inline constexpr int kEntryDelayMin = 5;

// A delay as the entries carry it: up to 127 ms fits one byte; a longer one splits into
// whole hundreds (a long-delay entry) and the rest.
struct EntryDelay {
    bool split;
    uint8_t rest;     // d, or d mod 100 when split
    uint8_t hundreds; // d / 100 when split, held at 255 rather than wrapping
};
EntryDelay SplitDelay(uint16_t delay);

// An empty download report for `slot` (byte 2).
Report NewDownloadReport(uint8_t slot);

// Bytes 3..7 from the button slot: play mode, download options, repeat count (1 when unset).
// A macro sends its first download option three times.
void WriteDownloadHeader(Report& report, const ButtonSlot& button, bool macro);

// Byte 28 and the checksum; call once all entries are in place.
void FinishDownloadReport(Report& report, int entryCount);

} // namespace kestrin
