#pragma once

#include "profiles/ProfileRecord.h"
#include "protocol/DownloadSlotTable.h"
#include "protocol/Report.h"

#include <array>
#include <cstdint>

namespace kestrin {

using ButtonWireBytes = std::array<uint8_t, 3>;

// The three bytes that carry one button's function. Key shortcuts take their modifiers and
// key from the slot, macros and recoil patterns their first download slot from `firstSlot`;
// a function code the mouse has no encoding for travels as 00 00 00.
ButtonWireBytes EncodeButtonFunction(const ButtonSlot& slot, uint8_t firstSlot);

// The functions of buttons 0..17.
Report BuildButtonMapReport(const ProfileRecord& profile, const DownloadSlotTable& slots);

} // namespace kestrin
