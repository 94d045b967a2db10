#include "base/KeyLayout.h"
#include "base/PhysicalKeys.h"
#include "base/Trace.h"
#include "keys/KeyNames.h"
#include "keys/KeyTable.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace kestrin {
namespace {

// A layout given as a few keys: scan code, virtual key and the text the key gives.
class FakeLayout final : public KeyLayout {
public:
    struct Key {
        unsigned scanCode;
        unsigned virtualKey;
        std::u16string text;
    };

    explicit FakeLayout(std::vector<Key> keys) : keys_(std::move(keys)) { }

    unsigned VirtualKeyToScanCode(unsigned virtualKey) const override
    {
        ++queries;
        for (const Key& key : keys_)
            if (key.virtualKey == virtualKey)
                return key.scanCode;
        return 0;
    }
    unsigned ScanCodeToVirtualKey(unsigned scanCode) const override
    {
        ++queries;
        for (const Key& key : keys_)
            if (key.scanCode == scanCode)
                return key.virtualKey;
        return 0;
    }
    std::u16string KeyText(unsigned virtualKey, unsigned scanCode) const override
    {
        ++queries;
        for (const Key& key : keys_)
            if (key.scanCode == scanCode && key.virtualKey == virtualKey)
                return key.text;
        return {};
    }

