#include "macros/MacroEditor.h"

#include "base/RecordNames.h"
#include "macros/MacroStore.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

namespace kestrin {
namespace {

constexpr uint8_t kPress = uint8_t(MacroActionKind::Press);
constexpr uint8_t kRelease = uint8_t(MacroActionKind::Release);
constexpr uint32_t kVkA = 0x41, kVkB = 0x42;
constexpr uint8_t kKeyA = 0x04, kKeyB = 0x05;

struct Step {
    uint8_t key;
    uint8_t kind;
    uint16_t delay;
    bool operator==(const Step&) const = default;
};

std::vector<Step> Steps(std::span<const MacroAction> actions)
{
    std::vector<Step> steps;
    for (const MacroAction& a : actions)
        steps.push_back({a.key, a.kind, a.delay});
    return steps;
}

class MacroEditorTest : public testing::Test {
protected:
    // The actions of macro `index` as macro.data holds them now.
    std::vector<Step> Stored(std::size_t index)
    {
        MacroList loaded;
        LoadMacroStore(folder.Data(), loaded);
        if (index >= loaded.size())
            return {};
        return Steps({loaded[index]->actions, std::size_t(loaded[index]->actionCount)});
    }
    // A macro with `clicks` left clicks of `delay` ms each, selected.
    void AddClicks(int clicks, uint16_t delay)
    {
        if (!editor.Current())
            editor.AddMacro(u"Macro");
        for (int i = 0; i < clicks; ++i)
            editor.InsertClick(1, delay);
    }

