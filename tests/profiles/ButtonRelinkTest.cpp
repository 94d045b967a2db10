#include "profiles/ButtonRelink.h"

#include "base/RecordNames.h"
#include "tests/support/RawBytes.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kestrin {
namespace {

using test::AllZero;
using test::ReadAt;

std::unique_ptr<MacroRecord> Macro(std::u16string_view name, int count, uint8_t key)
{
    auto macro = std::make_unique<MacroRecord>();
    WriteName(macro->name, name);
    macro->actionCount = count;
    for (int i = 0; i < count; ++i)
        macro->actions[i] = {key, 1, static_cast<uint16_t>(10 + i)};
    return macro;
}

std::unique_ptr<GunRecord> Gun(std::u16string_view name, int shots, int32_t y)
{
    auto gun = NewGunRecord(name);
    gun->shotCount = static_cast<uint8_t>(shots);
    for (GunBullet& shot : gun->shots)
        shot.y = y;
    return gun;
}

// What the selection dialogs leave in a slot.
void AssignMacro(ButtonSlot& slot, const MacroList& macros, int index)
{
    slot.functionCode = kFunctionMacro;
    slot.playMode = 1;
    slot.repeatCount = 9;
    CopyMacroIntoSlot(slot, *macros[index], index);
}

void AssignGun(ButtonSlot& slot, const GunList& guns, int index)
{
    slot.functionCode = kFunctionRecoilPattern;
    slot.playMode = kPatternPlayMode;
    slot.repeatCount = 3;
    CopyGunIntoSlot(slot, *guns[index], index);
}

class ButtonRelinkTest : public testing::Test {
protected:
    void SetUp() override
    {
        profiles.push_back(NewProfileRecord(u"Current"));
        profiles.push_back(NewProfileRecord(u"Other"));
        macros.push_back(Macro(u"Reload", 4, 0x15));
        macros.push_back(Macro(u"Macro1", 2, 0x04));
        guns.push_back(Gun(u"AK", 20, -7));
    }
    ProfileRecord& Current() { return *profiles[0]; }
    ProfileRecord& Other() { return *profiles[1]; }
    bool Resync() { return ResyncButtonAssignments(profiles, macros, guns, &Current()); }

