#include "page/DpiText.h"

#include <gtest/gtest.h>

namespace kestrin {
namespace {

TEST(DpiText, TypedDpiBecomesWholeUnitsOfFiftyWithinTheRange)
{
    const std::pair<const char16_t*, int32_t> cases[] = {
        {u"75", 1},
        {u"12345", 246},
        {u"26000", 520},
        {u"30000", 520},
        {u"", 1},
        {u"abc", 1},
        {u"0", 1},
        {u"100", 2},
        {u"149", 2},
        {u"800dpi", 16},
        {u"-400", 1},
        {u"184467440737095516161844674407370955161", 520},
    };
    for (const auto& [text, units] : cases)
        EXPECT_EQ(DpiUnitsFromText(text), units) << std::u16string(text).size();
}

TEST(DpiText, OnlyDigitsAreKept)
{
    std::u16string text = u"1a2b";
    EXPECT_TRUE(KeepDigitsOnly(text));
    EXPECT_EQ(text, u"12");
    text = u"ab7";
    EXPECT_TRUE(KeepDigitsOnly(text));
    EXPECT_EQ(text, u"7");
    text = u"１２"; // full-width digits are not 0..9
    EXPECT_TRUE(KeepDigitsOnly(text));
    EXPECT_EQ(text, u"");
    text = u"1600";
    EXPECT_FALSE(KeepDigitsOnly(text));
    EXPECT_EQ(text, u"1600");
}

} // namespace
} // namespace kestrin
