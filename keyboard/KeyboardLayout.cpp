#include "keyboard/KeyboardLayout.h"

#include "base/PhysicalKeys.h"
#include "base/RecordNames.h"
#include "base/Trace.h"
#include "keyboard/X11KeyboardLayout.h"

#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ranges>
#include <utility>

namespace kestrin {
namespace {

// Punctuation keys' virtual keys, left for keys whose own would clash.
constexpr unsigned kPunctuationVirtualKeys[] = {
    0xBA, 0xBB, 0xBC, 0xBD, 0xBE, 0xBF, 0xC0, 0xDB, 0xDC, 0xDD, 0xDE, 0xDF, 0xE2};

unsigned VirtualKeyOfSymbol(xkb_keysym_t symbol)
{
    if (symbol >= XKB_KEY_a && symbol <= XKB_KEY_z)
        return 'A' + (symbol - XKB_KEY_a);
    if (symbol >= XKB_KEY_A && symbol <= XKB_KEY_Z)
        return 'A' + (symbol - XKB_KEY_A);
    switch (symbol) {
    case XKB_KEY_minus:
        return 0xBD;
    case XKB_KEY_equal:
        return 0xBB;
    case XKB_KEY_bracketleft:
        return 0xDB;
    case XKB_KEY_bracketright:
        return 0xDD;
    case XKB_KEY_backslash:
        return 0xDC;
    case XKB_KEY_semicolon:
        return 0xBA;
    case XKB_KEY_apostrophe:
        return 0xDE;
    case XKB_KEY_grave:
        return 0xC0;
    case XKB_KEY_comma:
        return 0xBC;
    case XKB_KEY_period:
        return 0xBE;
    case XKB_KEY_slash:
        return 0xBF;
    default:
        return 0;
    }
}

// A dead key is named by the accent it puts on the next letter.
char16_t SpacingAccent(xkb_keysym_t symbol)
{
    switch (symbol) {
    case XKB_KEY_dead_grave:
        return u'`';
    case XKB_KEY_dead_acute:
        return u'\u00B4';
    case XKB_KEY_dead_circumflex:
        return u'^';
    case XKB_KEY_dead_tilde:
        return u'~';
    case XKB_KEY_dead_macron:
        return u'\u00AF';
    case XKB_KEY_dead_breve:
        return u'\u02D8';
    case XKB_KEY_dead_abovedot:
        return u'\u02D9';
    case XKB_KEY_dead_diaeresis:
        return u'\u00A8';
    case XKB_KEY_dead_abovering:
        return u'\u02DA';
    case XKB_KEY_dead_doubleacute:
        return u'\u02DD';
    case XKB_KEY_dead_caron:
        return u'\u02C7';
    case XKB_KEY_dead_cedilla:
        return u'\u00B8';
    case XKB_KEY_dead_ogonek:
        return u'\u02DB';
    default:
        return 0;
    }
}

void LogToTrace(xkb_context*, xkb_log_level, const char* format, va_list args)
{
    char line[512];
    std::vsnprintf(line, sizeof line, format, args);
    Trace("xkb: %s", line);
}

} // namespace

xkb_context* NewXkbContext()
{
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
    if (context)
        xkb_context_set_log_fn(context, LogToTrace);
    return context;
}

unsigned ScanCodeToEvdevCode(unsigned scanCode)
{
    const PhysicalKey* key = PhysicalKeyByScanCode(scanCode);
    return key ? key->evdevCode : 0;
}

unsigned EvdevCodeToScanCode(unsigned evdevCode)
{
    const PhysicalKey* key = PhysicalKeyByEvdevCode(evdevCode);
    return key ? key->scanCode : 0;
}

XkbKeyboardLayout::XkbKeyboardLayout(xkb_keymap* keymap, unsigned group, std::string description)
    : keymap_(keymap), state_(xkb_state_new(keymap)), description_(std::move(description))
{
    if (state_)
        xkb_state_update_mask(state_, 0, 0, 0, 0, 0, group);
    AssignVirtualKeys();
}

XkbKeyboardLayout::~XkbKeyboardLayout()
{
    xkb_state_unref(state_);
    xkb_keymap_unref(keymap_);
}

std::unique_ptr<XkbKeyboardLayout> XkbKeyboardLayout::FromNames(
    std::string_view layout, std::string_view variant)
{
    xkb_context* context = NewXkbContext();
    if (!context)
        return nullptr;
    const std::string layoutName(layout);
    const std::string variantName(variant);
    const xkb_rule_names names{"evdev", "pc105", layoutName.c_str(), variantName.c_str(), ""};
    xkb_keymap* keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    xkb_context_unref(context);
    if (!keymap)
        return nullptr;
    std::string description = layoutName;
    if (!variantName.empty())
        description += "(" + variantName + ")";
    return std::unique_ptr<XkbKeyboardLayout>(
        new XkbKeyboardLayout(keymap, 0, std::move(description)));
}

std::unique_ptr<XkbKeyboardLayout> XkbKeyboardLayout::FromKeymap(
    xkb_keymap* keymap, unsigned group, std::string description)
{
    if (!keymap)
        return nullptr;
    return std::unique_ptr<XkbKeyboardLayout>(
        new XkbKeyboardLayout(xkb_keymap_ref(keymap), group, std::move(description)));
}

std::unique_ptr<KeyLayout> OpenDesktopKeyLayout()
{
    const char* display = std::getenv("DISPLAY");
    if (display && *display) {
        if (auto layout = X11KeyboardLayout::Connect(display))
            return layout;
    }
    if (const auto names = AnnouncedLayout([](const char* name) { return std::getenv(name); })) {
        if (auto layout = XkbKeyboardLayout::FromNames(names->layout, names->variant))
            return layout;
        Trace("keyboard layout %s(%s) not found, using us\n", names->layout.c_str(),
            names->variant.c_str());
    }
    return XkbKeyboardLayout::FromNames("us");
}

void XkbKeyboardLayout::AssignVirtualKeys()
{
    const auto assign = [this](unsigned scanCode, unsigned virtualKey) {
        scanToVirtualKey_[scanCode] = virtualKey;
        virtualKeyToScan_[virtualKey] = scanCode;
    };
    const auto taken = [this](unsigned virtualKey) { return virtualKeyToScan_[virtualKey] != 0; };
    const auto assigned = [this](
                              unsigned scanCode) { return scanToVirtualKey_.contains(scanCode); };

    for (const PhysicalKey& key : kPhysicalKeys) {
        if (!key.followsLayout)
            assign(key.scanCode, key.usVirtualKey);
    }
    auto layoutKeys = kPhysicalKeys | std::views::filter(&PhysicalKey::followsLayout);

    for (const PhysicalKey& key : layoutKeys) {
        if (!state_)
            break;
        const xkb_keysym_t symbol =
            xkb_state_key_get_one_sym(state_, ScanCodeToEvdevCode(key.scanCode) + 8);
        const unsigned virtualKey = VirtualKeyOfSymbol(symbol);
        if (virtualKey != 0 && !taken(virtualKey))
            assign(key.scanCode, virtualKey);
    }
    for (const PhysicalKey& key : layoutKeys) {
        if (!assigned(key.scanCode) && !taken(key.usVirtualKey))
            assign(key.scanCode, key.usVirtualKey);
    }
    for (const PhysicalKey& key : layoutKeys) {
        if (assigned(key.scanCode))
            continue;
        const auto free = std::ranges::find_if(
            kPunctuationVirtualKeys, [&](unsigned virtualKey) { return !taken(virtualKey); });
        if (free != std::end(kPunctuationVirtualKeys))
            assign(key.scanCode, *free);
    }
}

unsigned XkbKeyboardLayout::VirtualKeyToScanCode(unsigned virtualKey) const
{
    return virtualKey < virtualKeyToScan_.size() ? virtualKeyToScan_[virtualKey] : 0;
}

unsigned XkbKeyboardLayout::ScanCodeToVirtualKey(unsigned scanCode) const
{
    const auto found = scanToVirtualKey_.find(scanCode);
    return found == scanToVirtualKey_.end() ? 0 : found->second;
}

unsigned EvdevCodeToVirtualKey(const KeyLayout& layout, unsigned evdevCode)
{
    const unsigned scanCode = EvdevCodeToScanCode(evdevCode);
    return scanCode == 0 ? 0 : layout.ScanCodeToVirtualKey(scanCode);
}

std::u16string XkbKeyboardLayout::KeyText(unsigned virtualKey, unsigned scanCode) const
{
    if (scanCode == 0)
        scanCode = VirtualKeyToScanCode(virtualKey);
    const unsigned evdevCode = ScanCodeToEvdevCode(scanCode);
    if (evdevCode == 0 || !state_)
        return {};
    const xkb_keycode_t keycode = evdevCode + 8;
    if (const char16_t accent = SpacingAccent(xkb_state_key_get_one_sym(state_, keycode)))
        return std::u16string(1, accent);
    char utf8[64];
    xkb_state_key_get_utf8(state_, keycode, utf8, sizeof utf8);
    std::u16string text = ToU16(utf8);
    std::erase_if(text, [](char16_t unit) { return unit < 0x20 || unit == 0x7F; });
    return text;
}

} // namespace kestrin
