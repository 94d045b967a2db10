#pragma once

#include "profiles/ProfileRecord.h"
#include "protocol/Report.h"

#include <cstdint>

namespace kestrin {

// The number of shots a slot's step count names, held to the 30 shots its copy has.
int PatternShotCount(const ButtonSlot& button);

struct PatternReport {
    Report report;
    bool goesOn = false; // the pattern continues in slot + 1 ...
    int nextShot = 0;    // ... starting at this shot
};

// One download report of the button slot's recoil pattern in `slot`, from `startShot` on.
// Each shot is a left click and a move; the last shot's delay is repeated as a pause after
// its move. A shot that does not fit ends the report with a link entry to slot + 1, and the
// caller sends the rest from `nextShot` in that slot. Only the report of shot 0 carries the
// play mode, options and repeat count. Every report holds at least one shot, so a pattern
// always ends.
PatternReport BuildPatternReport(const ButtonSlot& button, uint8_t slot, int startShot);

} // namespace kestrin
