#include "profiles/ProfileExchange.h"

#include "base/RecordNames.h"
#include "profiles/ButtonFunctions.h"
#include "profiles/ProfileRanges.h"
#include "tests/support/FailingFileCalls.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <random>

namespace kestrin {
namespace {

using test::ReadBytes;
using test::TempFolder;
using test::WriteBytes;

std::unique_ptr<MacroRecord> Macro(std::u16string_view name, int actions)
{
    auto macro = std::make_unique<MacroRecord>();
    WriteName(macro->name, name);
    macro->actionCount = actions;
    for (int i = 0; i < actions; ++i)
        macro->actions[i] = {static_cast<uint8_t>(0x04 + i), static_cast<uint8_t>(1 + i % 2),
            static_cast<uint16_t>(10 * (i % 12) + 1)};
    return macro;
}

// A button given a macro as the assignment dialog would: name, steps, copy, index.
void AssignMacro(ProfileRecord& profile, int button, const MacroRecord& macro, int index)
{
    ButtonSlot& slot = profile.buttons[button];
    slot.functionCode = kFunctionMacro;
    slot.repeatCount = 3;
    WriteName(slot.assignedName, ReadName(macro.name));
    slot.stepCount = static_cast<uint16_t>(macro.actionCount);
    std::copy(std::begin(macro.actions), std::end(macro.actions), std::begin(slot.macroCopy));
    slot.macroIndex = index;
}

class ProfileExchangeTest : public testing::Test {
protected:
    std::string File(const char* name) const { return (folder.Root() / name).string(); }

