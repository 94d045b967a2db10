#include "profiles/ProfileRecord.h"

#include "base/RecordNames.h"
#include "tests/support/RawBytes.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kestrin {
namespace {

using test::AllZero;
using test::ReadAt;

constexpr std::size_t kButtons = 2468;
constexpr std::size_t kSlotSize = 1632;

std::size_t SlotOffset(int k) { return kButtons + kSlotSize * k; }

TEST(NewProfileRecord, HoldsTheDefaultSettingsAtTheirByteOffsets)
{
    const auto profile = NewProfileRecord(u"Profile1");
    const int32_t dpi[8] = {16, 24, 32, 64, 112, 520, 0, 0};
    const int32_t enabled[8] = {1, 1, 1, 1, 1, 1, 0, 0};
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(ReadAt<int32_t>(*profile, 2244 + 4 * k), dpi[k]) << "DPI X stage " << k;
        EXPECT_EQ(ReadAt<int32_t>(*profile, 2276 + 4 * k), dpi[k]) << "DPI Y stage " << k;
        EXPECT_EQ(ReadAt<int32_t>(*profile, 2308 + 4 * k), enabled[k]) << "enabled " << k;
    }
    EXPECT_EQ(ReadAt<int32_t>(*profile, 2356), 1) << "stage 2 is current";
    EXPECT_EQ(ReadAt<int32_t>(*profile, 2360), 3) << "report rate index";

    EXPECT_EQ(ReadAt<int32_t>(*profile, 2200), 420);
    EXPECT_EQ(ReadAt<int32_t>(*profile, 2204), 3);
    EXPECT_EQ(ReadAt<int32_t>(*profile, 2208), 0);
    EXPECT_EQ(ReadAt<int32_t>(*profile, 2212), 6);
    EXPECT_EQ(ReadAt<int32_t>(*profile, 2340), 8) << "brightness";
    EXPECT_EQ(ReadAt<int32_t>(*profile, 2344), 6) << "breath speed";
    EXPECT_EQ(ReadAt<int32_t>(*profile, 2348), 1) << "light-off";
    EXPECT_EQ(ReadAt<int32_t>(*profile, 2352), 30) << "sleep";
    EXPECT_EQ(ReadAt<int32_t>(*profile, 2364), 0) << "move mode";
    EXPECT_EQ(ReadAt<int32_t>(*profile, 2368), 1) << "ripple";
    EXPECT_EQ(ReadAt<int32_t>(*profile, 2372), 1) << "angle snap";
    EXPECT_EQ(ReadAt<int32_t>(*profile, 2376), 1) << "motion sync";
    EXPECT_EQ(ReadAt<int32_t>(*profile, 2388), 1) << "reserved byte 2 with zero padding";
    EXPECT_EQ(ReadAt<int32_t>(*profile, 2396), 4) << "debounce";
    EXPECT_EQ(ReadAt<uint32_t>(*profile, 2400), 0x0000FF00u) << "lighting colour 0,255,0,0";
    EXPECT_EQ(ReadAt<uint32_t>(*profile, 2404 + 4 * 6), 0x000040FFu) << "stage 7 orange";
    EXPECT_EQ(ReadAt<uint32_t>(*profile, 2436 + 4 * 7), 0x000080FFu) << "spare 8";
    EXPECT_TRUE(AllZero(*profile, 200, 2000)) << "reserved texts";
    EXPECT_TRUE(AllZero(*profile, 2216, 8));
    EXPECT_TRUE(AllZero(*profile, 2236, 8));
}

TEST(NewProfileRecord, GivesEachOfTheEighteenButtonsItsDefaultFunction)
{
    const auto profile = NewProfileRecord(u"P");
    const uint8_t codes[18] = {1, 2, 3, 6, 6, 52, 5, 4, 0, 0, 0, 0, 0, 0, 0, 0, 12, 11};
    for (int k = 0; k < 18; ++k) {
        const std::size_t slot = SlotOffset(k);
        EXPECT_EQ(ReadAt<uint8_t>(*profile, slot + 0), k) << "button number " << k;
        EXPECT_EQ(ReadAt<uint8_t>(*profile, slot + 1), codes[k]) << "function of slot " << k;
        EXPECT_EQ(ReadAt<uint16_t>(*profile, slot + 8), 562);
        EXPECT_EQ(ReadAt<int32_t>(*profile, slot + 1072), -1) << "macro index";
        EXPECT_EQ(ReadAt<int32_t>(*profile, slot + 1076), -1) << "pattern index";
        EXPECT_TRUE(AllZero(*profile, slot + 12, 1072 - 12));
        EXPECT_TRUE(AllZero(*profile, slot + 1080, kSlotSize - 1080));
    }
    EXPECT_EQ(ReadAt<uint8_t>(*profile, SlotOffset(5) + 1), 52);
    EXPECT_TRUE(AllZero(*profile, SlotOffset(18), kSlotSize * 6)) << "slots 18..23 stay zero";
}

TEST(NewProfileRecord, CutsAnOverlongNameToNinetyNineCharacters)
{
    const std::u16string longName(150, u'x');
    const auto profile = NewProfileRecord(longName);
    EXPECT_EQ(ReadName(profile->name), longName.substr(0, 99));
    EXPECT_EQ(profile->name[99], u'\0');
}

TEST(ResetProfileDefaults, KeepsTheNameAndClearsEveryButtonCopy)
{
    auto profile = NewProfileRecord(u"Aim training");
    ButtonSlot& slot = profile->buttons[3];
    slot.functionCode = kFunctionMacro;
    WriteName(slot.assignedName, u"Burst");
    slot.macroIndex = 4;
    slot.stepCount = 10;
    slot.repeatCount = 3;
    slot.macroCopy[9] = {0x04, 1, 50};
    profile->buttons[7].patternCopy[29] = {10, -20, 0, 8};
    profile->buttons[20].functionCode = 9; // a slot the program never uses, from a file
    profile->dpiX[0] = 400;
    profile->reservedText1[3] = u'q';

    ResetProfileDefaults(*profile);

    const auto fresh = NewProfileRecord(u"Aim training");
    EXPECT_EQ(std::memcmp(profile.get(), fresh.get(), sizeof(ProfileRecord)), 0);
}

TEST(ResetProfileDefaults, LeavesTheReservedZeroRangesAsTheyAre)
{
    auto profile = NewProfileRecord(u"P");
    profile->reserved2216[0] = 0xAB;
    profile->reserved2236[7] = 0xCD;
    ResetProfileDefaults(*profile);
    EXPECT_EQ(profile->reserved2216[0], 0xAB);
    EXPECT_EQ(profile->reserved2236[7], 0xCD);
}

TEST(StoredColors, ShowAsOpaqueArgbAndComeBackWithAZeroFourthByte)
{
    EXPECT_EQ(ToArgb({255, 64, 0, 0}), 0xFFFF4000u);
    EXPECT_EQ(ToArgb({1, 2, 3, 0x77}), 0xFF010203u) << "the fourth byte is not alpha";
    EXPECT_EQ(FromArgb(0x80123456u), (RgbColor{0x12, 0x34, 0x56, 0}));
}

} // namespace
} // namespace kestrin
