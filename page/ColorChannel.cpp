#include "page/ColorChannel.h"

namespace kestrin {

ChannelEntry ReadChannelText(std::u16string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    // Saturates well above 255, so a long paste cannot overflow.
    int magnitude = 0;
    bool digits = false;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        digits = true;
        magnitude = magnitude >= 1000 ? 1000 : magnitude * 10 + (text[i] - u'0');
    }
    if (!digits)
        return {};
    if (negative)
        return {0, magnitude != 0};
    if (magnitude > 255)
        return {255, true};
    return {static_cast<uint8_t>(magnitude), false};
}

uint32_t WithChannel(uint32_t argb, int shift, uint8_t value)
{
    return 0xFF000000u | (argb & 0x00FFFFFFu & ~(0xFFu << shift)) | (uint32_t{value} << shift);
}

} // namespace kestrin
