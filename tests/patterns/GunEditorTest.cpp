#include "patterns/GunEditor.h"

#include "base/RecordNames.h"
#include "patterns/GunExchange.h"
#include "patterns/GunStore.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <tuple>

namespace kestrin {
namespace {

class GunEditorTest : public testing::Test {
protected:
    // Pattern `index` as gun.data holds it now.
    std::unique_ptr<GunRecord> Stored(std::size_t index)
    {
        GunList loaded;
        LoadGunStore(folder.Data(), loaded);
        return index < loaded.size() ? std::move(loaded[index]) : nullptr;
    }
    std::string File(const char* name) const { return (folder.Root() / name).string(); }

    test::TempFolder folder;
    GunList guns;
    GunEditor editor{guns, folder.Data()};
};

TEST_F(GunEditorTest, ValuesAreHeldToTheirRangesHoweverTheyAreEntered)
{
    EXPECT_EQ(editor.Current(), nullptr);
    EXPECT_EQ(editor.ShotCount(), 30);
    EXPECT_EQ(editor.Shots()[29].delay, 5);
    editor.Add(u"Pattern");
    EXPECT_EQ(ReadName(guns[0]->name), u"Pattern1");
    EXPECT_EQ(editor.Type(0, GunField::X, 1500), 999);
    EXPECT_EQ(editor.Type(0, GunField::Y, -1500), -999);
    EXPECT_EQ(editor.Type(1, GunField::Delay, 0), 1);
    EXPECT_EQ(editor.Type(2, GunField::Delay, std::nullopt), 1);
    EXPECT_EQ(editor.Type(3, GunField::Delay, 70000), kGunMaxDelay);
    // A step never leaves the range either: 1000 would reach the mouse.
    EXPECT_EQ(editor.Step(0, GunField::X, 1), 999);
    EXPECT_EQ(editor.Step(1, GunField::Delay, -1), 1);
    EXPECT_EQ(editor.Step(0, GunField::Y, 1), -998);
    const auto stored = Stored(0);
    EXPECT_EQ(stored->shots[0].x, 999);
    EXPECT_EQ(stored->shots[0].y, -998);
    EXPECT_EQ(stored->shots[1].delay, 1);
    EXPECT_EQ(stored->shots[3].delay, kGunMaxDelay);
}

TEST_F(GunEditorTest, FewerShotsKeepTheValuesOfTheRestForWhenTheCountGrowsAgain)
{
    editor.Add(u"Pattern");
    editor.Type(29, GunField::X, 7);
    editor.SetShotCount(3);
    EXPECT_EQ(Stored(0)->shotCount, 3);
    EXPECT_EQ(Stored(0)->shots[29].x, 7);
    editor.Select(-1);
    editor.Select(0);
    EXPECT_EQ(editor.ShotCount(), 3);
    editor.SetShotCount(30);
    EXPECT_EQ(editor.Shots()[29].x, 7);
    const auto path = GunPath(editor.Shots());
    EXPECT_EQ(path[29], (std::pair<int32_t, int32_t>{7, 0}));
}

TEST_F(GunEditorTest, DeletingSelectsTheNeighbourAndTheLastLeavesNone)
{
    for (int i = 0; i < 3; ++i)
        editor.Add(u"Pattern");
    editor.Delete(2);
    EXPECT_EQ(ReadName(editor.Current()->name), u"Pattern2");
    editor.Rename(u"Spray");
    editor.Delete(0);
    EXPECT_EQ(ReadName(editor.Current()->name), u"Spray");
    editor.Delete(0);
    EXPECT_EQ(editor.Current(), nullptr);
    EXPECT_EQ(editor.SelectedIndex(), -1);
    GunList loaded;
    LoadGunStore(folder.Data(), loaded);
    EXPECT_TRUE(loaded.empty());
}

TEST_F(GunEditorTest, AnExportComesBackUnderTheNextFreeNameAndABrokenFileIsRefused)
{
    editor.Add(u"Spray");
    editor.Rename(u"Spray");
    editor.Type(4, GunField::Y, 12);
    ASSERT_TRUE(WriteGunFile(File("spray.gun"), *editor.Current()));
    for (const char16_t* expected : {u"Spray_1", u"Spray_2"}) {
        GunFileRead read = ReadGunFile(File("spray.gun"));
        ASSERT_TRUE(read.ok()) << read.error;
        editor.Import(std::move(read.value.record), u"Pattern");
        EXPECT_EQ(ReadName(editor.Current()->name), expected);
        EXPECT_EQ(editor.Current()->shots[4].y, 12);
    }
    EXPECT_EQ(Stored(2)->shots[4].y, 12);

    const auto bytesWith = [&](const std::function<void(GunRecord&)>& change) {
        GunRecord gun = *guns[0];
        change(gun);
        std::vector<std::byte> bytes(sizeof gun);
        std::memcpy(bytes.data(), &gun, sizeof gun);
        return bytes;
    };
    // Refused: what no pattern is. Held: values a step button or an older file may have stored,
    // brought to what the mouse takes.
    const struct {
        const char* what;
        std::function<void(GunRecord&)> change;
        bool taken;
        bool held;
        GunBullet first;
    } cases[] = {
        {"no count", [](GunRecord& g) { g.shotCount = 0; }, false, false, {}},
        {"31 shots", [](GunRecord& g) { g.shotCount = 31; }, false, false, {}},
        {"no name end", [](GunRecord& g) { std::fill(std::begin(g.name), std::end(g.name), u'a'); },
            false, false, {}},
        {"y of 1000", [](GunRecord& g) { g.shots[0].y = 1000; }, true, true, {0, 999, 0, 5}},
        {"x of -5000", [](GunRecord& g) { g.shots[0].x = -5000; }, true, true, {-999, 0, 0, 5}},
        {"no pause", [](GunRecord& g) { g.shots[0].delay = 0; }, true, true, {0, 0, 0, 5}},
        {"a pause the mouse cannot carry", [](GunRecord& g) { g.shots[0].delay = 25600; }, true,
            true, {0, 0, 0, kGunMaxDelay}},
        {"unused shots as they lie",
            [](GunRecord& g) {
                g.shotCount = 2;
                g.shots[5].delay = 0;
            },
            true, false, {0, 0, 0, 5}},
    };
    for (const auto& c : cases) {
        const GunFileRead read = ParseGunFile(bytesWith(c.change));
        ASSERT_EQ(read.ok(), c.taken) << c.what;
        if (!c.taken)
            continue;
        EXPECT_EQ(read.value.held, c.held) << c.what;
        const GunBullet& first = read.value.record->shots[0];
        EXPECT_EQ(
            std::tie(first.x, first.y, first.delay), std::tie(c.first.x, c.first.y, c.first.delay))
            << c.what;
    }
    auto bytes = bytesWith([](GunRecord&) {});
    bytes.resize(bytes.size() + 100, std::byte{0xEE});
    EXPECT_TRUE(ParseGunFile(bytes).ok()) << "a longer file holds its pattern at its start";
    bytes.resize(sizeof(GunRecord) - 1);
    EXPECT_EQ(ParseGunFile(bytes).code, FileError::WrongSize);
}

} // namespace
} // namespace kestrin
