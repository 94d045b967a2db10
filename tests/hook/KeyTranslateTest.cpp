#include "hook/KeyTranslate.h"

#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon.h>

#include <set>
#include <string>

namespace kestrin::hook {
namespace {

// Keysyms by their X names, looked up outside the code under test.
uint32_t Sym(const char* name)
{
    const uint32_t sym = xkb_keysym_from_name(name, XKB_KEYSYM_NO_FLAGS);
    EXPECT_NE(sym, 0u) << name;
    return sym;
}

uint32_t Key(const char* base, uint32_t keycode = 0, const char* shifted = nullptr)
{
    return TranslateKey({Sym(base), shifted ? Sym(shifted) : 0, keycode});
}

// X keycodes (evdev + 8) of a few keys of a US keyboard.
constexpr uint32_t kKeyQ = 24, kKeyA = 38, kKey1 = 10, kKey4 = 13, kKey6 = 15;
constexpr uint32_t kKeyLeftBracket = 34, kKeyGrave = 49, kKeyCapsLock = 66, kKeyRightAlt = 108;

TEST(TranslateKey, LettersFollowTheLayoutNotThePosition)
{
    EXPECT_EQ(Key("a", kKeyQ, "A"), 0x41u); // AZERTY: "a" where a US keyboard has Q
    EXPECT_EQ(Key("q", kKeyA, "Q"), 0x51u);
    EXPECT_EQ(Key("Z"), 0x5Au); // an upper-case symbol is the same key
}

TEST(TranslateKey, TopRowGivesDigitsWhereTheLayoutPutsSymbolsUnshifted)
{
    EXPECT_EQ(Key("ampersand", kKey1, "1"), 0x31u);
    // Unshifted apostrophe and minus are US punctuation, yet these keys are the digits 4 and 6.
    EXPECT_EQ(Key("apostrophe", kKey4, "4"), 0x34u);
    EXPECT_EQ(Key("minus", kKey6, "6"), 0x36u);
    EXPECT_EQ(Key("0", 19, "parenright"), 0x30u);
}

TEST(TranslateKey, KeysOfOtherScriptsAndNationalLettersGoByUsPosition)
{
    EXPECT_EQ(Key("Cyrillic_ef", kKeyA, "Cyrillic_EF"), 0x41u);
    EXPECT_EQ(Key("udiaeresis", kKeyLeftBracket, "Udiaeresis"), 0xDBu);
    EXPECT_EQ(Key("dead_circumflex", kKeyGrave, "degree"), 0xC0u);
    EXPECT_EQ(Key("Multi_key", kKeyRightAlt), 0xA5u);
}

TEST(TranslateKey, RemappedKeysFollowTheirSymbol)
{
    EXPECT_EQ(Key("Escape", kKeyCapsLock), 0x1Bu);
    EXPECT_EQ(Key("Control_L", kKeyCapsLock), 0xA2u);
}

TEST(TranslateKey, KeysWithoutAVirtualKeyGiveZero)
{
    EXPECT_EQ(TranslateKey({0, 0, 0}), 0u);
    EXPECT_EQ(TranslateKey({0, 0, 7}), 0u);
    EXPECT_EQ(Key("XF86Launch5", 200), 0u);
    EXPECT_EQ(Key("KP_Equal", 125), 0u);
}

TEST(KeysymToVirtualKey, ModifiersAreReportedLeftAndRight)
{
    EXPECT_EQ(KeysymToVirtualKey(Sym("Shift_L")), 0xA0u);
    EXPECT_EQ(KeysymToVirtualKey(Sym("Shift_R")), 0xA1u);
    EXPECT_EQ(KeysymToVirtualKey(Sym("Control_L")), 0xA2u);
    EXPECT_EQ(KeysymToVirtualKey(Sym("Control_R")), 0xA3u);
    EXPECT_EQ(KeysymToVirtualKey(Sym("Alt_L")), 0xA4u);
    EXPECT_EQ(KeysymToVirtualKey(Sym("Alt_R")), 0xA5u);
    EXPECT_EQ(KeysymToVirtualKey(Sym("ISO_Level3_Shift")), 0xA5u); // AltGr
    EXPECT_EQ(KeysymToVirtualKey(Sym("Super_L")), 0x5Bu);
    EXPECT_EQ(KeysymToVirtualKey(Sym("Super_R")), 0x5Cu);
    EXPECT_EQ(KeysymToVirtualKey(Sym("Menu")), 0x5Du);
}

TEST(KeysymToVirtualKey, KeypadKeysReportTheirDigitWhateverNumLockSays)
{
    const char* numLockOff[] = {"KP_Insert", "KP_End", "KP_Down", "KP_Next", "KP_Left", "KP_Begin",
        "KP_Right", "KP_Home", "KP_Up", "KP_Prior"};
    for (uint32_t digit = 0; digit < 10; ++digit) {
        const std::string on = "KP_" + std::to_string(digit);
        EXPECT_EQ(KeysymToVirtualKey(Sym(on.c_str())), 0x60 + digit) << on;
        EXPECT_EQ(KeysymToVirtualKey(Sym(numLockOff[digit])), 0x60 + digit) << numLockOff[digit];
    }
    EXPECT_EQ(KeysymToVirtualKey(Sym("KP_Multiply")), 0x6Au);
    EXPECT_EQ(KeysymToVirtualKey(Sym("KP_Add")), 0x6Bu);
    EXPECT_EQ(KeysymToVirtualKey(Sym("KP_Enter")), 0x6Cu); // not the main Enter key
    EXPECT_EQ(KeysymToVirtualKey(Sym("KP_Subtract")), 0x6Du);
    EXPECT_EQ(KeysymToVirtualKey(Sym("KP_Decimal")), 0x6Eu);
    EXPECT_EQ(KeysymToVirtualKey(Sym("KP_Delete")), 0x6Eu);
    EXPECT_EQ(KeysymToVirtualKey(Sym("KP_Separator")), 0x6Eu);
    EXPECT_EQ(KeysymToVirtualKey(Sym("KP_Divide")), 0x6Fu);
}

TEST(KeysymToVirtualKey, FunctionNavigationAndEditingKeys)
{
    EXPECT_EQ(KeysymToVirtualKey(Sym("F1")), 0x70u);
    EXPECT_EQ(KeysymToVirtualKey(Sym("F12")), 0x7Bu);
    EXPECT_EQ(KeysymToVirtualKey(Sym("F13")), 0x7Cu);
    EXPECT_EQ(KeysymToVirtualKey(Sym("F24")), 0x87u);
    const std::pair<const char*, uint32_t> keys[] = {{"Return", 0x0D}, {"Escape", 0x1B},
        {"BackSpace", 0x08}, {"Tab", 0x09}, {"ISO_Left_Tab", 0x09}, {"space", 0x20},
        {"Caps_Lock", 0x14}, {"Num_Lock", 0x90}, {"Scroll_Lock", 0x91}, {"Pause", 0x13},
        {"Print", 0x2C}, {"Insert", 0x2D}, {"Delete", 0x2E}, {"Home", 0x24}, {"End", 0x23},
        {"Prior", 0x21}, {"Next", 0x22}, {"Left", 0x25}, {"Up", 0x26}, {"Right", 0x27},
        {"Down", 0x28}, {"XF86AudioMute", 0xAD}, {"XF86AudioPlay", 0xB3}, {"XF86Back", 0xA6}};
    for (const auto& [name, vk] : keys)
        EXPECT_EQ(KeysymToVirtualKey(Sym(name)), vk) << name;
}

TEST(KeysymToVirtualKey, UsPunctuationGivesTheOemKeys)
{
    const std::pair<const char*, uint32_t> keys[] = {{"semicolon", 0xBA}, {"equal", 0xBB},
        {"comma", 0xBC}, {"minus", 0xBD}, {"period", 0xBE}, {"slash", 0xBF}, {"grave", 0xC0},
        {"bracketleft", 0xDB}, {"backslash", 0xDC}, {"bracketright", 0xDD}, {"apostrophe", 0xDE}};
    for (const auto& [name, vk] : keys)
        EXPECT_EQ(KeysymToVirtualKey(Sym(name)), vk) << name;
}

// A US keyboard: each X keycode with the symbol it carries there.
const std::pair<uint32_t, const char*> kUsKeyboard[] = {{9, "Escape"}, {10, "1"}, {11, "2"},
    {19, "0"}, {20, "minus"}, {21, "equal"}, {22, "BackSpace"}, {23, "Tab"}, {24, "q"}, {33, "p"},
    {34, "bracketleft"}, {35, "bracketright"}, {36, "Return"}, {37, "Control_L"}, {38, "a"},
    {46, "l"}, {47, "semicolon"}, {48, "apostrophe"}, {49, "grave"}, {50, "Shift_L"},
    {51, "backslash"}, {52, "z"}, {58, "m"}, {59, "comma"}, {60, "period"}, {61, "slash"},
    {62, "Shift_R"}, {63, "KP_Multiply"}, {64, "Alt_L"}, {65, "space"}, {66, "Caps_Lock"},
    {67, "F1"}, {76, "F10"}, {77, "Num_Lock"}, {78, "Scroll_Lock"}, {79, "KP_Home"}, {80, "KP_Up"},
    {81, "KP_Prior"}, {82, "KP_Subtract"}, {83, "KP_Left"}, {84, "KP_Begin"}, {85, "KP_Right"},
    {86, "KP_Add"}, {87, "KP_End"}, {88, "KP_Down"}, {89, "KP_Next"}, {90, "KP_Insert"},
    {91, "KP_Delete"}, {95, "F11"}, {96, "F12"}, {104, "KP_Enter"}, {105, "Control_R"},
    {106, "KP_Divide"}, {107, "Print"}, {108, "Alt_R"}, {110, "Home"}, {111, "Up"}, {112, "Prior"},
    {113, "Left"}, {114, "Right"}, {115, "End"}, {116, "Down"}, {117, "Next"}, {118, "Insert"},
    {119, "Delete"}, {127, "Pause"}, {133, "Super_L"}, {134, "Super_R"}, {135, "Menu"}};

TEST(UsPositionVirtualKey, AgreesWithTheSymbolsOfAUsKeyboard)
{
    for (const auto& [keycode, name] : kUsKeyboard)
        EXPECT_EQ(UsPositionVirtualKey(keycode), KeysymToVirtualKey(Sym(name))) << name;
}

TEST(UsPositionVirtualKey, EveryUsKeyReachesTheProgramsKeyTable)
{
    // The virtual keys that have a row in the program's key-code table.
    std::set<uint32_t> table{0x0D, 0x1B, 0x08, 0x09, 0x20, 0xBD, 0xBB, 0xDB, 0xDD, 0xDC, 0xBA, 0xDE,
        0xC0, 0xBC, 0xBE, 0xBF, 0xDF, 0x14, 0x2C, 0x91, 0x13, 0x2D, 0x24, 0x21, 0x2E, 0x23, 0x22,
        0x27, 0x25, 0x28, 0x26, 0x90, 0x6F, 0x6A, 0x6D, 0x6B, 0x6C, 0x60, 0x6E, 0x5D, 0xA2, 0xA0,
        0xA4, 0x5B, 0xA3, 0xA1, 0xA5, 0x5C};
    for (uint32_t vk = 0x41; vk <= 0x5A; ++vk)
        table.insert(vk);
    for (uint32_t vk = 0x30; vk <= 0x39; ++vk)
        table.insert(vk);
    for (uint32_t vk = 0x70; vk <= 0x7B; ++vk)
        table.insert(vk);
    for (uint32_t vk = 0x61; vk <= 0x69; ++vk)
        table.insert(vk);
    // Media keys and the extra key of ISO keyboards have no row; everything else must.
    const std::set<uint32_t> without{0xAD, 0xAE, 0xAF, 0xE2};
    for (uint32_t keycode = 8; keycode < 256; ++keycode) {
        const uint32_t vk = UsPositionVirtualKey(keycode);
        if (vk != 0 && !without.count(vk)) {
            EXPECT_TRUE(table.count(vk)) << "keycode " << keycode << " vk " << std::hex << vk;
        }
    }
    EXPECT_EQ(UsPositionVirtualKey(0), 0u);
    EXPECT_EQ(UsPositionVirtualKey(255), 0u);
}

struct Button {
    uint32_t number;
    bool release;
    uint32_t message;
    intptr_t lParam;
};

TEST(TranslateButton, ButtonsGiveTheirWindowMessages)
{
    const Button buttons[] = {{1, false, 0x201, 0}, {1, true, 0x202, 1}, {3, false, 0x204, 0},
        {3, true, 0x205, 1}, {2, false, 0x207, 0}, {2, true, 0x208, 1}, {8, false, 0x20B, 1},
        {8, true, 0x20C, 1}, {9, false, 0x20B, 2}, {9, true, 0x20C, 2}};
    for (const auto& b : buttons) {
        auto m = TranslateButton(b.number, b.release);
        ASSERT_TRUE(m) << b.number;
        EXPECT_EQ(m->message, b.message) << b.number;
        EXPECT_EQ(m->lParam, b.lParam) << b.number;
        EXPECT_FALSE(m->wheel);
    }
}

TEST(TranslateButton, WheelNotchesArePressesOnly)
{
    const Button wheel[] = {{4, false, 0x20A, 120}, {5, false, 0x20A, -120},
        {6, false, 0x20E, -120}, {7, false, 0x20E, 120}};
    for (const auto& b : wheel) {
        auto m = TranslateButton(b.number, false);
        ASSERT_TRUE(m) << b.number;
        EXPECT_EQ(m->message, b.message);
        EXPECT_EQ(m->lParam, b.lParam);
        EXPECT_TRUE(m->wheel);
        EXPECT_FALSE(TranslateButton(b.number, true)) << b.number;
    }
    EXPECT_FALSE(TranslateButton(0, false));
    EXPECT_FALSE(TranslateButton(10, false));
    EXPECT_FALSE(TranslateButton(10, true));
}

} // namespace
} // namespace kestrin::hook
