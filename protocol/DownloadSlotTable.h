#pragma once

#include "profiles/ProfileRecord.h"

#include <array>
#include <cstdint>

namespace kestrin {

// Per button, the first download slot (1-based) its macro or recoil pattern was written to by
// the last apply that sent the button group; 0 for buttons without one.
using DownloadSlotTable = std::array<uint8_t, kButtonCount>;

} // namespace kestrin
