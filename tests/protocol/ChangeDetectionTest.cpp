#include "protocol/ChangeDetection.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace kestrin {
namespace {

enum class Group { None, Settings, Lighting, ReportRate, Button };

// Group of each byte of the record, written out from the byte offsets of the record layout.
Group GroupOfByte(std::size_t offset)
{
    struct Range {
        std::size_t first, size;
        Group group;
    };
    static constexpr Range ranges[] = {
        {2224, 4, Group::Settings},   // reserved sensor value 1
        {2228, 4, Group::Settings},   // lift-off
        {2232, 4, Group::Settings},   // reserved sensor value 2
        {2244, 96, Group::Settings},  // DPI X, DPI Y, stage enabled
        {2340, 4, Group::Lighting},   // brightness
        {2344, 4, Group::Lighting},   // breath speed
        {2348, 4, Group::Lighting},   // light-off
        {2352, 4, Group::Lighting},   // sleep
        {2356, 4, Group::Settings},   // current stage
        {2360, 4, Group::ReportRate}, //
        {2368, 12, Group::Settings},  // ripple, angle snap, motion sync
        {2380, 4, Group::Lighting},   // lighting mode
        {2384, 4, Group::Lighting},   // Bluetooth lighting mode
        {2392, 4, Group::Lighting},   // reserved lighting value
        {2396, 4, Group::Lighting},   // debounce
        {2400, 4, Group::Lighting},   // lighting colour
        {2404, 32, Group::Settings},  // stage colours
        {2468, 41636 - 2468, Group::Button},
    };
    for (const Range& r : ranges)
        if (offset >= r.first && offset < r.first + r.size)
            return r.group;
    return Group::None;
}

Group OnlyGroup(const GroupFlags& flags)
{
    const int count = flags.settings + flags.lighting + flags.reportRate + flags.button;
    if (count != 1)
        return count == 0 ? Group::None : static_cast<Group>(-1);
    return flags.settings  ? Group::Settings
        : flags.lighting   ? Group::Lighting
        : flags.reportRate ? Group::ReportRate
                           : Group::Button;
}

class DetectChangesTest : public ::testing::Test {
protected:
    std::unique_ptr<ProfileRecord> current = NewProfileRecord(u"Profile1");
    std::unique_ptr<ProfileRecord> snapshot = std::make_unique<ProfileRecord>(*current);

    GroupFlags AfterFlipping(std::size_t offset)
    {
        std::memcpy(current.get(), snapshot.get(), sizeof(ProfileRecord));
        reinterpret_cast<unsigned char*>(current.get())[offset] ^= 0x5A;
        return DetectChanges(*current, *snapshot);
    }
};

TEST_F(DetectChangesTest, FindsNothingInAnUnchangedProfile)
{
    EXPECT_FALSE(DetectChanges(*current, *snapshot).Any());
}

TEST_F(DetectChangesTest, MarksExactlyTheGroupOfEveryChangedSettingsByte)
{
    for (std::size_t offset = 0; offset < 2468; ++offset)
        ASSERT_EQ(OnlyGroup(AfterFlipping(offset)), GroupOfByte(offset)) << "byte " << offset;
}

TEST_F(DetectChangesTest, MarksTheButtonGroupForAnyByteOfAllTwentyFourSlots)
{
    for (int k = 0; k < kButtonSlotCount; ++k) {
        const std::size_t slot = 2468 + 1632 * std::size_t(k);
        // function code, name, a copied shot, the download options, the last macro byte
        for (const std::size_t at : {1, 17, 1090, 1446, 1631}) {
            ASSERT_EQ(OnlyGroup(AfterFlipping(slot + at)), Group::Button)
                << "slot " << k << " byte " << at;
        }
    }
    EXPECT_EQ(OnlyGroup(AfterFlipping(41635)), Group::Button);
}

TEST_F(DetectChangesTest, IgnoresMoveModeAndName)
{
    current->moveMode = 1;
    current->name[0] = u'X';
    EXPECT_FALSE(DetectChanges(*current, *snapshot).Any());
}

TEST_F(DetectChangesTest, CombinesSeveralGroups)
{
    current->dpiY[7] = 3;
    current->bleLightingMode = 2;
    current->buttons[20].functionCode = 1;
    EXPECT_EQ(DetectChanges(*current, *snapshot), (GroupFlags{true, true, false, true}));
}

} // namespace
} // namespace kestrin
