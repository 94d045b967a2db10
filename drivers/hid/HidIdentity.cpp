#include "drivers/hid/HidIdentity.h"

namespace kestrin::hid {
namespace {

// Exactly `digits` hex digits, either case, read as one number.
std::optional<uint32_t> HexField(std::string_view text, std::size_t digits)
{
    if (text.size() != digits)
        return std::nullopt;
    uint32_t value = 0;
    for (const char c : text) {
        int digit = 0;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        value = value << 4 | static_cast<uint32_t>(digit);
    }
    return value;
}

} // namespace

std::optional<HidIdentity> ParseHidIdProperty(std::string_view value)
{
    // bus:vendor:product with 4, 8 and 8 digits; the kernel prints vendor and product 32 bits wide.
    if (value.size() != 22 || value[4] != ':' || value[13] != ':')
        return std::nullopt;
    const auto bus = HexField(value.substr(0, 4), 4);
    const auto vendor = HexField(value.substr(5, 8), 8);
    const auto product = HexField(value.substr(14, 8), 8);
    if (!bus || !vendor || !product || *vendor > 0xFFFF || *product > 0xFFFF)
        return std::nullopt;
    return HidIdentity{static_cast<uint16_t>(*bus), static_cast<uint16_t>(*vendor),
        static_cast<uint16_t>(*product)};
}

std::optional<HidIdentity> HidIdentityFromDevpath(std::string_view devpath)
{
    while (!devpath.empty() && devpath.back() == '/')
        devpath.remove_suffix(1);
    // A hidraw node sits at <hid device>/hidraw/hidrawN.
    std::size_t slash = devpath.rfind('/');
    std::string_view last = slash == std::string_view::npos ? devpath : devpath.substr(slash + 1);
    if (last.starts_with("hidraw") && slash != std::string_view::npos) {
        devpath = devpath.substr(0, slash);
        slash = devpath.rfind('/');
        const std::string_view middle =
            slash == std::string_view::npos ? devpath : devpath.substr(slash + 1);
        if (middle != "hidraw" || slash == std::string_view::npos)
            return std::nullopt;
        devpath = devpath.substr(0, slash);
        slash = devpath.rfind('/');
        last = slash == std::string_view::npos ? devpath : devpath.substr(slash + 1);
    }
    // "BBBB:VVVV:PPPP.NNNN": the instance number has at least four digits.
    if (last.size() < 19 || last.size() > 23 || last[4] != ':' || last[9] != ':' || last[14] != '.')
        return std::nullopt;
    const auto bus = HexField(last.substr(0, 4), 4);
    const auto vendor = HexField(last.substr(5, 4), 4);
    const auto product = HexField(last.substr(10, 4), 4);
    const auto instance = HexField(last.substr(15), last.size() - 15);
    if (!bus || !vendor || !product || !instance)
        return std::nullopt;
    return HidIdentity{static_cast<uint16_t>(*bus), static_cast<uint16_t>(*vendor),
        static_cast<uint16_t>(*product)};
}

} // namespace kestrin::hid
