#pragma once

#include <cstdint>
#include <string_view>

namespace kestrin {

// What the text of a red, green or blue field stands for: its leading decimal integer, 0 when
// it does not start with one, held to 0..255. `clamped` says the text was out of range and must
// be rewritten to show `value`; text that is no number is left as the user typed it.
struct ChannelEntry {
    uint8_t value = 0;
    bool clamped = false;
};
ChannelEntry ReadChannelText(std::u16string_view text);

// `argb` with the channel at `shift` (16 red, 8 green, 0 blue) replaced by `value`, opaque.
uint32_t WithChannel(uint32_t argb, int shift, uint8_t value);

} // namespace kestrin
