#pragma once

#include <cstdint>
#include <optional>

namespace kestrin::hook {

// What the keymap says about one key: its symbols on the first two shift levels of the active
// layout (0 where there is none) and its X keycode (evdev numbering, evdev code + 8).
struct KeySymbols {
    uint32_t base = 0;
    uint32_t shifted = 0;
    uint32_t keycode = 0;
};

// The Windows virtual-key code for a key, or 0 when the key has none. Letters follow the
// layout (the key that types "a" is VK 0x41 wherever it sits); the top-row digits, US
// punctuation, function, navigation, keypad and modifier keys go by their symbol; keys whose
// symbol names none of these (national letters, other scripts, dead keys, unusual remaps) go by
// where they sit on a US keyboard. Keypad keys report their digit whatever Num Lock says, and
// keypad Enter is 0x6C.
uint32_t TranslateKey(const KeySymbols& key);

// The virtual-key code of a keysym alone, 0 when it names no key of ours.
uint32_t KeysymToVirtualKey(uint32_t keysym);

// The virtual-key code of the key at this X keycode on a US keyboard, 0 when there is none.
uint32_t UsPositionVirtualKey(uint32_t keycode);

// A pointer button as a window message and its parameter.
struct ButtonMessage {
    uint32_t message = 0;
    intptr_t lParam = 0;
    bool wheel = false;
};

// X button numbers: 1 left, 2 middle, 3 right, 4/5 wheel up/down, 6/7 wheel left/right, 8 back,
// 9 forward. Wheel buttons give one message per press and none on release; other buttons none.
std::optional<ButtonMessage> TranslateButton(uint32_t button, bool release);

} // namespace kestrin::hook
