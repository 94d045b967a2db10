#pragma once

#include <array>
#include <cstdint>

namespace kestrin {

class KeyLayout;

// One key: its Windows virtual-key code, its key code (HID keyboard usage, or one of the
// program's mouse-button codes 0xF1...0xF5) and its set-1 make code (0 where it has none).
struct KeyRow {
    std::int32_t virtualKey;
    std::int32_t usage;
    std::int32_t scanCode;
};

inline constexpr std::size_t kKeyTableRows = 112;

// Lookups take the first matching row: usage 0x38 and scan code 0x35 appear twice.
extern const std::array<KeyRow, kKeyTableRows> KeyTable;

const KeyRow* FindRowByVirtualKey(std::int32_t virtualKey);
const KeyRow* FindRowByUsage(std::int32_t usage);
const KeyRow* FindRowByScanCode(std::int32_t scanCode);

// The key code of a captured virtual key. Keys of the main block follow their physical
// position in `layout`, so the key the user pressed is stored whatever is printed on it.
// False, with usage 0, when the virtual key has no row.
bool VirtualKeyToUsage(int virtualKey, unsigned& usage, const KeyLayout& layout);

// The same with the layout in use (CurrentKeyLayout).
bool VirtualKeyToUsage(int virtualKey, unsigned& usage);

} // namespace kestrin
