#include "macros/MacroStore.h"

#include "base/RecordNames.h"
#include "tests/support/FailingFileCalls.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstring>

namespace fs = std::filesystem;

namespace kestrin {
namespace {

using test::ReadBytes;
using test::WriteBytes;

constexpr std::size_t kMacro = 240;

// One macro.data record built from its byte table: name, reserved, count, actions.
std::vector<unsigned char> MacroBytes(const std::u16string& name, int32_t count, uint8_t fill)
{
    std::vector<unsigned char> bytes(kMacro, fill);
    for (std::size_t i = 0; i < 24; ++i) {
        const char16_t unit = i < name.size() ? name[i] : u'\0';
        bytes[2 * i] = static_cast<unsigned char>(unit & 0xFF);
        bytes[2 * i + 1] = static_cast<unsigned char>(unit >> 8);
    }
    std::memcpy(bytes.data() + 52, &count, 4);
    // Every action a press of A with 10 ms, as the editor makes them.
    for (std::size_t at = 56; at < kMacro; at += 4) {
        const unsigned char action[] = {0x04, 1, 10, 0};
        std::memcpy(bytes.data() + at, action, 4);
    }
    return bytes;
}

std::vector<unsigned char> Join(std::initializer_list<std::vector<unsigned char>> parts)
{
    std::vector<unsigned char> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

class MacroStoreTest : public testing::Test {
protected:
    fs::path Store() const { return fs::path(folder.Data()) / "ms_1" / "macro.data"; }

    test::TempFolder folder;
    MacroList list;
};

TEST_F(MacroStoreTest, RecordsTravelByteForByteIncludingTheirReservedBytes)
{
    const auto written = Join({MacroBytes(u"Reload", 3, 0x11), MacroBytes(u"Jump", 46, 0x22)});
    WriteBytes(Store(), written);

    const StoreLoadReport report = LoadMacroStore(folder.Data(), list);
    EXPECT_FALSE(report.Damaged());
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(ReadName(list[1]->name), u"Jump");
    EXPECT_EQ(list[0]->actionCount, 3);

    fs::remove(Store());
    ASSERT_TRUE(SaveMacroStore(folder.Data(), list).ok());
    EXPECT_EQ(ReadBytes(Store()), written);
}

TEST_F(MacroStoreTest, AnEmptyLibrarySavesAnEmptyFile)
{
    ASSERT_TRUE(SaveMacroStore(folder.Data(), list).ok());
    EXPECT_TRUE(fs::exists(Store()));
    EXPECT_EQ(fs::file_size(Store()), 0u);
    EXPECT_FALSE(LoadMacroStore(folder.Data(), list).Damaged());
}

TEST_F(MacroStoreTest, ActionCountsOutsideTheRecordGoToTheNearestValidOne)
{
    WriteBytes(Store(),
        Join({MacroBytes(u"a", -1, 0), MacroBytes(u"b", 47, 0), MacroBytes(u"c", INT32_MIN, 0),
            MacroBytes(u"d", 0, 0), MacroBytes(u"e", 46, 0)}));
    const StoreLoadReport report = LoadMacroStore(folder.Data(), list);
    EXPECT_EQ(report.repairedRecords, 3);
    ASSERT_EQ(list.size(), 5u);
    const int32_t expected[] = {0, 46, 0, 0, 46};
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(list[i]->actionCount, expected[i]) << i;
}

TEST_F(MacroStoreTest, PausesLongerThanTheMouseWaitsAreHeldAndAreNoDamage)
{
    auto bytes = MacroBytes(u"Slow", 2, 0);
    const uint16_t delays[] = {30000, 60000};
    std::memcpy(bytes.data() + 56 + 2, &delays[0], 2);
    std::memcpy(bytes.data() + 60 + 2, &delays[1], 2);
    WriteBytes(Store(), bytes);
    const StoreLoadReport report = LoadMacroStore(folder.Data(), list);
    EXPECT_FALSE(report.Damaged());
    EXPECT_TRUE(report.copiedAsideTo.empty());
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]->actions[0].delay, 25000);
    EXPECT_EQ(list[0]->actions[1].delay, 25000);
}

TEST_F(MacroStoreTest, UnterminatedAndRepeatedNamesAreSetRight)
{
    const std::u16string full(24, u'x');
    WriteBytes(Store(),
        Join({MacroBytes(full, 1, 0), MacroBytes(u"Fire", 1, 0), MacroBytes(u"FIRE", 1, 0)}));
    LoadMacroStore(folder.Data(), list);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(ReadName(list[0]->name), std::u16string(23, u'x'));
    EXPECT_EQ(list[0]->name[23], u'\0');
    EXPECT_EQ(ReadName(list[2]->name), u"FIRE_1");
}

TEST_F(MacroStoreTest, APartialRecordAtTheEndIsDroppedAndTheFileKeptAside)
{
    auto bytes = Join({MacroBytes(u"a", 1, 0), MacroBytes(u"b", 1, 0)});
    bytes.resize(bytes.size() + 100, 0xEE);
    WriteBytes(Store(), bytes);
    const StoreLoadReport report = LoadMacroStore(folder.Data(), list);
    EXPECT_EQ(list.size(), 2u);
    EXPECT_EQ(report.droppedTailBytes, 100u);
    ASSERT_FALSE(report.copiedAsideTo.empty());
    EXPECT_EQ(ReadBytes(report.copiedAsideTo), bytes);
}

TEST_F(MacroStoreTest, ActionsTheEditorCannotMakeAreSetRightAndPausesHeldToItsRanges)
{
    auto foreign = MacroBytes(u"Foreign", 5, 0);
    const unsigned char actions[] = {
        0x04, 1, 10, 0, 0xFE, 1, 10, 0, 0x04, 3, 10, 0, 0x00, 2, 10, 0, 0xF6, 2, 10, 0};
    std::memcpy(foreign.data() + 56, actions, sizeof actions);
    auto slow = MacroBytes(u"Slow", 26, 0);
    for (std::size_t at = 56; at < 56 + 26 * 4; at += 4)
        slow[at + 2] = 200; // 2 size units each
    slow[56 + 2] = 0;
    WriteBytes(Store(), Join({foreign, slow}));
    const StoreLoadReport report = LoadMacroStore(folder.Data(), list);
    EXPECT_EQ(report.repairedRecords, 1) << "a pause held is no damage";
    ASSERT_EQ(list.size(), 2u);
    // Keys no key has go, as they would reach the mouse as a link, a pause or a move; the
    // kind 3 was always played as a release.
    ASSERT_EQ(list[0]->actionCount, 2);
    EXPECT_EQ(list[0]->actions[0].kind, 1);
    EXPECT_EQ(list[0]->actions[1].key, 0x04);
    EXPECT_EQ(list[0]->actions[1].kind, 2);
    EXPECT_EQ(list[0]->actions[2].key, 0x00) << "what was left out is not kept";
    EXPECT_EQ(list[1]->actions[0].delay, 1);
    EXPECT_EQ(MacroSizeUnits(list[1]->actions, list[1]->actionCount), kMacroMaxSizeUnits);
    for (std::size_t i = 22; i < 26; ++i)
        EXPECT_EQ(list[1]->actions[i].delay, 127) << "the last long pauses are cut first";
    EXPECT_EQ(list[1]->actions[21].delay, 200);
}

TEST_F(MacroStoreTest, AnUnreadableLibraryIsMovedAsideSoTheNextSaveCannotOverwriteIt)
{
    fs::create_directories(Store() / "x");
    const StoreLoadReport report = LoadMacroStore(folder.Data(), list);
    EXPECT_TRUE(list.empty());
    ASSERT_FALSE(report.movedAsideTo.empty());
    EXPECT_TRUE(fs::exists(fs::path(report.movedAsideTo) / "x"));
    EXPECT_TRUE(SaveMacroStore(folder.Data(), list).ok());
}

TEST_F(MacroStoreTest, CreateMacroNamesAppendsAndSaves)
{
    MacroRecord& first = CreateMacro(folder.Data(), list, u"Macro");
    EXPECT_EQ(ReadName(first.name), u"Macro1");
    EXPECT_EQ(first.actionCount, 0);
    list.push_back(std::make_unique<MacroRecord>());
    WriteName(list.back()->name, u"MACRO3");
    SaveResult saved;
    EXPECT_EQ(ReadName(CreateMacro(folder.Data(), list, u"Macro", &saved).name), u"Macro3_1");
    EXPECT_TRUE(saved.ok());
    EXPECT_EQ(fs::file_size(Store()), 3 * kMacro);

    // A language text too long for the field: the number and the suffix still fit.
    MacroList other;
    other.push_back(std::make_unique<MacroRecord>());
    WriteName(other.back()->name, std::u16string(22, u'M') + u"2");
    const std::u16string made =
        ReadName(CreateMacro(folder.Data(), other, std::u16string(40, u'M')).name);
    EXPECT_LE(made.size(), 23u);
    EXPECT_FALSE(NamesEqual(made, ReadName(other[0]->name))) << ToUtf8(made);
}

TEST_F(MacroStoreTest, CreateMacroKeepsTheRecordWhenItsSaveFails)
{
    WriteBytes(Store(), MacroBytes(u"Old", 2, 0));
    SaveResult saved;
    {
        test::FailingWrites failing(100);
        CreateMacro(folder.Data(), list, u"Macro", &saved);
    }
    EXPECT_FALSE(saved.ok());
    EXPECT_EQ(list.size(), 1u);
    EXPECT_EQ(ReadBytes(Store()), MacroBytes(u"Old", 2, 0));
}

} // namespace
} // namespace kestrin
