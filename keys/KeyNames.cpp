#include "keys/KeyNames.h"

#include "base/KeyLayout.h"
#include "base/RecordNames.h"
#include "base/Trace.h"
#include "keys/KeyTable.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <span>
#include <unordered_map>
#include <utility>

namespace kestrin {
namespace {

struct NamedCode {
    unsigned code;
    std::u16string_view id;
};

constexpr NamedCode kVirtualKeyIds[] = {
    {0x08, u"key_BackSpace"},
    {0x09, u"key_Tab"},
    {0x0D, u"key_Enter"},
    {0x10, u"key_LShift"},
    {0x11, u"key_LCtrl"},
    {0x12, u"key_LAlt"},
    {0x13, u"key_Pause"},
    {0x14, u"key_Caplk"},
    {0x1B, u"key_Esc"},
    {0x20, u"key_Space"},
    {0x21, u"key_Page Up"},
    {0x22, u"key_Page Down"},
    {0x23, u"key_End"},
    {0x24, u"key_Home"},
    {0x25, u"key_Left"},
    {0x26, u"key_Up"},
    {0x27, u"key_Right"},
    {0x28, u"key_Down"},
    {0x2A, u"key_Print Scr"},
    {0x2C, u"key_Print Scr"},
    {0x2D, u"key_Insert"},
    {0x2E, u"key_Delete"},
    {0x5B, u"key_LWin"},
    {0x5C, u"key_RWin"},
    {0x5D, u"key_APP"},
    {0x60, u"key_Num_0"},
    {0x61, u"key_Num_1"},
    {0x62, u"key_Num_2"},
    {0x63, u"key_Num_3"},
    {0x64, u"key_Num_4"},
    {0x65, u"key_Num_5"},
    {0x66, u"key_Num_6"},
    {0x67, u"key_Num_7"},
    {0x68, u"key_Num_8"},
    {0x69, u"key_Num_9"},
    {0x6A, u"key_Num_*"},
    {0x6B, u"key_Num_+"},
    {0x6C, u"key_Num_Enter"},
    {0x6D, u"key_Num_-"},
    {0x6E, u"key_Num_."},
    {0x6F, u"key_Num_/"},
    {0x70, u"key_F1"},
    {0x71, u"key_F2"},
    {0x72, u"key_F3"},
    {0x73, u"key_F4"},
    {0x74, u"key_F5"},
    {0x75, u"key_F6"},
    {0x76, u"key_F7"},
    {0x77, u"key_F8"},
    {0x78, u"key_F9"},
    {0x79, u"key_F10"},
    {0x7A, u"key_F11"},
    {0x7B, u"key_F12"},
    {0x90, u"key_Num Lock"},
    {0x91, u"key_Scroll Lock"},
    {0xA0, u"key_LShift"},
    {0xA1, u"key_RShift"},
    {0xA2, u"key_LCtrl"},
    {0xA3, u"key_RCtrl"},
    {0xA4, u"key_LAlt"},
    {0xA5, u"key_RAlt"},
    {0xF0, u"key_Caplk"},
};

constexpr NamedCode kUsageIds[] = {
    {0x3A, u"key_F1"},
    {0x3B, u"key_F2"},
    {0x3C, u"key_F3"},
    {0x3D, u"key_F4"},
    {0x3E, u"key_F5"},
    {0x3F, u"key_F6"},
    {0x40, u"key_F7"},
    {0x41, u"key_F8"},
    {0x42, u"key_F9"},
    {0x43, u"key_F10"},
    {0x44, u"key_F11"},
    {0x45, u"key_F12"},
    {0x46, u"key_Print Scr"},
    {0x47, u"key_Scroll Lock"},
    {0x48, u"key_Pause"},
    {0x49, u"key_Insert"},
    {0x4A, u"key_Home"},
    {0x4B, u"key_Page Up"},
    {0x4C, u"key_Delete"},
    {0x4D, u"key_End"},
    {0x4E, u"key_Page Down"},
    {0x4F, u"key_Right"},
    {0x50, u"key_Left"},
    {0x51, u"key_Down"},
    {0x52, u"key_Up"},
    {0x53, u"key_Num Lock"},
    {0x54, u"key_Num_/"},
    {0x55, u"key_Num_*"},
    {0x56, u"key_Num_-"},
    {0x57, u"key_Num_+"},
    {0x58, u"key_Num_Enter"},
    {0x59, u"key_Num_1"},
    {0x5A, u"key_Num_2"},
    {0x5B, u"key_Num_3"},
    {0x5C, u"key_Num_4"},
    {0x5D, u"key_Num_5"},
    {0x5E, u"key_Num_6"},
    {0x5F, u"key_Num_7"},
    {0x60, u"key_Num_8"},
    {0x61, u"key_Num_9"},
    {0x62, u"key_Num_0"},
    {0x63, u"key_Num_."},
    {0x64, u"key_\\"},
    {0x65, u"key_APP"},
    {0x66, u""},
    {0x67, u""},
    {0x68, u""},
    {0x82, u"Sleep"},
    {0x88, u"Kana/Roma"},
    {0xDD, u"`"},
    {0xE0, u"key_LCtrl"},
    {0xE1, u"key_LShift"},
    {0xE2, u"key_LAlt"},
    {0xE3, u"key_LWin"},
    {0xE4, u"key_RCtrl"},
    {0xE5, u"key_RShift"},
    {0xE6, u"key_RAlt"},
    {0xE7, u"key_RWin"},
    {0xF1, u"L_Button"},
    {0xF2, u"R_Button"},
    {0xF3, u"M_Button"},
    {0xF4, u"Backward_Button"},
    {0xF5, u"Forward_Button"},
};

static_assert(std::size(kVirtualKeyIds) == 62);

std::optional<std::u16string_view> FindId(std::span<const NamedCode> table, unsigned code)
{
    const auto entry = std::ranges::find(table, code, &NamedCode::code);
    if (entry == table.end())
        return std::nullopt;
    return entry->id;
}

std::mutex& LookupMutex()
{
    static std::mutex mutex;
    return mutex;
}

KeyTextLookup& InstalledLookup()
{
    static KeyTextLookup lookup;
    return lookup;
}

KeyTextLookup CurrentLookup()
{
    std::lock_guard lock(LookupMutex());
    return InstalledLookup();
}

std::u16string Text(std::u16string_view id, const KeyTextLookup& lookup)
{
    // The empty id names nothing; no language file is asked for it.
    if (id.empty())
        return {};
    return lookup ? lookup(id) : std::u16string(id);
}

// Units whose upper case the program's case folding knows: the inverse of FoldCase.
const std::unordered_map<char16_t, char16_t>& UpperCases()
{
    static const std::unordered_map<char16_t, char16_t> uppers = [] {
        std::unordered_map<char16_t, char16_t> map;
        for (unsigned unit = 0; unit <= 0xFFFF; ++unit) {
            const auto upper = static_cast<char16_t>(unit);
            const char16_t lower = FoldCase(upper);
            // Keyboards label the sharp s in lower case; its capital is a recent letter.
            if (lower != upper && upper != u'\u1E9E')
                map.try_emplace(lower, upper);
        }
        return map;
    }();
    return uppers;
}

} // namespace

KeyTextLookup SetKeyTextLookup(KeyTextLookup lookup)
{
    std::lock_guard lock(LookupMutex());
    std::swap(InstalledLookup(), lookup);
    return lookup;
}

std::optional<std::u16string_view> VirtualKeyTextId(unsigned virtualKey)
{
    return FindId(kVirtualKeyIds, virtualKey);
}

std::optional<std::u16string_view> UsageTextId(unsigned usage) { return FindId(kUsageIds, usage); }

std::u16string UpperCaseName(std::u16string_view name)
{
    const auto& uppers = UpperCases();
    std::u16string upper(name);
    for (char16_t& unit : upper) {
        if (const auto found = uppers.find(unit); found != uppers.end())
            unit = found->second;
    }
    return upper;
}

std::u16string VirtualKeyName(
    unsigned virtualKey, const KeyLayout& layout, const KeyTextLookup& lookup)
{
    if (const auto id = VirtualKeyTextId(virtualKey))
        return Text(*id, lookup);
    const unsigned scanCode = layout.VirtualKeyToScanCode(virtualKey);
    return UpperCaseName(layout.KeyText(virtualKey, scanCode));
}

std::u16string VirtualKeyName(unsigned virtualKey)
{
    return VirtualKeyName(virtualKey, *CurrentKeyLayout(), CurrentLookup());
}

std::u16string UsageName(unsigned usage, const KeyLayout& layout, const KeyTextLookup& lookup)
{
    std::u16string name;
    if (usage >= 0x04 && usage <= 0x39) {
        unsigned virtualKey = 0;
        if (const KeyRow* row = FindRowByUsage(static_cast<std::int32_t>(usage)))
            virtualKey = layout.ScanCodeToVirtualKey(static_cast<unsigned>(row->scanCode));
        name = VirtualKeyName(virtualKey, layout, lookup);
    } else if (usage >= 0xE8 && usage <= 0xEF) {
        const KeyRow* row = FindRowByUsage(static_cast<std::int32_t>(usage));
        name = VirtualKeyName(row ? static_cast<unsigned>(row->virtualKey) : 0, layout, lookup);
    } else if (const auto id = UsageTextId(usage)) {
        name = Text(*id, lookup);
    }
    Trace("m_key = %s\r\n", ToUtf8(name).c_str());
    return name;
}

std::u16string UsageName(unsigned usage)
{
    return UsageName(usage, *CurrentKeyLayout(), CurrentLookup());
}

} // namespace kestrin
