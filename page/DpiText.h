#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrin {

// The DPI a user typed, as the stored unit of 50 DPI: the leading decimal digits (none reads
// as 0), held to 50..26000 DPI, truncated to the multiple of 50 below.
int32_t DpiUnitsFromText(std::u16string_view text);

// Removes every character outside 0..9; true when the text changed.
bool KeepDigitsOnly(std::u16string& text);

} // namespace kestrin