    mutable int queries = 0;

private:
    std::vector<Key> keys_;
};

// A US-like keyboard, except that the key at the US "Q" position carries A and the other way
// round, as on AZERTY keyboards.
FakeLayout Azertyish()
{
    return FakeLayout({
        {0x10, 'A', u"a"},
        {0x1E, 'Q', u"q"},
        {0x0E, 0x08, u"\b"},
        {0x1C, 0x0D, u"\r"},
        {0x35, 0xBF, u"/"},
        {0x03, '2', u"\u00E9"},
        {0x0C, 0xDB, u"\u00DF"},
    });
}

// Shows which ids were looked up: "[id]".
std::u16string Bracketed(std::u16string_view id) { return u"[" + std::u16string(id) + u"]"; }

unsigned Usage(int virtualKey, const KeyLayout& layout)
{
    unsigned usage = 0xDEAD;
    EXPECT_TRUE(VirtualKeyToUsage(virtualKey, usage, layout)) << std::hex << virtualKey;
    return usage;
}

TEST(KeyTable, HasItsRowsInOrderWithTheirFirstMatches)
{
    EXPECT_EQ(KeyTable.size(), 112u);
    // Rows that share a usage or a scan code are reached through the first of them.
    EXPECT_EQ(FindRowByUsage(0x38)->virtualKey, 0xBF);
    EXPECT_EQ(FindRowByScanCode(0x35)->virtualKey, 0xBF);
    EXPECT_EQ(FindRowByVirtualKey(0xDF)->usage, 0x38);
    EXPECT_EQ(FindRowByVirtualKey(0x67)->usage, 0x5F);
    EXPECT_EQ(FindRowByVirtualKey(0x66)->usage, 0x5E);
    // Letters and digits: consecutive virtual keys give consecutive usages.
    for (int letter = 0; letter < 26; ++letter)
        EXPECT_EQ(FindRowByVirtualKey('A' + letter)->usage, 0x04 + letter);
    for (int digit = 1; digit <= 9; ++digit)
        EXPECT_EQ(FindRowByVirtualKey('0' + digit)->usage, 0x1D + digit);
    EXPECT_EQ(FindRowByVirtualKey('0')->usage, 0x27);
    EXPECT_EQ(FindRowByUsage(0x32), nullptr);
    EXPECT_EQ(FindRowByUsage(0x64), nullptr);
}

// The key code table and the physical keys the hook and the layouts use must name the same key
// for a scan code, or a captured key would be stored as its neighbour.
TEST(KeyTable, ScanCodesNameThePhysicalKeyOfTheRow)
{
    for (const KeyRow& row : KeyTable) {
        if (row.scanCode == 0 || FindRowByScanCode(row.scanCode) != &row)
            continue;
        const PhysicalKey* key = PhysicalKeyByScanCode(unsigned(row.scanCode));
        ASSERT_NE(key, nullptr) << "scan code " << std::hex << row.scanCode;
        EXPECT_EQ(key->usVirtualKey, row.virtualKey) << "scan code " << std::hex << row.scanCode;
    }
}

TEST(VirtualKeyToUsage, RefusesKeysWithoutARow)
{
    const FakeLayout layout = Azertyish();
    for (const int virtualKey : {0x10, 0x11, 0x12, 0x00, 0xF5, 0xF6, 0xFF, -1, 0x141}) {
        unsigned usage = 0xDEAD;
        EXPECT_FALSE(VirtualKeyToUsage(virtualKey, usage, layout)) << std::hex << virtualKey;
        EXPECT_EQ(usage, 0u) << std::hex << virtualKey;
    }
}

TEST(VirtualKeyToUsage, KeepsLeftAndRightModifiersAndTheKeypadApart)
{
    const FakeLayout layout = Azertyish();
    EXPECT_EQ(Usage(0xA0, layout), 0xE1u);
    EXPECT_EQ(Usage(0xA1, layout), 0xE5u);
    EXPECT_EQ(Usage(0xA5, layout), 0xE6u);
    EXPECT_EQ(Usage(0x6C, layout), 0x58u) << "keypad Enter";
    EXPECT_EQ(Usage(0x0D, layout), 0x28u) << "main Enter";
    EXPECT_EQ(Usage(0x60, layout), 0x62u) << "keypad 0";
    EXPECT_EQ(Usage(0x66, layout), 0x5Eu) << "keypad 6";
}

TEST(VirtualKeyToUsage, MapsTheProgramsOwnCodesToThemselves)
{
    const FakeLayout layout = Azertyish();
    for (const int code : {0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF7, 0xF8})
        EXPECT_EQ(Usage(code, layout), static_cast<unsigned>(code));
}

TEST(VirtualKeyToUsage, FollowsThePhysicalPositionOfMainBlockKeys)
{
    const FakeLayout layout = Azertyish();
    EXPECT_EQ(Usage('A', layout), 0x14u) << "A sits where a US keyboard has Q";
    EXPECT_EQ(Usage('Q', layout), 0x04u);
    EXPECT_EQ(Usage(0xBF, layout), 0x38u);
    EXPECT_EQ(Usage(0xDF, layout), 0x38u);
    EXPECT_EQ(Usage(0xDB, layout), 0x2Du) << "a punctuation key moved to the minus position";
}

TEST(VirtualKeyToUsage, KeepsTheRowsUsageWhenTheLayoutCannotPlaceTheKey)
{
    const FakeLayout layout = Azertyish();
    EXPECT_EQ(Usage('B', layout), 0x05u) << "no key gives B";
    const FakeLayout odd({{0x56, 'C', u"c"}});
    EXPECT_EQ(Usage('C', odd), 0x06u) << "scan code without a row";
}

TEST(VirtualKeyToUsage, AsksTheLayoutOnlyForPositionalKeys)
{
    // A layout that would move every key to the A position must not move these.
    const FakeLayout everywhere({{0x1E, 0xA0, u""}, {0x1E, 0x2C, u""}, {0x1E, 0x46, u""}});
    EXPECT_EQ(Usage(0xA0, everywhere), 0xE1u);
    EXPECT_EQ(Usage(0x2C, everywhere), 0x46u);
    EXPECT_EQ(everywhere.queries, 0);
    EXPECT_EQ(Usage(0x7B, FakeLayout({{0x1E, 0x7B, u""}})), 0x04u) << "F12 is positional";
}

TEST(UsageName, NamesLetterKeysByWhatTheLayoutPutsAtTheirPosition)
{
    const FakeLayout layout = Azertyish();
    EXPECT_EQ(UsageName(0x04, layout, Bracketed), u"Q");
    EXPECT_EQ(UsageName(0x14, layout, Bracketed), u"A");
    EXPECT_EQ(UsageName(0x1F, layout, Bracketed), u"\u00C9") << "upper case beyond ASCII";
    EXPECT_EQ(UsageName(0x2D, layout, Bracketed), u"\u00DF") << "sharp s has no single upper";
    EXPECT_EQ(UsageName(0x38, layout, Bracketed), u"/") << "scan code 0x35";
    EXPECT_EQ(UsageName(0x05, layout, Bracketed), u"") << "no key at the B position";
}

TEST(UsageName, NamesControlKeysThroughTheVirtualKeyTable)
{
    const FakeLayout layout = Azertyish();
    EXPECT_EQ(UsageName(0x2A, layout, Bracketed), u"[key_BackSpace]");
    EXPECT_EQ(UsageName(0x28, layout, Bracketed), u"[key_Enter]");
    // The name goes through the layout: a layout that puts Tab at the Backspace position
    // names that position Tab.
    const FakeLayout swapped({{0x0E, 0x09, u"\t"}});
    EXPECT_EQ(UsageName(0x2A, swapped, Bracketed), u"[key_Tab]");
}

TEST(UsageName, NamesOtherKeysThroughTheirTextIds)
{
    const FakeLayout layout = Azertyish();
    EXPECT_EQ(UsageName(0x3A, layout, Bracketed), u"[key_F1]");
    EXPECT_EQ(UsageName(0x45, layout, Bracketed), u"[key_F12]");
    EXPECT_EQ(UsageName(0x58, layout, Bracketed), u"[key_Num_Enter]");
    EXPECT_EQ(UsageName(0x59, layout, Bracketed), u"[key_Num_1]");
    EXPECT_EQ(UsageName(0x62, layout, Bracketed), u"[key_Num_0]");
    EXPECT_EQ(UsageName(0x4B, layout, Bracketed), u"[key_Page Up]");
    EXPECT_EQ(UsageName(0x64, layout, Bracketed), u"[key_\\]");
    EXPECT_EQ(UsageName(0xDD, layout, Bracketed), u"[`]");
    EXPECT_EQ(UsageName(0x88, layout, Bracketed), u"[Kana/Roma]");
    EXPECT_EQ(UsageName(0xE0, layout, Bracketed), u"[key_LCtrl]");
    EXPECT_EQ(UsageName(0xE7, layout, Bracketed), u"[key_RWin]");
    EXPECT_EQ(UsageName(0xF1, layout, Bracketed), u"[L_Button]");
    EXPECT_EQ(UsageName(0xF5, layout, Bracketed), u"[Forward_Button]");
}

TEST(UsageName, LeavesCodesWithoutANameEmpty)
{
    const FakeLayout layout = Azertyish();
    std::vector<std::u16string> asked;
    const KeyTextLookup recording = [&asked](std::u16string_view id) {
        asked.emplace_back(id);
        return Bracketed(id);
    };
    for (const unsigned usage : {0x00u, 0x03u, 0x32u, 0x66u, 0x67u, 0x68u, 0x69u, 0x81u, 0xE8u,
             0xEFu, 0xF0u, 0xF6u, 0xFFu, 0x100u, 0x104u})
        EXPECT_EQ(UsageName(usage, layout, recording), u"") << std::hex << usage;
    EXPECT_TRUE(asked.empty()) << "the empty id is never looked up";
}

TEST(UsageName, WritesItsResultToTheTrace)
{
    std::vector<std::string> lines;
    const TraceSink previous =
        SetTraceSink([&lines](std::string_view line) { lines.emplace_back(line); });
    const FakeLayout layout = Azertyish();
    UsageName(0xF1, layout, Bracketed);
    UsageName(0x1F, layout, Bracketed);
    UsageName(0x66, layout, Bracketed);
    SetTraceSink(previous);
    EXPECT_EQ(lines,
        (std::vector<std::string>{
            "m_key = [L_Button]\r\n", "m_key = \xC3\x89\r\n", "m_key = \r\n"}));
}

TEST(VirtualKeyName, PrefersTheTableOverTheLayout)
{
    const FakeLayout layout({{0x2A, 0xA0, u"x"}, {0x1E, 'A', u"a"}});
    EXPECT_EQ(VirtualKeyName(0xA0, layout, Bracketed), u"[key_LShift]");
    EXPECT_EQ(VirtualKeyName(0x10, layout, Bracketed), u"[key_LShift]") << "generic Shift";
    EXPECT_EQ(VirtualKeyName(0x2A, layout, Bracketed), u"[key_Print Scr]");
    EXPECT_EQ(VirtualKeyName(0xF0, layout, Bracketed), u"[key_Caplk]");
    EXPECT_EQ(VirtualKeyName('A', layout, Bracketed), u"A");
    EXPECT_EQ(VirtualKeyName(0, layout, Bracketed), u"");
}

TEST(KeyFunctions, UseTheInstalledLayoutAndLookup)
{
    const auto previousLayout = SetCurrentKeyLayout(std::make_shared<FakeLayout>(Azertyish()));
    const KeyTextLookup previousLookup = SetKeyTextLookup(Bracketed);
    unsigned usage = 0;
    EXPECT_TRUE(VirtualKeyToUsage('A', usage));
    EXPECT_EQ(usage, 0x14u);
    EXPECT_EQ(UsageName(0x04), u"Q");
    EXPECT_EQ(UsageName(0x3A), u"[key_F1]");
    EXPECT_EQ(VirtualKeyName(0x6C), u"[key_Num_Enter]");

    SetKeyTextLookup(nullptr);
    EXPECT_EQ(UsageName(0xF4), u"Backward_Button") << "without a lookup an id reads as itself";
    SetCurrentKeyLayout(nullptr);
    EXPECT_EQ(UsageName(0x04), u"") << "no layout, no letters";
    EXPECT_TRUE(VirtualKeyToUsage('A', usage));
    EXPECT_EQ(usage, 0x04u);

    SetCurrentKeyLayout(previousLayout);
    SetKeyTextLookup(previousLookup);
}

TEST(UpperCaseName, RaisesTheCommonScriptsAndLeavesTheRest)
{
    EXPECT_EQ(UpperCaseName(u"a\u00E9\u00F9\u03C9\u0436"), u"A\u00C9\u00D9\u03A9\u0416");
    EXPECT_EQ(UpperCaseName(u"1,^\u00B2\u00DF"), u"1,^\u00B2\u00DF");
    EXPECT_EQ(UpperCaseName(u""), u"");
}

} // namespace
} // namespace kestrin
