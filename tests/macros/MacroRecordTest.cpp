#include "macros/MacroRecord.h"

#include "base/Trace.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrin {
namespace {

int UnitsOf(std::vector<uint16_t> delays)
{
    MacroRecord macro{};
    for (std::size_t i = 0; i < delays.size(); ++i)
        macro.actions[i] = {0x04, static_cast<uint8_t>(i % 2 ? 2 : 1), delays[i]};
    return MacroSizeUnits(macro.actions, static_cast<int>(delays.size()));
}

TEST(MacroSizeUnits, CountsEachDelayByTheEditorsRule)
{
    EXPECT_EQ(UnitsOf({1}), 1);
    EXPECT_EQ(UnitsOf({127}), 1);
    EXPECT_EQ(UnitsOf({128}), 3) << "128 mod 200 = 128 > 127";
    EXPECT_EQ(UnitsOf({200}), 2);
    EXPECT_EQ(UnitsOf({327}), 2) << "remainder 127";
    EXPECT_EQ(UnitsOf({328}), 3);
    EXPECT_EQ(UnitsOf({25000}), 2);
    EXPECT_EQ(UnitsOf({}), 0);
    EXPECT_EQ(UnitsOf({1, 128, 200}), 6);
}

TEST(MacroSizeUnits, DecidesWhichMacrosMayBeStored)
{
    EXPECT_EQ(UnitsOf(std::vector<uint16_t>(46, 1)), 46);
    EXPECT_LE(UnitsOf(std::vector<uint16_t>(46, 1)), kMacroMaxSizeUnits);
    EXPECT_EQ(UnitsOf(std::vector<uint16_t>(24, 200)), 48);
    EXPECT_GT(UnitsOf(std::vector<uint16_t>(24, 200)), kMacroMaxSizeUnits);
}

TEST(MacroSizeUnits, OnlyCountsTheSignificantActionsAndNeverReadsPastThem)
{
    MacroRecord macro{};
    for (auto& action : macro.actions)
        action.delay = 300;
    EXPECT_EQ(MacroSizeUnits(macro.actions, 2), 4);
    EXPECT_EQ(MacroSizeUnits(macro.actions, -5), 0);
    EXPECT_EQ(MacroSizeUnits(macro.actions, 1000), 46 * 2) << "a damaged count is clamped";
}

TEST(MacroSizeUnits, WritesItsTraceLine)
{
    std::vector<std::string> lines;
    const TraceSink previous =
        SetTraceSink([&lines](std::string_view line) { lines.emplace_back(line); });
    UnitsOf({128, 1});
    SetTraceSink(previous);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "iTotalNum = 4\r\n");
}

} // namespace
} // namespace kestrin