    TempFolder folder;
    ProfileList profiles;
    MacroList macros;
    GunList guns;
};

TEST_F(ProfileExchangeTest, ExportThenImportAddsTheProfileAndItsMacrosUnderSuffixedNames)
{
    profiles.push_back(NewProfileRecord(u"Arena"));
    macros.push_back(Macro(u"Burst", 4));
    macros.push_back(Macro(u"Reload", 2));
    AssignMacro(*profiles[0], 3, *macros[0], 0);
    AssignMacro(*profiles[0], 9, *macros[1], 1);

    ASSERT_TRUE(WriteProfileFile(File("arena.pro"), *profiles[0]));
    EXPECT_EQ(ReadBytes(File("arena.pro")).size(), 41636u);

    ProfileFileRead read = ReadProfileFile(File("arena.pro"));
    ASSERT_TRUE(read.ok()) << read.error;
    const ProfileImport result = ImportProfileRecord(std::move(read.value), profiles, macros, guns);

    ASSERT_EQ(result.profileIndex, 1);
    EXPECT_EQ(result.macrosAdded, 2);
    const ProfileRecord& imported = *profiles[1];
    EXPECT_EQ(ReadName(imported.name), u"Arena_1");
    ASSERT_EQ(macros.size(), 4u);
    EXPECT_EQ(ReadName(macros[2]->name), u"Burst_1");
    EXPECT_EQ(ReadName(macros[3]->name), u"Reload_1");
    EXPECT_EQ(imported.buttons[3].macroIndex, 2);
    EXPECT_EQ(imported.buttons[9].macroIndex, 3);
    EXPECT_EQ(ReadName(imported.buttons[3].assignedName), u"Burst_1");
    EXPECT_EQ(macros[2]->actionCount, 4);
    EXPECT_EQ(std::memcmp(macros[2]->actions, macros[0]->actions, sizeof macros[0]->actions), 0);
    int32_t repeat;
    std::memcpy(&repeat, macros[2]->reserved48, 4);
    EXPECT_EQ(repeat, 3) << "the repeat count rides in bytes 48..51";
    EXPECT_EQ(ReadName(profiles[0]->buttons[3].assignedName), u"Burst") << "the original stays";
}

TEST_F(ProfileExchangeTest, AProfileWithoutMacrosAddsNoMacro)
{
    profiles.push_back(NewProfileRecord(u"Plain"));
    const ProfileImport result =
        ImportProfileRecord(NewProfileRecord(u"Other"), profiles, macros, guns);
    EXPECT_EQ(result.macrosAdded, 0);
    EXPECT_TRUE(macros.empty());
    EXPECT_EQ(ReadName(profiles[1]->name), u"Other") << "a free name is kept as it is";
}

TEST_F(ProfileExchangeTest, RefusesAFileThatIsNotExactlyOneProfile)
{
    WriteBytes(File("short.pro"), std::vector<unsigned char>(41635, 1));
    WriteBytes(File("long.pro"), std::vector<unsigned char>(41637, 1));
    WriteBytes(File("empty.pro"), {});
    EXPECT_EQ(ReadProfileFile(File("short.pro")).code, FileError::WrongSize);
    EXPECT_EQ(ReadProfileFile(File("long.pro")).code, FileError::WrongSize);
    EXPECT_EQ(ReadProfileFile(File("empty.pro")).code, FileError::WrongSize);
    EXPECT_EQ(ReadProfileFile(File("missing.pro")).code, FileError::Unreadable);
    EXPECT_EQ(ReadProfileFile(folder.Root().string()).code, FileError::Unreadable) << "a folder";
    EXPECT_EQ(ReadProfileFile(File("short.pro")).value, nullptr);
}

// A profile as the program's controls could leave it: every setting somewhere in its range,
// the buttons given other functions, macros and patterns of any length.
std::unique_ptr<ProfileRecord> RandomProgramProfile(std::mt19937& random)
{
    const auto pick = [&](int min, int max) {
        return std::uniform_int_distribution(min, max)(random);
    };
    auto p = NewProfileRecord(u"Random " + ToU16(std::to_string(pick(0, 9999))));
    for (int k = 0; k < kDpiStageCount; ++k) {
        p->dpiX[k] = pick(kDpiUnitsMin, kDpiUnitsMax);
        p->stageColor[k] = {uint8_t(pick(0, 255)), uint8_t(pick(0, 255)), 0, 0};
    }
    p->currentDpiStage = pick(0, 7);
    p->reportRate = pick(0, 3);
    p->liftOffDistance = pick(0, 1);
    p->motionSync = pick(0, 1);
    p->moveMode = pick(0, 1);
    p->lightingMode = pick(0, kLightingModes - 1);
    p->bleLightingMode = pick(0, kBleLightingModes - 1);
    p->brightness = pick(1, 8);
    p->breathSpeed = pick(1, 8);
    p->lightOffTimer = pick(1, 60);
    p->sleepTimer = pick(1, 120);
    p->keyDebounce = pick(1, 16);
    for (int k = 1; k < kButtonCount; ++k) {
        ButtonSlot& slot = p->buttons[k];
        switch (pick(0, 3)) {
        case 0:
            // A function of the table; the codes below are the cases after.
            slot.functionCode =
                ButtonFunctionTable()[std::size_t(pick(0, int(ButtonFunctionTable().size()) - 1))]
                    .code;
            if (slot.functionCode >= kFunctionKeyShortcut &&
                slot.functionCode <= kFunctionRecoilPattern)
                slot.functionCode = 1;
            break;
        case 1:
            slot.functionCode = kFunctionKeyShortcut;
            slot.shortcutKey = uint8_t(pick(4, 0xE7));
            slot.shortcutModifiers = uint8_t(pick(0, 15));
            break;
        case 2:
            AssignMacro(*p, k, *Macro(u"Macro " + ToU16(std::to_string(k)), pick(0, 46)), -1);
            break;
        default:
            slot.functionCode = kFunctionRecoilPattern;
            slot.stepCount = uint16_t(pick(1, kGunMaxShots));
            WriteName(slot.assignedName, u"Spray");
            for (GunBullet& shot : slot.patternCopy)
                shot = {pick(-999, 999), pick(-999, 999), 0, uint16_t(pick(1, 500))};
        }
    }
    return p;
}

TEST_F(ProfileExchangeTest, EveryExportIsTakenBackAndForeignValuesAreRefusedWhole)
{
    std::mt19937 random(17);
    for (int round = 0; round < 200; ++round) {
        const auto profile = RandomProgramProfile(random);
        ASSERT_TRUE(WriteProfileFile(File("round.pro"), *profile));
        const ProfileFileRead read = ReadProfileFile(File("round.pro"));
        ASSERT_TRUE(read.ok()) << "round " << round << ": " << read.error;
        EXPECT_EQ(std::memcmp(read.value.get(), profile.get(), sizeof(ProfileRecord)), 0);
    }

    const std::vector<std::pair<const char*, std::function<void(ProfileRecord&)>>> foreign = {
        {"a DPI above the sensor's", [](ProfileRecord& p) { p.dpiX[2] = 99999; }},
        {"a negative DPI", [](ProfileRecord& p) { p.dpiX[0] = -5420; }},
        {"stage 99", [](ProfileRecord& p) { p.currentDpiStage = 99; }},
        {"no stage in the cycle", [](ProfileRecord& p) { std::ranges::fill(p.stageEnabled, 0); }},
        {"a report rate of 9", [](ProfileRecord& p) { p.reportRate = 9; }},
        {"a light-off timer of 238", [](ProfileRecord& p) { p.lightOffTimer = 238; }},
        {"a lighting effect past the list", [](ProfileRecord& p) { p.lightingMode = 12; }},
        {"every button 0",
            [](ProfileRecord& p) {
                for (ButtonSlot& slot : p.buttons)
                    slot.functionCode = 0;
            }},
        {"a lone surrogate in the name", [](ProfileRecord& p) { p.name[2] = 0xD800; }},
        {"U+FFFF in the name", [](ProfileRecord& p) { p.name[0] = 0xFFFF; }},
        {"a macro delay past the editor's",
            [](ProfileRecord& p) {
                AssignMacro(p, 4, *Macro(u"M", 3), -1);
                p.buttons[4].macroCopy[1].delay = 60000;
            }},
        {"a pattern of no shots",
            [](ProfileRecord& p) {
                p.buttons[4].functionCode = kFunctionRecoilPattern;
                p.buttons[4].stepCount = 0;
            }},
        {"a macro index of -9", [](ProfileRecord& p) { p.buttons[7].macroIndex = -9; }},
        {"function code 20", [](ProfileRecord& p) { p.buttons[5].functionCode = 20; }},
        {"function code 255", [](ProfileRecord& p) { p.buttons[17].functionCode = 255; }},
        {"an empty name", [](ProfileRecord& p) { p.name[0] = u'\0'; }},
        {"a macro key that is the move code",
            [](ProfileRecord& p) {
                AssignMacro(p, 4, *Macro(u"M", 3), -1);
                p.buttons[4].macroCopy[2].key = 0xF6;
            }},
        {"a macro action neither press nor release",
            [](ProfileRecord& p) {
                AssignMacro(p, 4, *Macro(u"M", 3), -1);
                p.buttons[4].macroCopy[0].kind = 3;
            }},
        {"a macro of 48 size units",
            [](ProfileRecord& p) {
                AssignMacro(p, 4, *Macro(u"M", 24), -1);
                for (int i = 0; i < 24; ++i)
                    p.buttons[4].macroCopy[i].delay = 200;
            }},
    };
    for (const auto& [what, change] : foreign) {
        auto profile = NewProfileRecord(u"Foreign");
        change(*profile);
        ASSERT_TRUE(WriteProfileFile(File("foreign.pro"), *profile));
        const ProfileFileRead read = ReadProfileFile(File("foreign.pro"));
        EXPECT_EQ(read.code, FileError::OutOfRange) << what;
        EXPECT_EQ(read.value, nullptr) << what;
    }
}

TEST_F(ProfileExchangeTest, AFailedExportSaysSoAndLeavesAnEarlierFileWhole)
{
    const auto profile = NewProfileRecord(u"P");
    WriteBytes(File("keep.pro"), std::vector<unsigned char>(41636, 7));
    {
        test::FailingWrites diskFull(20000);
        EXPECT_FALSE(WriteProfileFile(File("keep.pro"), *profile));
    }
    EXPECT_EQ(ReadBytes(File("keep.pro")), std::vector<unsigned char>(41636, 7));
    std::filesystem::create_directory(File("folder.pro"));
    EXPECT_FALSE(WriteProfileFile(File("folder.pro"), *profile)) << "a folder in the way";
}

TEST_F(ProfileExchangeTest, WhatAForeignFileHoldsNeverLeadsOutsideARecord)
{
    auto hostile = NewProfileRecord(u"");
    for (auto& unit : hostile->name)
        unit = u'N'; // no terminator
    ButtonSlot& macroSlot = hostile->buttons[2];
    macroSlot.functionCode = kFunctionMacro;
    macroSlot.stepCount = 60000;
    for (auto& unit : macroSlot.assignedName)
        unit = u'M';
    for (MacroAction& action : macroSlot.macroCopy)
        action = {0x04, uint8_t(MacroActionKind::Press), 10};
    ButtonSlot& patternSlot = hostile->buttons[4];
    patternSlot.functionCode = kFunctionRecoilPattern;
    patternSlot.stepCount = 999;
    patternSlot.patternIndex = 12345;
    for (GunBullet& shot : patternSlot.patternCopy)
        shot.delay = 5;
    hostile->buttons[6].macroIndex = 77;
    hostile->buttons[7].macroIndex = -9;

    ImportProfileRecord(std::move(hostile), profiles, macros, guns);
    const ProfileRecord& imported = *profiles[0];
    EXPECT_EQ(ReadName(imported.name), std::u16string(99, u'N'));
    ASSERT_EQ(macros.size(), 1u);
    EXPECT_EQ(macros[0]->actionCount, 46) << "no more actions than the copy holds";
    EXPECT_EQ(ReadName(macros[0]->name), std::u16string(23, u'M'));
    EXPECT_EQ(imported.buttons[4].stepCount, 30);
    EXPECT_EQ(imported.buttons[4].patternIndex, -1);
    EXPECT_EQ(imported.buttons[6].macroIndex, -1);
    EXPECT_EQ(imported.buttons[7].macroIndex, -1);
}

TEST_F(ProfileExchangeTest, SuffixesFitFullLengthNames)
{
    const std::u16string longName(99, u'p');
    profiles.push_back(NewProfileRecord(longName));
    macros.push_back(Macro(std::u16string(23, u'm'), 1));
    auto copy = NewProfileRecord(longName);
    AssignMacro(*copy, 3, *macros[0], 0);

    ImportProfileRecord(std::move(copy), profiles, macros, guns);
    EXPECT_EQ(ReadName(profiles[1]->name), std::u16string(97, u'p') + u"_1");
    EXPECT_EQ(ReadName(macros[1]->name), std::u16string(21, u'm') + u"_1");
    EXPECT_FALSE(NamesEqual(ReadName(profiles[0]->name), ReadName(profiles[1]->name)));
}

} // namespace
} // namespace kestrin