    ProfileList profiles;
    MacroList macros;
    GunList guns;
};

TEST_F(ButtonRelinkTest, ADeletedMacroTurnsTheButtonOfAnotherProfileToItsDefault)
{
    AssignMacro(Other().buttons[6], macros, 0);
    macros.erase(macros.begin());

    EXPECT_FALSE(Resync()) << "the current profile holds no macro or pattern";
    const ButtonSlot& slot = Other().buttons[6];
    EXPECT_EQ(ReadAt<uint8_t>(slot, 1), 5) << "back to the default of button 6";
    EXPECT_EQ(ReadAt<int32_t>(slot, 1072), -1);
    EXPECT_EQ(ReadAt<uint8_t>(slot, 0), 0);
    EXPECT_TRUE(AllZero(slot, 2, 1070));
    EXPECT_TRUE(AllZero(slot, 1076, 1632 - 1076));
}

TEST_F(ButtonRelinkTest, TheResultDependsOnlyOnTheCurrentProfile)
{
    AssignMacro(Current().buttons[0], macros, 0);
    EXPECT_TRUE(Resync()) << "nothing changed, still true";
    macros.clear();
    EXPECT_TRUE(Resync()) << "the link was dropped, still true";
    EXPECT_EQ(Current().buttons[0].functionCode, 1);
    EXPECT_FALSE(Resync()) << "nothing left to link";

    AssignGun(Other().buttons[2], guns, 0);
    EXPECT_FALSE(Resync());
    EXPECT_TRUE(ResyncButtonAssignments(profiles, macros, guns, &Other()));
    EXPECT_FALSE(ResyncButtonAssignments(profiles, macros, guns, nullptr));
}

TEST_F(ButtonRelinkTest, ARenamedMacroBreaksTheLinkByName)
{
    AssignMacro(Current().buttons[9], macros, 0);
    WriteName(macros[0]->name, u"Reload2");
    EXPECT_TRUE(Resync());
    EXPECT_EQ(Current().buttons[9].functionCode, 0);
    EXPECT_EQ(Current().buttons[9].macroIndex, -1);
}

TEST_F(ButtonRelinkTest, ARenameCarriesTheButtonsOfTheRenamedRecordAloneSoTheyRelink)
{
    AssignMacro(Current().buttons[9], macros, 0);
    AssignMacro(Other().buttons[3], macros, 0);
    AssignMacro(Other().buttons[4], macros, 1);
    const std::u16string shared = u"Assault rifle spray con"; // 23 units, all a button keeps
    guns.push_back(Gun(shared + u"trol A", 10, 1));
    guns.push_back(Gun(shared + u"trol B", 12, 2));
    AssignGun(Current().buttons[5], guns, 1);
    AssignGun(Other().buttons[5], guns, 2);

    WriteName(macros[0]->name, u"Reload fast");
    EXPECT_TRUE(CarryRenamedMacro(profiles, macros, 0, u"Reload"));
    WriteName(guns[2]->name, u"SMG");
    EXPECT_TRUE(CarryRenamedGun(profiles, guns, 2, shared + u"trol B"));
    EXPECT_FALSE(CarryRenamedMacro(profiles, macros, 1, u"Jump")) << "no button holds it";
    Resync();
    for (const ButtonSlot* slot : {&Current().buttons[9], &Other().buttons[3]}) {
        EXPECT_EQ(slot->macroIndex, 0);
        EXPECT_EQ(ReadName(slot->assignedName), u"Reload fast");
    }
    EXPECT_EQ(ReadName(Other().buttons[4].assignedName), u"Macro1");
    EXPECT_EQ(Current().buttons[5].patternIndex, 1) << "the pattern alike stays where it was";
    EXPECT_EQ(ReadName(Current().buttons[5].assignedName), shared);
    EXPECT_EQ(Other().buttons[5].patternIndex, 2);
    EXPECT_EQ(ReadName(Other().buttons[5].assignedName), u"SMG");
}

TEST_F(ButtonRelinkTest, EditedActionsAndMovedIndexesReachEveryProfile)
{
    AssignMacro(Current().buttons[4], macros, 1);
    AssignMacro(Other().buttons[7], macros, 1);
    auto edited = Macro(u"Macro1", 46, 0x2C);
    macros.erase(macros.begin() + 1);
    macros.insert(macros.begin(), std::move(edited));

    Resync();
    for (ProfileRecord* profile : {&Current(), &Other()}) {
        const ButtonSlot& slot = profile == &Current() ? profile->buttons[4] : profile->buttons[7];
        EXPECT_EQ(ReadAt<int32_t>(slot, 1072), 0);
        EXPECT_EQ(ReadAt<uint16_t>(slot, 68), 46);
        EXPECT_EQ(ReadAt<uint8_t>(slot, 1448 + 4 * 45), 0x2C);
        EXPECT_EQ(ReadAt<uint16_t>(slot, 1448 + 4 * 45 + 2), 55);
        EXPECT_EQ(ReadAt<int32_t>(slot, 12), 1) << "play mode stays";
        EXPECT_EQ(ReadAt<int32_t>(slot, 64), 9) << "repeat count stays";
    }
}

// A profile read from the store stays packed through a re-link that leaves it as it was.
TEST_F(ButtonRelinkTest, APackedProfileIsUnpackedOnlyWhenTheRelinkChangesIt)
{
    AssignMacro(Other().buttons[7], macros, 1);
    profiles[1] = StoredProfile::Packed(Other());

    Resync();
    EXPECT_TRUE(profiles[1].IsPacked());

    macros[1] = Macro(u"Macro1", 3, 0x2C);
    Resync();
    ASSERT_FALSE(profiles[1].IsPacked());
    EXPECT_EQ(Other().buttons[7].stepCount, 3);
    EXPECT_EQ(Other().buttons[7].macroCopy[2].key, 0x2C);
}

TEST_F(ButtonRelinkTest, NamesMatchWithoutRegardToCaseAndTakeTheLibrarysSpelling)
{
    AssignMacro(Current().buttons[1], macros, 1);
    WriteName(Current().buttons[1].assignedName, u"MACRO1");
    Resync();
    EXPECT_EQ(Current().buttons[1].functionCode, kFunctionMacro);
    EXPECT_EQ(Current().buttons[1].macroIndex, 1);
    EXPECT_EQ(ReadName(Current().buttons[1].assignedName), u"Macro1");
}

TEST_F(ButtonRelinkTest, PatternsRelinkAndAMissingOneFallsBack)
{
    AssignGun(Current().buttons[3], guns, 0);
    guns.insert(guns.begin(), Gun(u"M4", 10, 2));
    guns[1]->shots[0].x = 42;
    Resync();
    const ButtonSlot& slot = Current().buttons[3];
    EXPECT_EQ(ReadAt<int32_t>(slot, 1076), 1);
    EXPECT_EQ(ReadAt<int32_t>(slot, 1084), 42);
    EXPECT_EQ(ReadAt<int32_t>(slot, 1084 + 4), -7);
    EXPECT_EQ(ReadAt<uint16_t>(slot, 68), 20);

    guns.clear();
    EXPECT_TRUE(Resync());
    EXPECT_EQ(slot.functionCode, 6);
    EXPECT_EQ(slot.patternIndex, -1);
}

TEST_F(ButtonRelinkTest, ALongPatternNameIsStoredCutAndStillRelinks)
{
    const std::u16string longName = u"Assault rifle spray control long";
    guns.push_back(Gun(longName, 30, 1));
    ButtonSlot& slot = Current().buttons[5];
    AssignGun(slot, guns, 1);

    EXPECT_EQ(ReadName(slot.assignedName), longName.substr(0, 23));
    EXPECT_EQ(slot.assignedName[23], u'\0');
    EXPECT_EQ(ReadAt<int32_t>(slot, 64), 3) << "nothing written past the name";

    guns.insert(guns.begin(), Gun(u"first", 1, 0));
    EXPECT_TRUE(Resync());
    EXPECT_EQ(slot.functionCode, kFunctionRecoilPattern);
    EXPECT_EQ(slot.patternIndex, 2);

    // A surrogate pair across the cut is left out whole, by assignment and comparison alike.
    const std::u16string emoji = std::u16string(22, u'e') + u"\U0001F3AF" + u"x";
    guns.push_back(Gun(emoji, 30, 1));
    AssignGun(slot, guns, 3);
    EXPECT_EQ(ReadName(slot.assignedName), std::u16string(22, u'e'));
    Resync();
    EXPECT_EQ(slot.patternIndex, 3);
}

TEST_F(ButtonRelinkTest, PatternsAlikeInTheirFirst23UnitsAreNeverSwapped)
{
    const std::u16string shared = u"Assault rifle spray con"; // 23 units
    guns.push_back(Gun(shared + u"trol A", 10, 1));
    guns.push_back(Gun(shared + u"trol B", 12, 2));
    ButtonSlot& slot = Current().buttons[4];
    AssignGun(slot, guns, 2);

    Resync();
    EXPECT_EQ(slot.patternIndex, 2) << "its own index decides between the two";
    EXPECT_EQ(slot.stepCount, 12);

    // Imported, with no index: the steps it carries tell which.
    slot.patternIndex = -1;
    Resync();
    EXPECT_EQ(slot.patternIndex, 2);
    EXPECT_EQ(slot.patternCopy[0].y, 2);

    // Neither tells: the button is not pointed at one of them by guess.
    slot.patternIndex = -1;
    slot.patternCopy[0].y = 99;
    Resync();
    EXPECT_EQ(slot.functionCode, kDefaultFunctionCodes[4]);
}

TEST_F(ButtonRelinkTest, SlotsWithoutANameOrBeyondTheButtonsAreLeftAlone)
{
    ButtonSlot& unnamed = Current().buttons[2];
    unnamed.functionCode = kFunctionMacro;
    unnamed.macroIndex = 1;
    ButtonSlot& spare = Current().buttons[20];
    spare.functionCode = kFunctionMacro;
    WriteName(spare.assignedName, u"Gone");
    ButtonSlot& plain = Current().buttons[8];
    WriteName(plain.assignedName, u"Gone"); // a stale name behind a plain function

    const auto before = std::make_unique<ProfileRecord>(Current());
    EXPECT_FALSE(Resync());
    EXPECT_EQ(std::memcmp(before.get(), &Current(), sizeof(ProfileRecord)), 0);
}

TEST_F(ButtonRelinkTest, IndexesOutsideTheLibrariesAreDroppedEvenWithoutAName)
{
    ButtonSlot& unnamed = Current().buttons[2];
    unnamed.functionCode = kFunctionRecoilPattern;
    unnamed.patternIndex = 1; // one past the only pattern
    unnamed.stepCount = 5;
    Current().buttons[9].macroIndex = 77;
    Other().buttons[4].macroIndex = -8;

    EXPECT_FALSE(Resync());
    EXPECT_EQ(unnamed.patternIndex, -1);
    EXPECT_EQ(unnamed.functionCode, kFunctionRecoilPattern) << "the slot is otherwise left alone";
    EXPECT_EQ(unnamed.stepCount, 5);
    EXPECT_EQ(Current().buttons[9].macroIndex, -1);
    EXPECT_EQ(Other().buttons[4].macroIndex, -1);
}

} // namespace
} // namespace kestrin
