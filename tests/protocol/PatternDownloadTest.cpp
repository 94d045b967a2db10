#include "protocol/PatternDownload.h"

#include "tests/device/ReportBytes.h"

#include <gtest/gtest.h>

#include <memory>

namespace kestrin {
namespace {

using test::Bytes;
using test::Entries;
using test::Entry;
using test::StoredChecksum;
using test::SumOf;
using Vec = std::vector<uint8_t>;

std::unique_ptr<ButtonSlot> PatternSlot(int shots, uint16_t delay)
{
    auto slot = std::make_unique<ButtonSlot>();
    ResetButtonSlot(*slot, 0);
    slot->functionCode = kFunctionRecoilPattern;
    slot->playMode = 2;
    slot->repeatCount = 3;
    slot->downloadOptions[0] = 0x11;
    slot->downloadOptions[1] = 0x22;
    slot->downloadOptions[2] = 0x33;
    slot->downloadOptions[3] = 0x44;
    slot->stepCount = static_cast<uint16_t>(shots);
    for (int k = 0; k < kGunMaxShots; ++k)
        slot->patternCopy[k] = {k, -k, 0, delay};
    return slot;
}

std::vector<Entry> ShotEntries(int k, uint8_t moveDelay)
{
    const auto x = static_cast<uint16_t>(k);
    const auto y = static_cast<uint16_t>(-k);
    return {{0x03, 0xF1}, {0x83, 0xF1}, {moveDelay, 0xF6},
        {static_cast<uint8_t>(x >> 8), static_cast<uint8_t>(x)},
        {static_cast<uint8_t>(y >> 8), static_cast<uint8_t>(y)}};
}

TEST(PatternReport, ThirtyShotsContinueOverFourSlotsWithLinkEntries)
{
    const auto slot = PatternSlot(30, 30);
    const int firstShot[] = {0, 9, 18, 27};
    int start = 0;
    for (int part = 0; part < 4; ++part) {
        const auto slotNumber = static_cast<uint8_t>(3 + part);
        const PatternReport result = BuildPatternReport(*slot, slotNumber, start);
        ASSERT_EQ(start, firstShot[part]);
        const auto entries = Entries(result.report);
        std::vector<Entry> expected;
        const int end = part < 3 ? start + 9 : 30;
        for (int k = start; k < end; ++k)
            for (const Entry& e : ShotEntries(k, 30))
                expected.push_back(e);
        if (part < 3)
            expected.emplace_back(slotNumber + 1, 0xFE);
        else
            expected.emplace_back(30, 0x00); // the last shot's delay again
        EXPECT_EQ(entries, expected) << "part " << part;
        EXPECT_EQ(result.goesOn, part < 3);
        EXPECT_EQ(result.report.bytes[2], slotNumber);
        EXPECT_EQ(StoredChecksum(result.report, 129), SumOf(result.report, 3, 129));
        const Vec header = part == 0 ? Vec{2, 0x11, 0x22, 0x33, 3} : Vec(5, 0);
        EXPECT_EQ(Bytes(result.report, 3, 8), header) << "part " << part;
        start = result.nextShot;
    }
}

TEST(PatternReport, RepeatsTheLastDelayAsAPauseOnlyFromTenMilliseconds)
{
    const auto twenty = Entries(BuildPatternReport(*PatternSlot(1, 20), 1, 0).report);
    ASSERT_EQ(twenty.size(), 6u);
    EXPECT_EQ(twenty[2], (Entry{20, 0xF6}));
    EXPECT_EQ(twenty[5], (Entry{20, 0x00}));

    const auto eight = Entries(BuildPatternReport(*PatternSlot(1, 8), 1, 0).report);
    ASSERT_EQ(eight.size(), 5u);
    EXPECT_EQ(eight[2], (Entry{8, 0xF6}));

    const auto three = Entries(BuildPatternReport(*PatternSlot(1, 3), 1, 0).report);
    ASSERT_EQ(three.size(), 5u);
    EXPECT_EQ(three[2], (Entry{5, 0xF6})) << "moves wait at least 5 ms";
}

TEST(PatternReport, WritesLongDelaysAfterTheMoveAndTwiceForTheLastShot)
{
    const auto entries = Entries(BuildPatternReport(*PatternSlot(2, 250), 1, 0).report);
    std::vector<Entry> expected = ShotEntries(0, 50);
    expected.emplace_back(2, 0x03);
    for (const Entry& e : ShotEntries(1, 50))
        expected.push_back(e);
    expected.emplace_back(2, 0x03);
    expected.emplace_back(2, 0x03);
    expected.emplace_back(50, 0x00);
    EXPECT_EQ(entries, expected);
}

TEST(PatternReport, HoldsHundredsThatDoNotFitTheirByteAtTheLongestWait)
{
    // 30000 ms is 300 hundreds; the low byte alone (44) would cut the wait to 4.4 s.
    const auto entries = Entries(BuildPatternReport(*PatternSlot(2, 30000), 1, 0).report);
    EXPECT_EQ(entries[5], (Entry{255, 0x03}));
    // The editor's longest pause is the longest the entries carry exactly: 255 hundreds, 99.
    const auto longest = Entries(BuildPatternReport(*PatternSlot(1, kGunMaxDelay), 1, 0).report);
    EXPECT_EQ(longest[2].first, 99);
    EXPECT_EQ(longest[5], (Entry{255, 0x03}));
    EXPECT_EQ(longest[5].first * 100 + longest[2].first, kGunMaxDelay);
}

TEST(PatternReport, WritesMovesAsSixteenBitsHighByteFirst)
{
    auto slot = PatternSlot(1, 5);
    slot->patternCopy[0].x = 300;
    slot->patternCopy[0].y = -2;
    const auto entries = Entries(BuildPatternReport(*slot, 1, 0).report);
    EXPECT_EQ(entries[3], (Entry{0x01, 0x2C}));
    EXPECT_EQ(entries[4], (Entry{0xFF, 0xFE}));
}

TEST(PatternReport, LongDelaysFitEightShotsAndEveryShotTravelsOnce)
{
    const auto slot = PatternSlot(30, 1000);
    int start = 0;
    int moves = 0;
    int reports = 0;
    for (bool more = true; more; ++reports) {
        ASSERT_LT(reports, 30) << "the pattern never ends";
        const PatternReport part = BuildPatternReport(*slot, 1, start);
        const auto entries = Entries(part.report);
        EXPECT_LE(entries.size(), 50u);
        for (std::size_t i = 0; i < entries.size(); ++i)
            if (entries[i] == Entry{5, 0xF6}) { // 1000 ms: the move waits 5 ms, then 10 x 100
                EXPECT_EQ(entries[i + 1], (Entry{0, static_cast<uint8_t>(moves)}));
                ++moves;
            }
        more = part.goesOn;
        start = part.nextShot;
    }
    EXPECT_EQ(moves, 30);
    EXPECT_EQ(reports, 4); // 8 + 8 + 8 + 6
}

TEST(PatternReport, ReadsNoMoreThanTheSlotsThirtyShots)
{
    auto slot = PatternSlot(30, 30);
    int start = 0;
    std::vector<Report> full;
    for (bool more = true; more;) {
        const PatternReport part = BuildPatternReport(*slot, 1, start);
        full.push_back(part.report);
        more = part.goesOn;
        start = part.nextShot;
    }
    slot->stepCount = 255;
    start = 0;
    for (const Report& expected : full) {
        const PatternReport part = BuildPatternReport(*slot, 1, start);
        EXPECT_EQ(part.report, expected);
        start = part.nextShot;
        if (&expected == &full.back()) {
            EXPECT_FALSE(part.goesOn);
        }
    }
}

TEST(PatternReport, AnEmptyPatternIsOneReportWithoutEntries)
{
    const PatternReport result = BuildPatternReport(*PatternSlot(0, 30), 1, 0);
    EXPECT_FALSE(result.goesOn);
    EXPECT_EQ(result.report.bytes[28], 0);
    EXPECT_EQ(Bytes(result.report, 3, 8), (Vec{2, 0x11, 0x22, 0x33, 3}));
}

} // namespace
} // namespace kestrin
