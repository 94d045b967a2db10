#include "profiles/ProfileStore.h"

#include "base/RecordNames.h"
#include "macros/MacroStore.h"
#include "patterns/GunStore.h"
#include "profiles/ProfileRanges.h"
#include "tests/support/FailingFileCalls.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <regex>

namespace fs = std::filesystem;

namespace kestrin {
namespace {

using test::FilesStartingWith;
using test::ReadBytes;
using test::WriteBytes;

constexpr std::size_t kHeader = 208184;
constexpr std::size_t kProfile = 41636;

std::vector<unsigned char> RecordBytes(const ProfileRecord& profile)
{
    std::vector<unsigned char> bytes(kProfile);
    std::memcpy(bytes.data(), &profile, kProfile);
    return bytes;
}

// A pro.data built byte by byte: the index, a recognisable header, then the named profiles.
std::vector<unsigned char> StoreBytes(int32_t index, std::vector<std::u16string> names)
{
    std::vector<unsigned char> bytes(kHeader);
    for (std::size_t i = 4; i < kHeader; ++i)
        bytes[i] = static_cast<unsigned char>(i % 253);
    for (int b = 0; b < 4; ++b)
        bytes[b] = static_cast<unsigned char>(static_cast<uint32_t>(index) >> (8 * b));
    for (const auto& name : names) {
        const auto record = RecordBytes(*NewProfileRecord(name));
        bytes.insert(bytes.end(), record.begin(), record.end());
    }
    return bytes;
}

class ProfileStoreTest : public testing::Test {
protected:
    StoreLoadReport Load() { return LoadProfileStore(folder.Data(), list, *header, u"Profile"); }
    fs::path Store() const { return fs::path(folder.Data()) / "ms_1" / "pro.data"; }
    std::vector<std::string> Broken() const
    {
        return FilesStartingWith(Store().parent_path(), "pro.data.broken-");
    }

