#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrin {

// The DPI a user typed, as the stored unit of 50 DPI: the leading decimal digits (none reads
// as 0), held to 50..26000 DPI, truncated to the multiple of 50 below.
int32_t DpiUnitsFromText(std::u16string_view text);

// Removes every character outside 0..9; true when the text changed.
bool KeepDigitsOnly(std::u16string& text);
// The same, keeping "-" too.
bool KeepSignedDigitsOnly(std::u16string& text);

// The number at the start of a typed text: an optional "-" and the digits after it; none when
// there are no digits. Held to the range of long long.
std::optional<long long> LeadingNumber(std::u16string_view text);

} // namespace kestrin
