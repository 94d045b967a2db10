#pragma once

#include "profiles/ProfileRecord.h"
#include "protocol/Report.h"

#include <cstdint>

namespace kestrin {

// The number of macro actions a slot's step count names, held to the 46 actions its copy has.
int MacroStepCount(const ButtonSlot& button);

// The button slot's macro copy as one download report in `slot`.
//
// Each action is a key-action entry, plus a long-delay entry when its delay is 128 ms or more.
// A report holds 50 entries; a macro that would need more (only a damaged or foreign record
// can) keeps every key action, so no key is left pressed on the mouse, and gives up long-delay
// entries from its last actions first: those actions wait 127 ms, the longest a key-action
// entry carries on its own.
Report BuildMacroReport(const ButtonSlot& button, uint8_t slot);

} // namespace kestrin
