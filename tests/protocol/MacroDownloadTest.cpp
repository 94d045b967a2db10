#include "protocol/MacroDownload.h"

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

constexpr uint8_t kPress = 1;
constexpr uint8_t kRelease = 2;

// A slot of its own on the heap, so that reading past its macro copy is caught by ASan.
std::unique_ptr<ButtonSlot> MacroSlot(std::initializer_list<MacroAction> actions)
{
    auto slot = std::make_unique<ButtonSlot>();
    ResetButtonSlot(*slot, 0);
    slot->functionCode = kFunctionMacro;
    int i = 0;
    for (const MacroAction& action : actions)
        slot->macroCopy[i++] = action;
    slot->stepCount = static_cast<uint16_t>(i);
    return slot;
}

TEST(MacroReport, SplitsLongDelaysIntoRestAndHundreds)
{
    const auto slot = MacroSlot({{0x04, kPress, 250}, {0x04, kRelease, 3}});
    const Report report = BuildMacroReport(*slot, 1);
    EXPECT_EQ(Entries(report), (std::vector<Entry>{{50, 0x04}, {2, 0x03}, {0x85, 0x04}}));
    EXPECT_EQ(report.bytes[28], 3);
}

TEST(MacroReport, KeepsDelaysInsideTheEntryRange)
{
    const auto slot = MacroSlot({{0x10, kPress, 0}, {0x10, kRelease, 127}, {0xF1, kPress, 128},
        {0xF1, kRelease, 200}, {0x2C, kPress, 25000}, {0x2C, 0, 9}});
    const std::vector<Entry> expected = {{5, 0x10}, {0xFF, 0x10}, {28, 0xF1}, {1, 0x03},
        {0x85, 0xF1}, {2, 0x03}, {5, 0x2C}, {250, 0x03},
        {0x89, 0x2C}}; // any kind but press counts as a release
    EXPECT_EQ(Entries(BuildMacroReport(*slot, 1)), expected);
}

TEST(MacroReport, FillsTheFrameAndHeaderFromTheSlot)
{
    auto slot = MacroSlot({{0x04, kPress, 10}});
    slot->playMode = 1;
    slot->downloadOptions[0] = 7;
    slot->downloadOptions[1] = 8;
    slot->downloadOptions[2] = 9;
    slot->repeatCount = 0;
    const Report report = BuildMacroReport(*slot, 6);
    EXPECT_EQ(report.length, 131u);
    EXPECT_EQ(Bytes(report, 0, 8), (Vec{0x09, 0x83, 6, 1, 7, 7, 7, 1}));
    EXPECT_EQ(Bytes(report, 8, 28), Vec(20, 0));
    EXPECT_EQ(Bytes(report, 31, 129), Vec(98, 0));
    EXPECT_EQ(StoredChecksum(report, 129), 1 + 7 + 7 + 7 + 1 + 1 + 10 + 0x04);

    slot->repeatCount = 300;
    EXPECT_EQ(BuildMacroReport(*slot, 6).bytes[7], 255);
    slot->repeatCount = 12;
    EXPECT_EQ(BuildMacroReport(*slot, 6).bytes[7], 12);
}

TEST(MacroReport, ReadsNoMoreThanTheSlotsFortySixActions)
{
    auto slot = MacroSlot({});
    for (auto& action : slot->macroCopy)
        action = {0x04, kPress, 20};
    slot->stepCount = 46;
    const Report full = BuildMacroReport(*slot, 1);
    slot->stepCount = 65535;
    const Report damaged = BuildMacroReport(*slot, 1);
    EXPECT_EQ(damaged, full);
    EXPECT_EQ(damaged.bytes[28], 46);
}

TEST(MacroReport, KeepsEveryKeyActionWhenLongDelaysWouldOverflowTheReport)
{
    // 46 actions of 200 ms would need 92 entries: only four long delays still fit.
    auto slot = MacroSlot({});
    for (int i = 0; i < 46; ++i)
        slot->macroCopy[i] = {static_cast<uint8_t>(4 + i), i % 2 ? kRelease : kPress, 200};
    slot->stepCount = 46;
    const Report report = BuildMacroReport(*slot, 1);
    const auto entries = Entries(report);
    ASSERT_EQ(entries.size(), 50u);

    std::vector<Entry> expected;
    for (int i = 0; i < 46; ++i) {
        const uint8_t key = static_cast<uint8_t>(4 + i);
        const uint8_t release = i % 2 ? 0x80 : 0;
        if (i < 4) {
            expected.emplace_back(5 | release, key);
            expected.emplace_back(2, 0x03);
        } else {
            expected.emplace_back(127 | release, key);
        }
    }
    EXPECT_EQ(entries, expected);
    EXPECT_EQ(StoredChecksum(report, 129), SumOf(report, 3, 129));
}

TEST(MacroReport, SendsAnEmptyMacroAsNoEntries)
{
    const auto slot = MacroSlot({});
    const Report report = BuildMacroReport(*slot, 2);
    EXPECT_EQ(report.bytes[28], 0);
    EXPECT_EQ(StoredChecksum(report, 129), SumOf(report, 3, 129));
}

} // namespace
} // namespace kestrin
