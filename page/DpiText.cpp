#include "page/DpiText.h"

#include "profiles/ProfileRanges.h"

#include <algorithm>
#include <limits>

namespace kestrin {

namespace {

constexpr int32_t kMinDpi = int32_t(DpiOfUnits(kDpiUnitsMin));
constexpr int32_t kMaxDpi = int32_t(DpiOfUnits(kDpiUnitsMax));

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

} // namespace

int32_t DpiUnitsFromText(std::u16string_view text)
{
    // Stop accumulating once past the ceiling, so a long run of digits cannot overflow.
    int64_t value = 0;
    for (char16_t c : text) {
        if (!IsDigit(c))
            break;
        value = std::min<int64_t>(value * 10 + (c - u'0'), kMaxDpi + 1);
    }
    const auto dpi = static_cast<int32_t>(std::clamp<int64_t>(value, kMinDpi, kMaxDpi));
    return DpiUnitsOf(dpi);
}

namespace {

template <class Keep> bool KeepOnly(std::u16string& text, Keep keep)
{
    const auto kept =
        std::remove_if(text.begin(), text.end(), [&](char16_t c) { return !keep(c); });
    if (kept == text.end())
        return false;
    text.erase(kept, text.end());
    return true;
}

} // namespace

bool KeepDigitsOnly(std::u16string& text) { return KeepOnly(text, IsDigit); }

bool KeepSignedDigitsOnly(std::u16string& text)
{
    return KeepOnly(text, [](char16_t c) { return IsDigit(c) || c == u'-'; });
}

std::optional<long long> LeadingNumber(std::u16string_view text)
{
    const bool negative = !text.empty() && text.front() == u'-';
    std::size_t at = negative ? 1 : 0;
    if (at >= text.size() || !IsDigit(text[at]))
        return std::nullopt;
    long long value = 0;
    constexpr long long kMost = std::numeric_limits<long long>::max() / 10 - 9;
    for (; at < text.size() && IsDigit(text[at]); ++at)
        value = std::min(value, kMost) * 10 + (text[at] - u'0');
    return negative ? -value : value;
}

} // namespace kestrin
