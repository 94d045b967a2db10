#include "protocol/ApplyPlan.h"

#include "tests/device/ReportBytes.h"

#include <gtest/gtest.h>

#include <memory>

namespace kestrin {
namespace {

using test::Bytes;
using Vec = std::vector<uint8_t>;

Vec Ids(const ApplyPlan& plan)
{
    Vec ids;
    for (const Report& report : plan.reports)
        ids.push_back(report.id());
    return ids;
}

void GiveMacro(ButtonSlot& slot, int actions)
{
    slot.functionCode = kFunctionMacro;
    slot.stepCount = static_cast<uint16_t>(actions);
    for (int i = 0; i < actions; ++i)
        slot.macroCopy[i] = {0x04, static_cast<uint8_t>(1 + i % 2), 20};
}

void GivePattern(ButtonSlot& slot, int shots, uint16_t delay)
{
    slot.functionCode = kFunctionRecoilPattern;
    slot.playMode = 2;
    slot.stepCount = static_cast<uint16_t>(shots);
    for (int k = 0; k < shots; ++k)
        slot.patternCopy[k] = {1, 2, 0, delay};
}

class ApplyPlanTest : public ::testing::Test {
protected:
    std::unique_ptr<ProfileRecord> current = NewProfileRecord(u"Profile1");
    std::unique_ptr<ProfileRecord> snapshot = std::make_unique<ProfileRecord>(*current);
};

TEST_F(ApplyPlanTest, AReportRateChangeSendsTheBeginAndReportRateReportsOnly)
{
    current->reportRate = 1;
    const ApplyPlan plan = PlanApply(*current, *snapshot, false);
    EXPECT_EQ(Ids(plan), (Vec{0x0C, 0x06}));
    EXPECT_EQ(plan.reports[1].bytes[3], 4);
    EXPECT_FALSE(plan.slotTable);
}

TEST_F(ApplyPlanTest, AMoveModeChangeSendsOnlyTheBeginReport)
{
    current->moveMode = 1;
    const ApplyPlan plan = PlanApply(*current, *snapshot, false);
    EXPECT_EQ(Ids(plan), (Vec{0x0C}));
    EXPECT_FALSE(plan.groups.Any());
}

TEST_F(ApplyPlanTest, PendingAllSendsTheBeginReportTwiceAndEveryGroup)
{
    // Even against an identical snapshot: another profile was selected.
    const ApplyPlan plan = PlanApply(*current, *snapshot, true);
    EXPECT_EQ(plan.groups, GroupFlags::All());
    EXPECT_EQ(Ids(plan), (Vec{0x0C, 0x0C, 0x04, 0x05, 0x06, 0x08}));
    ASSERT_TRUE(plan.slotTable);
    EXPECT_EQ(*plan.slotTable, DownloadSlotTable{});
}

TEST_F(ApplyPlanTest, ReportsCarryTheirLengthsInOrder)
{
    GiveMacro(current->buttons[9], 2);
    const ApplyPlan plan = PlanApply(*current, *snapshot, true);
    std::vector<std::size_t> lengths;
    for (const Report& report : plan.reports) {
        lengths.push_back(report.length);
        EXPECT_EQ(report.bytes[1], report.length);
    }
    EXPECT_EQ(lengths, (std::vector<std::size_t>{10, 10, 56, 15, 9, 131, 59}));
}

TEST_F(ApplyPlanTest, APatternBeforeTwoMacrosTakesSlotsOneToFourAndTheMacrosFiveAndSix)
{
    GivePattern(current->buttons[1], 30, 40);
    GiveMacro(current->buttons[4], 3);
    GiveMacro(current->buttons[10], 5);
    const ApplyPlan plan = PlanApply(*current, *snapshot, false);
    EXPECT_EQ(plan.groups, (GroupFlags{false, false, false, true}));
    EXPECT_EQ(Ids(plan), (Vec{0x0C, 0x09, 0x09, 0x09, 0x09, 0x09, 0x09, 0x08}));
    for (int slot = 1; slot <= 6; ++slot)
        EXPECT_EQ(plan.reports[slot].bytes[2], slot);
    // The pattern's first three parts link on to the next slot.
    for (int part = 1; part <= 3; ++part) {
        const Report& report = plan.reports[part];
        const int last = 29 + 2 * (report.bytes[28] - 1);
        EXPECT_EQ(Bytes(report, last, last + 2), (Vec{static_cast<uint8_t>(part + 1), 0xFE}));
    }
    EXPECT_EQ(plan.reports[5].bytes[28], 3);
    EXPECT_EQ(plan.reports[6].bytes[28], 5);

    DownloadSlotTable expected{};
    expected[1] = 1;
    expected[4] = 5;
    expected[10] = 6;
    ASSERT_TRUE(plan.slotTable);
    EXPECT_EQ(*plan.slotTable, expected);
    const Report& map = plan.reports.back();
    EXPECT_EQ(Bytes(map, 3 + 3 * 1, 6 + 3 * 1), (Vec{58, 0, 1}));
    EXPECT_EQ(Bytes(map, 3 + 3 * 4, 6 + 3 * 4), (Vec{18, 0, 5}));
    EXPECT_EQ(Bytes(map, 3 + 3 * 10, 6 + 3 * 10), (Vec{18, 0, 6}));
}

TEST_F(ApplyPlanTest, DownloadsSkipButtonsWhoseCopiesAreNotInUse)
{
    // A button that had a macro and was given a plain function keeps its copy; an unused slot
    // past button 17 may hold a macro code. Neither is downloaded, but both are compared.
    GiveMacro(current->buttons[2], 4);
    current->buttons[2].functionCode = 3;
    GiveMacro(current->buttons[19], 4);
    const ApplyPlan plan = PlanApply(*current, *snapshot, false);
    EXPECT_EQ(Ids(plan), (Vec{0x0C, 0x08}));
    EXPECT_EQ(*plan.slotTable, DownloadSlotTable{});
}

TEST_F(ApplyPlanTest, EighteenLongPatternsStayWithinTheSlotByte)
{
    for (int i = 0; i < kButtonCount; ++i)
        GivePattern(current->buttons[i], 30, 1000);
    const ApplyPlan plan = PlanApply(*current, *snapshot, true);
    EXPECT_EQ(plan.reports.size(), 5u + 18 * 4 + 1);
    int slot = 0;
    for (const Report& report : plan.reports)
        if (report.id() == 0x09) {
            EXPECT_EQ(report.bytes[2], ++slot);
        }
    EXPECT_EQ((*plan.slotTable)[17], 69);
}

} // namespace
} // namespace kestrin
