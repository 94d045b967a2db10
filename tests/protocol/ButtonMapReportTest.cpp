#include "protocol/ButtonMapReport.h"

#include "tests/device/ReportBytes.h"

#include <gtest/gtest.h>

namespace kestrin {
namespace {

using test::Bytes;
using test::StoredChecksum;
using test::SumOf;
using Vec = std::vector<uint8_t>;

Vec ButtonBytes(const Report& report, int i) { return Bytes(report, 3 + 3 * i, 6 + 3 * i); }

TEST(ButtonMapReport, EncodesTheDefaultButtonsAndItsChecksum)
{
    const auto profile = NewProfileRecord(u"p");
    const Report report = BuildButtonMapReport(*profile, DownloadSlotTable{});
    EXPECT_EQ(report.length, 59u);
    EXPECT_EQ(Bytes(report, 0, 3), (Vec{0x08, 0x3B, 0x01}));
    // Defaults 1, 2, 3, 6, 6, 52, 5, 4, eight times 0, 12, 11.
    const Vec expected = {2, 0, 0, 3, 0, 0, 4, 0, 0, 13, 0, 0, 13, 0, 0, 60, 0, 0, 5, 0, 0, 6, 0, 0,
        1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 10, 0, 0, 9, 0, 0};
    EXPECT_EQ(Bytes(report, 3, 57), expected);
    EXPECT_EQ(StoredChecksum(report, 57), 2 + 3 + 4 + 13 + 13 + 60 + 5 + 6 + 8 + 10 + 9);
    EXPECT_EQ(StoredChecksum(report, 57), SumOf(report, 3, 57));
}

TEST(ButtonMapReport, SendsCodesWithoutARowAsZeros)
{
    auto profile = NewProfileRecord(u"p");
    const uint8_t unknown[] = {15, 20, 24, 51, 53, 57, 72, 90, 114, 116, 255};
    for (int i = 0; i < 11; ++i)
        profile->buttons[i].functionCode = unknown[i];
    const Report report = BuildButtonMapReport(*profile, DownloadSlotTable{});
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(ButtonBytes(report, i), (Vec{0, 0, 0})) << "code " << int{unknown[i]};
}

TEST(ButtonMapReport, TakesShortcutModifiersAndKeyFromTheSlot)
{
    auto profile = NewProfileRecord(u"p");
    profile->buttons[3].functionCode = kFunctionKeyShortcut;
    profile->buttons[3].shortcutModifiers = kModifierCtrl | kModifierShift;
    profile->buttons[3].shortcutKey = 0x04;
    const Report report = BuildButtonMapReport(*profile, DownloadSlotTable{});
    EXPECT_EQ(ButtonBytes(report, 3), (Vec{17, 3, 4}));
}

TEST(ButtonMapReport, TakesMacroAndPatternSlotsFromTheTableNotTheSlot)
{
    auto profile = NewProfileRecord(u"p");
    profile->buttons[2].functionCode = kFunctionMacro;
    profile->buttons[2].shortcutModifiers = 9; // stale bytes of an earlier shortcut
    profile->buttons[2].shortcutKey = 9;
    profile->buttons[4].functionCode = kFunctionRecoilPattern;
    DownloadSlotTable table{};
    table[2] = 5;
    table[4] = 1;
    table[6] = 7; // a button without a macro ignores its entry
    const Report report = BuildButtonMapReport(*profile, table);
    EXPECT_EQ(ButtonBytes(report, 2), (Vec{18, 0, 5}));
    EXPECT_EQ(ButtonBytes(report, 4), (Vec{58, 0, 1}));
    EXPECT_EQ(ButtonBytes(report, 6), (Vec{5, 0, 0}));
}

TEST(ButtonMapReport, EncodesChordsAndSpecialRows)
{
    struct Row {
        uint8_t code;
        Vec wire;
    };
    const Row rows[] = {{32, {17, 1, 27}}, {42, {17, 4, 61}}, {44, {17, 8, 7}}, {50, {17, 10, 22}},
        {81, {17, 3, 18}}, {22, {16, 0, 3}}, {23, {41, 0, 3}}, {19, {19, 0, 0}}, {21, {43, 0, 0}},
        {115, {20, 0, 0}}, {89, {35, 0, 0}}, {54, {52, 0, 0}}};
    auto profile = NewProfileRecord(u"p");
    for (const Row& row : rows) {
        profile->buttons[0].functionCode = row.code;
        const Report report = BuildButtonMapReport(*profile, DownloadSlotTable{});
        EXPECT_EQ(ButtonBytes(report, 0), row.wire) << "code " << int{row.code};
    }
}

TEST(ButtonMapReport, CarriesOnlyEighteenButtons)
{
    auto profile = NewProfileRecord(u"p");
    for (int k = 18; k < kButtonSlotCount; ++k)
        profile->buttons[k].functionCode = 1;
    const Report report = BuildButtonMapReport(*profile, DownloadSlotTable{});
    EXPECT_EQ(BuildButtonMapReport(*NewProfileRecord(u"p"), DownloadSlotTable{}), report);
}

} // namespace
} // namespace kestrin