    test::TempFolder folder;
    MacroList macros;
    MacroEditor editor{macros, folder.Data()};
};

TEST_F(MacroEditorTest, ClickInsertsGoAfterTheSelectedActionAndMovesStopAtTheEnds)
{
    editor.AddMacro(u"Macro");
    EXPECT_EQ(ReadName(macros[0]->name), u"Macro1");
    editor.InsertClick(2, 30);
    // With no action selected the click goes to the start.
    editor.SelectAction(-1);
    editor.InsertClick(4, 40);
    const std::vector<Step> expected{
        {0xF5, kPress, 40}, {0xF5, kRelease, 40}, {0xF2, kPress, 30}, {0xF2, kRelease, 30}};
    EXPECT_EQ(Steps(editor.Actions()), expected);
    EXPECT_EQ(editor.SelectedAction(), 1) << "the inserted release stays selected";
    // After the selected action, before the ones that follow.
    editor.SelectAction(2);
    editor.InsertClick(5, 0);
    EXPECT_EQ(Steps(editor.Actions())[3], (Step{0xF4, kPress, 1}));
    EXPECT_EQ(Steps(editor.Actions())[5], (Step{0xF2, kRelease, 30}));
    EXPECT_EQ(Stored(0), Steps(editor.Actions()));

    const std::vector<Step> before = Stored(0);
    editor.SelectAction(0);
    editor.MoveActionUp();
    editor.SelectAction(5);
    editor.MoveActionDown();
    EXPECT_EQ(Steps(editor.Actions()), before);
    editor.MoveActionUp();
    EXPECT_EQ(editor.SelectedAction(), 4);
    EXPECT_EQ(Stored(0)[4], before[5]);
    EXPECT_EQ(Stored(0)[5], before[4]);
}

TEST_F(MacroEditorTest, AnEditBeyond47UnitsIsUndoneAndTheStoredMacroShown)
{
    // 22 actions of 200 ms are 44 units; one more click makes 48.
    AddClicks(11, 200);
    ASSERT_EQ(editor.Actions().size(), 22U);
    editor.InsertClick(1, 200);
    EXPECT_EQ(editor.Actions().size(), 22U);
    EXPECT_EQ(Stored(0).size(), 22U);
    // One action of 200 ms more (23 of them: 46 units) fits; its placeholder delay counts 1.
    editor.SelectAction(21);
    editor.InsertClick(1, 1);
    editor.SelectAction(22);
    EXPECT_EQ(editor.SetActionDelay(200), 200);
    EXPECT_EQ(SummarizeMacro(editor.Actions()).units, 47);
    editor.SelectAction(0);
    editor.SetActionDelay(150); // 3 units: 48
    EXPECT_EQ(editor.Actions()[0].delay, 200);
    EXPECT_EQ(Stored(0)[22].delay, 200);
}

TEST_F(MacroEditorTest, AMacroStoredLargerThanTheLimitIsRenamedAndMayShrinkButNotGrow)
{
    // Imported so: 30 actions of 200 ms, 60 units.
    auto large = std::make_unique<MacroRecord>();
    WriteName(large->name, u"Long");
    large->actionCount = 30;
    std::fill_n(large->actions, 30, MacroAction{kKeyA, kPress, 200});
    macros.push_back(std::move(large));
    editor.SelectMacro(0);
    EXPECT_TRUE(editor.Rename(u"Longer"));
    editor.SelectAction(3);
    editor.DeleteAction();
    editor.MoveActionUp();
    EXPECT_FALSE(editor.EditUndone());
    editor.SetActionDelay(150); // 3 units instead of 2: larger again
    EXPECT_TRUE(editor.EditUndone());
    editor.InsertClick(1, 1);
    MacroList loaded;
    LoadMacroStore(folder.Data(), loaded);
    ASSERT_EQ(loaded.size(), 1U);
    EXPECT_EQ(ReadName(loaded[0]->name), u"Longer");
    EXPECT_EQ(loaded[0]->actionCount, 29);
    EXPECT_EQ(Stored(0)[2].delay, 200);
}

TEST_F(MacroEditorTest, TypedDelaysAreHeldToTheirRangeAndTheLastActionKeepsItsPlaceholder)
{
    AddClicks(1, 10);
    editor.SelectAction(0);
    EXPECT_EQ(editor.SetActionDelay(0), 1);
    EXPECT_EQ(editor.SetActionDelay(std::nullopt), 1);
    EXPECT_EQ(editor.SetActionDelay(99999999999LL), 25000);
    EXPECT_EQ(Stored(0)[0].delay, 25000);
    editor.SelectAction(1);
    editor.SetActionDelay(500);
    EXPECT_EQ(Stored(0)[1].delay, 10);
    // Editing keys: a mouse entry and a captured key; the kind stays.
    editor.SetActionMouseButton(3);
    editor.SelectAction(0);
    editor.SetActionKey(MacroEditor::KeyCodeOf(kVkA));
    EXPECT_EQ(Stored(0), (std::vector<Step>{{kKeyA, kPress, 25000}, {0xF5, kRelease, 10}}));
    // Cancel brings back the stored macro; deleting the only actions leaves none selected.
    editor.DeleteAction();
    editor.DeleteAction();
    EXPECT_EQ(editor.SelectedAction(), -1);
    EXPECT_TRUE(Stored(0).empty());
}

TEST_F(MacroEditorTest, RenamesKeepNamesUniqueAndNeverEmpty)
{
    editor.AddMacro(u"Macro");
    editor.AddMacro(u"Macro");
    EXPECT_FALSE(editor.Rename(u"MACRO1"));
    EXPECT_FALSE(editor.Rename(u""));
    EXPECT_TRUE(editor.Rename(u"Reload and a name far too long for its field"));
    MacroList loaded;
    LoadMacroStore(folder.Data(), loaded);
    EXPECT_EQ(ReadName(loaded[1]->name), u"Reload and a name far t");
}

TEST_F(MacroEditorTest, DeletingSelectsTheNeighbourAndTheLastLeavesNone)
{
    for (int i = 0; i < 3; ++i)
        editor.AddMacro(u"Macro");
    editor.DeleteMacro(1);
    EXPECT_EQ(ReadName(editor.Current()->name), u"Macro3");
    editor.DeleteMacro(1);
    EXPECT_EQ(ReadName(editor.Current()->name), u"Macro1");
    editor.InsertClick(1, 5);
    editor.DeleteMacro(0);
    EXPECT_EQ(editor.Current(), nullptr);
    EXPECT_TRUE(editor.Actions().empty());
    editor.InsertClick(1, 5); // nothing to insert into
    EXPECT_TRUE(macros.empty());
    MacroList loaded;
    LoadMacroStore(folder.Data(), loaded);
    EXPECT_TRUE(loaded.empty());
}

TEST_F(MacroEditorTest, RecordingStoresEachPauseOnTheActionBeforeIt)
{
    editor.AddMacro(u"Macro");
    editor.StartRecording(MacroDelayMode::Recorded, 10, 1000, u"Macro");
    editor.RecordEvent(kVkA, 0, 4000); // the wait before the first event is not kept
    for (int repeat = 0; repeat < 5; ++repeat)
        editor.RecordEvent(kVkA, 0, 4100 + repeat * 30);
    editor.RecordEvent(kVkA, 1, 4250);
    editor.RecordEvent(WM_XBUTTONDOWN, 2, 4250 + 30000);
    editor.RecordEvent(WM_XBUTTONUP, 2, 4250 + 30000 + 70000);
    // No side button 7: without a key code it is left out, and so is the pause before it.
    editor.RecordEvent(WM_XBUTTONDOWN, 7, 100000000);
    editor.StopRecording();
    const std::vector<Step> expected{{kKeyA, kPress, 250}, {kKeyA, kRelease, 25000},
        {0xF4, kPress, 25000}, {0xF4, kRelease, 1}};
    EXPECT_EQ(Stored(0), expected);

    for (auto [mode, pause] : {std::pair{MacroDelayMode::Default, 70}, {MacroDelayMode::None, 1}}) {
        editor.SelectAction(-1);
        editor.StartRecording(mode, 70, 0, u"Macro");
        editor.RecordEvent(WM_LBUTTONDOWN, 0, 5000);
        editor.RecordEvent(WM_LBUTTONUP, 1, 9000);
        editor.RecordEvent(kVkB, 0, 9001);
        editor.StopRecording();
        const std::vector<Step> replaced{
            {0xF1, kPress, uint16_t(pause)}, {0xF1, kRelease, uint16_t(pause)}, {kKeyB, kPress, 1}};
        EXPECT_EQ(Stored(0), replaced) << int(mode);
    }
    // A recording that gets no event replaces the macro with nothing.
    editor.SelectAction(-1);
    editor.StartRecording(MacroDelayMode::None, 10, 0, u"Macro");
    editor.StopRecording();
    EXPECT_TRUE(Stored(0).empty());
}

TEST_F(MacroEditorTest, ARecordingAfterASelectedActionKeepsTheFollowingOnesAfterIt)
{
    AddClicks(2, 40);
    editor.SelectAction(1);
    editor.StartRecording(MacroDelayMode::Default, 60, 0, u"Macro");
    editor.RecordEvent(kVkA, 0, 10);
    editor.RecordEvent(kVkA, 1, 20);
    editor.StopRecording();
    const std::vector<Step> expected{{0xF1, kPress, 40}, {0xF1, kRelease, 40}, {kKeyA, kPress, 60},
        {kKeyA, kRelease, 1}, {0xF1, kPress, 40}, {0xF1, kRelease, 40}};
    EXPECT_EQ(Stored(0), expected);
    EXPECT_EQ(editor.SelectedAction(), 3);
}

TEST_F(MacroEditorTest, RecordingStopsAtTheLimitsAndAnOversizedOneIsDiscarded)
{
    // Without a macro, recording makes one; it stops by itself at 46 actions.
    editor.StartRecording(MacroDelayMode::None, 10, 0, u"Macro");
    ASSERT_NE(editor.Current(), nullptr);
    int accepted = 0;
    for (uint32_t i = 0; editor.RecordEvent(kVkA, i % 2, i); ++i)
        ++accepted;
    EXPECT_EQ(accepted, 45);
    EXPECT_FALSE(editor.Recording());
    EXPECT_EQ(Stored(0).size(), 46U);

    // Pauses of 150 ms cost 3 units each: 45 units, then one more such pause makes 48.
    editor.SelectAction(-1);
    editor.StartRecording(MacroDelayMode::Recorded, 10, 0, u"Macro");
    uint64_t now = 0;
    for (uint32_t i = 0; i < 18; ++i) {
        now += i == 15 || i == 16 ? 10 : 150;
        EXPECT_TRUE(editor.RecordEvent(kVkB, i % 2, now)) << i;
    }
    EXPECT_EQ(SummarizeMacro(editor.Actions()).units, 48);
    editor.StopRecording();
    EXPECT_EQ(Stored(0).size(), 46U) << "the stored macro stays";
    EXPECT_EQ(editor.Actions().size(), 46U);
}

TEST_F(MacroEditorTest, EachRecordingStartsAfreshAndItsDefaultPauseIsHeld)
{
    editor.StartRecording(MacroDelayMode::Default, 65535, 0, u"Macro");
    editor.RecordEvent(kVkA, 0, 10);
    editor.StopRecording(); // stopped with A held
    editor.SelectAction(-1);
    editor.StartRecording(MacroDelayMode::Default, 65535, 0, u"Macro");
    editor.RecordEvent(kVkA, 0, 10); // the same press again: not a repeat of the last recording
    editor.RecordEvent(kVkA, 1, 20);
    editor.StopRecording();
    EXPECT_EQ(Stored(0), (std::vector<Step>{{kKeyA, kPress, 25000}, {kKeyA, kRelease, 1}}));
}

TEST(MacroSummaryTest, MarksUnpairedActionsAndAddsThePausesButTheLast)
{
    const MacroAction actions[] = {{kKeyA, kPress, 10}, {kKeyB, kPress, 20}, {kKeyA, kRelease, 30},
        {0xF1, kRelease, 40}, {kKeyA, kPress, 50}, {kKeyA, kRelease, 99}};
    const MacroSummary summary = SummarizeMacro(actions);
    EXPECT_EQ(summary.durationMs, 150U);
    EXPECT_EQ(summary.unpaired, (std::vector<bool>{false, true, false, true, false, false}));
}

} // namespace
} // namespace kestrin
