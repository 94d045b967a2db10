#include "hook/KeyTranslate.h"

#include "base/Messages.h"
#include "base/PhysicalKeys.h"

#include <X11/XF86keysym.h>
#include <X11/keysym.h>

#include <array>
#include <utility>

namespace kestrin::hook {
namespace {

using Pair = std::pair<uint32_t, uint32_t>;

// Symbols that name a key outright. The keypad's navigation symbols are what its keys carry with
// Num Lock off; they still report the keypad digit, so that a recorded key is the key pressed.
// clang-format off
constexpr std::array kSymbolKeys{
    Pair{XK_BackSpace, 0x08}, Pair{XK_Tab, 0x09}, Pair{XK_ISO_Left_Tab, 0x09}, Pair{XK_Clear, 0x0C},
    Pair{XK_Return, 0x0D}, Pair{XK_Pause, 0x13}, Pair{XK_Break, 0x13}, Pair{XK_Caps_Lock, 0x14},
    Pair{XK_Escape, 0x1B}, Pair{XK_space, 0x20}, Pair{XK_Prior, 0x21}, Pair{XK_Next, 0x22},
    Pair{XK_End, 0x23}, Pair{XK_Home, 0x24}, Pair{XK_Left, 0x25}, Pair{XK_Up, 0x26},
    Pair{XK_Right, 0x27}, Pair{XK_Down, 0x28}, Pair{XK_Select, 0x29}, Pair{XK_Execute, 0x2B},
    Pair{XK_Print, 0x2C}, Pair{XK_Sys_Req, 0x2C}, Pair{XK_Insert, 0x2D}, Pair{XK_Delete, 0x2E},
    Pair{XK_Help, 0x2F}, Pair{XK_Super_L, 0x5B}, Pair{XK_Super_R, 0x5C}, Pair{XK_Hyper_L, 0x5B},
    Pair{XK_Hyper_R, 0x5C}, Pair{XK_Menu, 0x5D},
    // keypad
    Pair{XK_KP_Insert, 0x60}, Pair{XK_KP_End, 0x61}, Pair{XK_KP_Down, 0x62}, Pair{XK_KP_Next, 0x63},
    Pair{XK_KP_Left, 0x64}, Pair{XK_KP_Begin, 0x65}, Pair{XK_KP_Right, 0x66},
    Pair{XK_KP_Home, 0x67}, Pair{XK_KP_Up, 0x68}, Pair{XK_KP_Prior, 0x69},
    Pair{XK_KP_Multiply, 0x6A}, Pair{XK_KP_Add, 0x6B}, Pair{XK_KP_Enter, 0x6C},
    Pair{XK_KP_Subtract, 0x6D}, Pair{XK_KP_Decimal, 0x6E}, Pair{XK_KP_Delete, 0x6E},
    Pair{XK_KP_Separator, 0x6E}, Pair{XK_KP_Divide, 0x6F}, Pair{XK_KP_Space, 0x20},
    Pair{XK_KP_Tab, 0x09},
    // locks and modifiers; AltGr is the right Alt, as on Windows
    Pair{XK_Num_Lock, 0x90}, Pair{XK_Scroll_Lock, 0x91}, Pair{XK_Shift_L, 0xA0},
    Pair{XK_Shift_R, 0xA1}, Pair{XK_Control_L, 0xA2}, Pair{XK_Control_R, 0xA3},
    Pair{XK_Alt_L, 0xA4}, Pair{XK_Alt_R, 0xA5}, Pair{XK_Meta_L, 0xA4}, Pair{XK_Meta_R, 0xA5},
    Pair{XK_ISO_Level3_Shift, 0xA5}, Pair{XK_Mode_switch, 0xA5},
    // US punctuation, unshifted
    Pair{XK_semicolon, 0xBA}, Pair{XK_equal, 0xBB}, Pair{XK_comma, 0xBC}, Pair{XK_minus, 0xBD},
    Pair{XK_period, 0xBE}, Pair{XK_slash, 0xBF}, Pair{XK_grave, 0xC0}, Pair{XK_bracketleft, 0xDB},
    Pair{XK_backslash, 0xDC}, Pair{XK_bracketright, 0xDD}, Pair{XK_apostrophe, 0xDE},
    // media and browser keys
    Pair{XF86XK_Sleep, 0x5F}, Pair{XF86XK_Back, 0xA6}, Pair{XF86XK_Forward, 0xA7},
    Pair{XF86XK_Refresh, 0xA8}, Pair{XF86XK_Stop, 0xA9}, Pair{XF86XK_Search, 0xAA},
    Pair{XF86XK_Favorites, 0xAB}, Pair{XF86XK_HomePage, 0xAC}, Pair{XF86XK_AudioMute, 0xAD},
    Pair{XF86XK_AudioLowerVolume, 0xAE}, Pair{XF86XK_AudioRaiseVolume, 0xAF},
    Pair{XF86XK_AudioNext, 0xB0}, Pair{XF86XK_AudioPrev, 0xB1}, Pair{XF86XK_AudioStop, 0xB2},
    Pair{XF86XK_AudioPlay, 0xB3}, Pair{XF86XK_AudioPause, 0xB3}, Pair{XF86XK_Mail, 0xB4},
    Pair{XF86XK_AudioMedia, 0xB5}, Pair{XF86XK_MyComputer, 0xB6}, Pair{XF86XK_Calculator, 0xB7},
};
// clang-format on

// Evdev codes start 8 below X keycodes.
constexpr uint32_t kEvdevOffset = 8;

template <std::size_t N> uint32_t Find(const std::array<Pair, N>& table, uint32_t key)
{
    for (const auto& [from, to] : table) {
        if (from == key)
            return to;
    }
    return 0;
}

std::optional<uint32_t> LatinLetter(uint32_t keysym)
{
    if (keysym >= XK_a && keysym <= XK_z)
        return 'A' + (keysym - XK_a);
    if (keysym >= XK_A && keysym <= XK_Z)
        return 'A' + (keysym - XK_A);
    return std::nullopt;
}

std::optional<uint32_t> Digit(uint32_t keysym)
{
    if (keysym >= XK_0 && keysym <= XK_9)
        return '0' + (keysym - XK_0);
    return std::nullopt;
}

} // namespace

uint32_t KeysymToVirtualKey(uint32_t keysym)
{
    if (auto letter = LatinLetter(keysym))
        return *letter;
    if (auto digit = Digit(keysym))
        return *digit;
    if (keysym >= XK_F1 && keysym <= XK_F24)
        return 0x70 + (keysym - XK_F1);
    if (keysym >= XK_KP_0 && keysym <= XK_KP_9)
        return 0x60 + (keysym - XK_KP_0);
    return Find(kSymbolKeys, keysym);
}

uint32_t UsPositionVirtualKey(uint32_t keycode)
{
    if (keycode < kEvdevOffset)
        return 0;
    const PhysicalKey* key = PhysicalKeyByEvdevCode(keycode - kEvdevOffset);
    return key ? key->usVirtualKey : 0;
}

uint32_t TranslateKey(const KeySymbols& key)
{
    if (auto letter = LatinLetter(key.base))
        return *letter;
    // Layouts that put symbols on the top row unshifted (AZERTY) still have the digit keys.
    if (auto digit = Digit(key.base))
        return *digit;
    if (auto digit = Digit(key.shifted))
        return *digit;
    if (uint32_t vk = KeysymToVirtualKey(key.base))
        return vk;
    return UsPositionVirtualKey(key.keycode);
}

std::optional<ButtonMessage> TranslateButton(uint32_t button, bool release)
{
    constexpr intptr_t kWheelDelta = 120;
    switch (button) {
    case 1:
        return ButtonMessage{release ? WM_LBUTTONUP : WM_LBUTTONDOWN, release ? 1 : 0};
    case 2:
        return ButtonMessage{release ? WM_MBUTTONUP : WM_MBUTTONDOWN, release ? 1 : 0};
    case 3:
        return ButtonMessage{release ? WM_RBUTTONUP : WM_RBUTTONDOWN, release ? 1 : 0};
    // Button 8 is X button 1, button 9 X button 2.
    case 8:
        return ButtonMessage{release ? WM_XBUTTONUP : WM_XBUTTONDOWN, 1};
    case 9:
        return ButtonMessage{release ? WM_XBUTTONUP : WM_XBUTTONDOWN, 2};
    case 4:
    case 5:
    case 6:
    case 7: {
        if (release)
            return std::nullopt;
        const bool vertical = button <= 5;
        const bool positive = button == 4 || button == 7;
        return ButtonMessage{
            vertical ? WM_MOUSEWHEEL : WM_MOUSEHWHEEL, positive ? kWheelDelta : -kWheelDelta, true};
    }
    default:
        return std::nullopt;
    }
}

} // namespace kestrin::hook