    test::TempFolder folder;
    ProfileList list;
    std::unique_ptr<ProfileStoreHeader> header = std::make_unique<ProfileStoreHeader>();
};

TEST_F(ProfileStoreTest, FirstRunMakesTheFoldersAndOneDefaultProfileButNoLibraries)
{
    const StoreLoadReport report = Load();

    EXPECT_TRUE(report.missing);
    EXPECT_TRUE(report.createdFresh);
    EXPECT_TRUE(report.freshSave.ok());
    EXPECT_FALSE(report.Damaged());
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(ReadName(list[0]->name), u"Profile1");
    EXPECT_EQ(header->currentIndex, 0);

    const auto bytes = ReadBytes(Store());
    ASSERT_EQ(bytes.size(), 249820u);
    EXPECT_TRUE(std::all_of(bytes.begin(), bytes.begin() + kHeader, [](auto b) { return b == 0; }));
    EXPECT_EQ(std::vector<unsigned char>(bytes.begin() + kHeader, bytes.end()),
        RecordBytes(*NewProfileRecord(u"Profile1")));

    MacroList macros;
    GunList guns;
    EXPECT_TRUE(LoadMacroStore(folder.Data(), macros).missing);
    EXPECT_TRUE(LoadGunStore(folder.Data(), guns).missing);
    EXPECT_TRUE(macros.empty());
    EXPECT_TRUE(guns.empty());
    EXPECT_FALSE(fs::exists(Store().parent_path() / "macro.data"));
    EXPECT_FALSE(fs::exists(Store().parent_path() / "gun.data"));
}

TEST_F(ProfileStoreTest, ThreeProfilesLoadInOrderAndTheHeaderSelectsTheCurrentOne)
{
    const auto written = StoreBytes(2, {u"One", u"Two", u"Three"});
    WriteBytes(Store(), written);

    const StoreLoadReport report = Load();
    EXPECT_FALSE(report.Damaged());
    EXPECT_FALSE(report.createdFresh);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(ReadName(list[0]->name), u"One");
    EXPECT_EQ(ReadName(list[2]->name), u"Three");
    EXPECT_EQ(header->currentIndex, 2);

    // The header's uninterpreted bytes travel unchanged: a save gives the file back as it was.
    ASSERT_TRUE(SaveProfileStore(folder.Data(), list, *header).ok());
    EXPECT_EQ(ReadBytes(Store()), written);
}

TEST_F(ProfileStoreTest, ACurrentIndexOutsideTheListSelectsTheFirstProfile)
{
    for (int32_t index : {-1, 2, INT32_MAX, INT32_MIN}) {
        SCOPED_TRACE(index);
        WriteBytes(Store(), StoreBytes(index, {u"A", u"B"}));
        const StoreLoadReport report = Load();
        EXPECT_TRUE(report.indexReset);
        EXPECT_TRUE(report.Damaged());
        EXPECT_EQ(header->currentIndex, 0);
        EXPECT_EQ(list.size(), 2u);
    }
}

TEST_F(ProfileStoreTest, APartialRecordAtTheEndKeepsEveryWholeOneAndACopyOfTheFile)
{
    auto bytes = StoreBytes(1, {u"A", u"B"});
    bytes.resize(bytes.size() + 1000, 0x5A);
    WriteBytes(Store(), bytes);

    const StoreLoadReport report = Load();
    EXPECT_EQ(report.droppedTailBytes, 1000u);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(header->currentIndex, 1);
    ASSERT_FALSE(report.copiedAsideTo.empty());
    EXPECT_EQ(ReadBytes(report.copiedAsideTo), bytes);
    EXPECT_EQ(ReadBytes(Store()), bytes) << "the load itself writes nothing";
}

TEST_F(ProfileStoreTest, AStoreWithNoWholeProfileIsMovedAsideNeverOverwritten)
{
    const auto headerOnly = StoreBytes(0, {});
    auto almost = StoreBytes(0, {u"A"});
    almost.pop_back();
    const std::vector<unsigned char> shortFile(5000, 0x77);

    int round = 0;
    for (const auto& damaged : {shortFile, headerOnly, almost}) {
        SCOPED_TRACE(++round);
        WriteBytes(Store(), damaged);
        const StoreLoadReport report = Load();

        ASSERT_FALSE(report.movedAsideTo.empty());
        EXPECT_TRUE(report.Damaged());
        EXPECT_TRUE(report.createdFresh);
        EXPECT_EQ(ReadBytes(report.movedAsideTo), damaged);
        EXPECT_TRUE(std::regex_match(fs::path(report.movedAsideTo).filename().string(),
            std::regex(R"(pro\.data\.broken-\d{8}-\d{6}(-\d+)?)")))
            << report.movedAsideTo;
        ASSERT_EQ(list.size(), 1u);
        EXPECT_EQ(ReadBytes(Store()).size(), 249820u);
    }
    // Three damaged stores within the same seconds: each one kept under its own name.
    EXPECT_EQ(Broken().size(), 3u);
}

TEST_F(ProfileStoreTest, AnEmptyStoreIsAFirstRunWithNothingToKeep)
{
    WriteBytes(Store(), {});
    const StoreLoadReport report = Load();
    EXPECT_TRUE(report.missing);
    EXPECT_FALSE(report.Damaged());
    EXPECT_EQ(list.size(), 1u);
    EXPECT_TRUE(Broken().empty());
}

TEST_F(ProfileStoreTest, AStoreThatCannotBeReadIsMovedAsideBeforeAFreshOne)
{
    fs::create_directories(Store() / "inside");
    const StoreLoadReport report = Load();
    EXPECT_FALSE(report.readError.empty());
    ASSERT_FALSE(report.movedAsideTo.empty());
    EXPECT_TRUE(fs::is_directory(fs::path(report.movedAsideTo) / "inside"));
    EXPECT_EQ(list.size(), 1u);
    EXPECT_TRUE(fs::is_regular_file(Store()));
}

TEST_F(ProfileStoreTest, NamesWithoutTerminatorAreEndedInsideTheirFields)
{
    auto profile = NewProfileRecord(u"x");
    std::fill(std::begin(profile->name), std::end(profile->name), u'N');
    profile->buttons[3].functionCode = kFunctionMacro;
    std::fill(std::begin(profile->buttons[3].assignedName),
        std::end(profile->buttons[3].assignedName), u'm');
    profile->buttons[3].stepCount = 999;
    profile->buttons[3].repeatCount = 77;
    for (MacroAction& action : profile->buttons[3].macroCopy)
        action = {0x04, uint8_t(MacroActionKind::Press), 10};
    auto bytes = StoreBytes(0, {});
    const auto record = RecordBytes(*profile);
    bytes.insert(bytes.end(), record.begin(), record.end());
    WriteBytes(Store(), bytes);

    const StoreLoadReport report = Load();
    EXPECT_EQ(report.repairedRecords, 1);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(ReadName(list[0]->name), std::u16string(99, u'N'));
    EXPECT_EQ(ReadName(list[0]->buttons[3].assignedName), std::u16string(23, u'm'));
    EXPECT_EQ(list[0]->buttons[3].stepCount, 46) << "no more steps than the copy holds";
    EXPECT_EQ(list[0]->buttons[3].repeatCount, 77) << "the next field is untouched";
}

TEST_F(ProfileStoreTest, ProfilesOfOneNameApartFromCaseGetSuffixes)
{
    WriteBytes(Store(), StoreBytes(0, {u"Game", u"GAME", u"game_1"}));
    Load();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(ReadName(list[0]->name), u"Game");
    EXPECT_EQ(ReadName(list[1]->name), u"GAME_1");
    EXPECT_EQ(ReadName(list[2]->name), u"game_1_1");
}

TEST_F(ProfileStoreTest, ASaveThatFailsMidwayLeavesThePreviousStoreByteForByte)
{
    const auto before = StoreBytes(1, {u"A", u"B"});
    WriteBytes(Store(), before);
    Load();
    CreateDefaultProfile(list, u"Profile");
    header->currentIndex = 2;

    {
        test::FailingWrites failing(kHeader + kProfile + 10);
        EXPECT_FALSE(SaveProfileStore(folder.Data(), list, *header).ok());
    }
    EXPECT_EQ(ReadBytes(Store()), before);
    EXPECT_EQ(list.size(), 3u) << "the list in memory stays";
    ASSERT_TRUE(SaveProfileStore(folder.Data(), list, *header).ok()) << "the next save tries again";
    EXPECT_EQ(ReadBytes(Store()).size(), kHeader + 3 * kProfile);
}

TEST_F(ProfileStoreTest, EveryStoreSetRightAsItIsReadIsFirstKeptAsideAsItWas)
{
    const auto withRecord = [](std::function<void(ProfileRecord&)> change) {
        auto bytes = StoreBytes(0, {});
        auto profile = NewProfileRecord(u"P");
        change(*profile);
        const auto record = RecordBytes(*profile);
        bytes.insert(bytes.end(), record.begin(), record.end());
        return bytes;
    };
    std::mt19937 random(5);
    std::vector<unsigned char> noise(kHeader + 2 * kProfile);
    for (auto& byte : noise)
        byte = static_cast<unsigned char>(random());
    const std::vector<std::pair<const char*, std::vector<unsigned char>>> damaged = {
        {"random bytes", noise},
        {"all 0xFF", std::vector<unsigned char>(kHeader + kProfile, 0xFF)},
        {"an unterminated name",
            withRecord([](ProfileRecord& p) { std::ranges::fill(p.name, u'N'); })},
        {"one name twice", StoreBytes(0, {u"Twice", u"TWICE"})},
        {"index 999", StoreBytes(999, {u"A"})},
        {"index -5", StoreBytes(-5, {u"A"})},
        {"DPI 99999 and stage 99", withRecord([](ProfileRecord& p) {
             p.dpiX[1] = 99999;
             p.currentDpiStage = 99;
         })},
        {"function code 20 and an empty name", withRecord([](ProfileRecord& p) {
             p.buttons[6].functionCode = 20;
             p.name[0] = u'\0';
         })},
    };
    for (const auto& [what, bytes] : damaged) {
        fs::remove_all(Store().parent_path());
        WriteBytes(Store(), bytes);
        const StoreLoadReport report = Load();
        EXPECT_TRUE(report.Damaged()) << what;
        ASSERT_TRUE(report.KeptAside()) << what;
        EXPECT_EQ(ReadBytes(report.copiedAsideTo), bytes) << what;
        EXPECT_EQ(ReadBytes(Store()), bytes) << what << ": loading writes nothing";
        EXPECT_FALSE(SettingOutOfRange(*list.front())) << what;
    }
    const auto defaults = NewProfileRecord(u"P");
    EXPECT_EQ(list.front()->dpiX[1], defaults->dpiX[1]);
    EXPECT_EQ(list.front()->currentDpiStage, defaults->currentDpiStage);

    // On a full disk the copy cannot be made, and the load says so.
    fs::remove_all(Store().parent_path());
    WriteBytes(Store(), StoreBytes(999, {u"A"}));
    test::FailingWrites diskFull(0);
    const StoreLoadReport report = Load();
    EXPECT_TRUE(report.Damaged());
    EXPECT_FALSE(report.KeptAside());
    EXPECT_TRUE(Broken().empty());
}

TEST_F(ProfileStoreTest, AStoreOfMoreRecordsThanAnyTheProgramKeepsIsSetAsideUnread)
{
    // Sparse: 20000 profiles' worth of size, which a read would take long to go through.
    fs::create_directories(Store().parent_path());
    WriteBytes(Store(), StoreBytes(0, {u"A"}));
    fs::resize_file(Store(), kHeader + 20000 * kProfile);
    const StoreLoadReport report = Load();
    EXPECT_TRUE(report.Damaged());
    EXPECT_FALSE(report.movedAsideTo.empty());
    EXPECT_TRUE(report.createdFresh);
    EXPECT_EQ(list.size(), 1u);

    // The libraries likewise.
    const std::string macros = MacroStorePath(folder.Data());
    WriteBytes(macros, {});
    fs::resize_file(macros, (kMaxStoreRecords + 1) * sizeof(MacroRecord));
    MacroList macroList;
    const StoreLoadReport macroReport = LoadMacroStore(folder.Data(), macroList);
    EXPECT_FALSE(macroReport.movedAsideTo.empty());
    EXPECT_TRUE(macroList.empty());
}

TEST_F(ProfileStoreTest, AFileInThePlaceOfTheDataFolderStillGivesAProfile)
{
    WriteBytes(folder.Root() / "Data", {1, 2, 3});
    const StoreLoadReport report = Load();
    EXPECT_TRUE(report.createdFresh);
    EXPECT_FALSE(report.freshSave.ok());
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(header->currentIndex, 0);
    EXPECT_EQ(ReadBytes(folder.Root() / "Data"), (std::vector<unsigned char>{1, 2, 3}));
}

TEST(CreateDefaultProfile, NamesAfterTheListLengthAndKeepsNamesUnique)
{
    ProfileList list;
    EXPECT_EQ(ReadName(CreateDefaultProfile(list, u"Profile").name), u"Profile1");
    list.push_back(NewProfileRecord(u"PROFILE3"));
    EXPECT_EQ(ReadName(CreateDefaultProfile(list, u"Profile").name), u"Profile3_1");

    // A long language text is cut so that the number stays whole.
    ProfileList other;
    const std::u16string longText(60, u'p');
    EXPECT_EQ(
        ReadName(CreateDefaultProfile(other, longText).name), std::u16string(48, u'p') + u"1");
}

} // namespace
} // namespace kestrin
