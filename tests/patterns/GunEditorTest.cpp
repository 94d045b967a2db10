#include "patterns/GunEditor.h"

#include "base/RecordNames.h"
#include "patterns/GunExchange.h"
#include "patterns/GunStore.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstring>

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
        editor.Import(std::move(read.value));
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
    const struct {
        const char* what;
        std::function<void(GunRecord&)> change;
        bool taken;
    } cases[] = {
        {"no count", [](GunRecord& g) { g.shotCount = 0; }, false},
        {"31 shots", [](GunRecord& g) { g.shotCount = 31; }, false},
        {"x beyond 999", [](GunRecord& g) { g.shots[29].x = 1000; }, false},
        {"no pause", [](GunRecord& g) { g.shots[0].delay = 0; }, false},
        {"a pause the mouse cannot carry", [](GunRecord& g) { g.shots[0].delay = 25600; }, false},
        {"no name end", [](GunRecord& g) { std::fill(std::begin(g.name), std::end(g.name), u'a'); },
            false},
        {"unused shots as they lie",
            [](GunRecord& g) {
                g.shotCount = 2;
                g.shots[5].delay = 0;
            },
            true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseGunFile(bytesWith(c.change)).ok(), c.taken) << c.what;
    auto bytes = bytesWith([](GunRecord&) {});
    bytes.pop_back();
    EXPECT_EQ(ParseGunFile(bytes).code, FileError::WrongSize);
}

} // namespace
} // namespace kestrin
