#pragma once

#include "profiles/ProfileRecord.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace kestrin {

// The ranges in which the program's own controls keep a profile's settings (the page layout's
// sliders, options and lists, the button editors). A value outside them never comes from the
// program: an import that holds one is refused, a store that holds one has it set back to its
// default, and none of it reaches the mouse. A function code outside the button table is the
// button's default function, an empty name one of U+FFFD; the reserved fields are carried as
// they are.
inline constexpr int32_t kDpiUnitsMin = 1;
inline constexpr int32_t kDpiUnitsMax = 520; // 26000 DPI
inline constexpr int32_t kLightingModes = 12;
inline constexpr int32_t kBleLightingModes = 4;
inline constexpr int32_t kReportRateSettings = 4;

// The mouse counts DPI in steps of 50: a stored DPI value n is n × 50 DPI.
inline constexpr int32_t kDpiStep = 50;
// Wide, so that a value from outside the program cannot overflow.
constexpr int64_t DpiOfUnits(int64_t units) { return units * kDpiStep; }
// Truncated to the step below.
constexpr int32_t DpiUnitsOf(int32_t dpi) { return dpi / kDpiStep; }

// The first setting of `profile` outside its range, in words for the trace; nothing when every
// one lies inside. Buttons 1 to 18 only: slots 18 to 23 are never used.
std::optional<std::string> SettingOutOfRange(const ProfileRecord& profile);

// Sets every setting of `profile` outside its range back to its default; a macro or pattern
// button whose copy lies outside goes back to the button's default function. Returns how many
// were set back.
int HoldSettingsInRange(ProfileRecord& profile);

// The one-left-click rule: one of buttons 1 to 16 must stay a left click, or the mouse could no
// longer click.
bool HasLeftClick(const ProfileRecord& profile);

} // namespace kestrin
