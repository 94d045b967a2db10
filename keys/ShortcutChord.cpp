#include "keys/ShortcutChord.h"

namespace kestrin {
namespace {

// Key codes 0xE0..0xE7: left Ctrl, Shift, Alt, Win, then the right ones in the same order.
constexpr uint8_t kFirstModifier = 0xE0;
constexpr uint8_t kLastModifier = 0xE7;

uint8_t ModifierBit(uint8_t usage)
{
    if (usage < kFirstModifier || usage > kLastModifier)
        return 0;
    return uint8_t(1u << (usage - kFirstModifier));
}

} // namespace

void ShortcutChord::Take(uint8_t usage, bool release, Flags& flags, uint8_t& key)
{
    const uint8_t bit = ModifierBit(usage);
    if (release) {
        held_ &= uint8_t(~bit);
        return;
    }
    // A held modifier repeating is not a new press.
    if (bit != 0 && (held_ & bit) != 0)
        return;
    // Left and right keys of a kind share a flag.
    const unsigned chord = (held_ | held_ >> 4) & 0x0Fu;
    if (chord != 0)
        for (std::size_t n = 0; n < flags.size(); ++n)
            flags[n] = (chord >> n) & 1u;
    held_ |= bit;
    key = usage;
}

} // namespace kestrin
