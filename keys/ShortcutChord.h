#pragma once

#include <array>
#include <cstdint>

namespace kestrin {

// The keys pressed for a shortcut, as its four modifier flags (Ctrl, Shift, Alt, Win) and one
// key code. A key pressed while modifiers are held is that chord: the held modifiers become the
// flags and the key the key. A key pressed alone, a modifier too, becomes the key and leaves the
// flags as they were ticked. Releases only let go of modifiers: the keys let go after a chord
// never replace it.
class ShortcutChord {
public:
    using Flags = std::array<uint8_t, 4>;

    // One key going down or up, by its key code (0 for a key without one).
    void Take(uint8_t usage, bool release, Flags& flags, uint8_t& key);
    // Forgets what is held: releases made while nobody listened were never seen.
    void Reset() { held_ = 0; }

private:
    uint8_t held_ = 0; // bit n: modifier key code 0xE0 + n is down
};

} // namespace kestrin
