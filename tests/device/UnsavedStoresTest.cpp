#include "device/DeviceProfiles.h"

#include "base/RecordNames.h"
#include "macros/MacroStore.h"
#include "tests/support/FailingFileCalls.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace kestrin {
namespace {

// A data folder whose pro.data and macro.data each end in a partial record.
class StartupRepairTest : public testing::Test {
protected:
    void SetUp() override
    {
        ProfileList profiles;
        profiles.push_back(NewProfileRecord(u"P"));
        ASSERT_TRUE(SaveProfileStore(folder.Data(), profiles, ProfileStoreHeader{}));
        MacroList macros;
        macros.push_back(std::make_unique<MacroRecord>());
        WriteName(macros[0]->name, u"M");
        ASSERT_TRUE(SaveMacroStore(folder.Data(), macros));
        for (const StoreKind store : {StoreKind::Profiles, StoreKind::Macros})
            std::ofstream(StorePath(store, folder.Data()), std::ios::app) << "partial";
    }
    std::size_t KeptAside(StoreKind store) const
    {
        const std::string name = fs::path(StorePath(store, folder.Data())).filename().string();
        return test::FilesStartingWith(fs::path(folder.Data()) / "ms_1", name + ".broken-").size();
    }

    test::TempFolder folder;
};

TEST_F(StartupRepairTest, AStoreSetRightIsSavedOnceItsFileIsKeptAside)
{
    for (int start = 0; start < 2; ++start) {
        DeviceProfiles device;
        device.dataFolder = folder.Data();
        // The first start reads its stores ahead, as the program does while its window is built.
        if (start == 0)
            device.ReadAhead(u"Profile");
        const StartupLoadOutcome outcome = device.Load(u"Profile");
        EXPECT_EQ(outcome.profiles.damaged, start == 0) << start;
        EXPECT_EQ(outcome.macros.damaged, start == 0) << start;
        EXPECT_FALSE(device.unsaved.Any());
    }
    EXPECT_EQ(fs::file_size(MacroStorePath(folder.Data())), sizeof(MacroRecord));
    EXPECT_EQ(KeptAside(StoreKind::Profiles), 1u);
    EXPECT_EQ(KeptAside(StoreKind::Macros), 1u);
}

TEST_F(StartupRepairTest, AStoreNoSaveCouldWriteIsSavedAgainUntilOneDoes)
{
    DeviceProfiles device;
    device.dataFolder = folder.Data();
    {
        // Room for the copies as they were, none for the stores set right.
        test::FailingWrites diskFull(fs::file_size(ProfileStorePath(folder.Data())) +
            fs::file_size(MacroStorePath(folder.Data())));
        device.Load(u"Profile");
    }
    EXPECT_EQ(device.macros.size(), 1u);
    EXPECT_TRUE(device.unsaved.Holds(StoreKind::Profiles));
    EXPECT_TRUE(device.unsaved.Holds(StoreKind::Macros));
    EXPECT_FALSE(device.unsaved.Holds(StoreKind::Patterns));

    {
        test::FailingWrites diskFull(0);
        device.SaveUnsavedStores();
    }
    ASSERT_EQ(device.unsaved.All().size(), 2u);
    EXPECT_NE(device.unsaved.All()[1].reason.find("No space left on device"), std::string::npos);

    device.SaveUnsavedStores();
    EXPECT_FALSE(device.unsaved.Any());
    EXPECT_EQ(fs::file_size(MacroStorePath(folder.Data())), sizeof(MacroRecord));
}

TEST(StartupReadAheadTest, LoadTakesWhatWasReadAheadAndAFreshStoreIsMadeOnce)
{
    test::TempFolder folder;
    DeviceProfiles device;
    device.dataFolder = folder.Data();
    device.ReadAhead(u"Ahead");
    const StartupLoadOutcome outcome = device.Load(u"Later");
    EXPECT_FALSE(outcome.profiles.damaged);
    ASSERT_EQ(device.list.size(), 1u);
    EXPECT_EQ(ReadName(device.list[0]->name), u"Ahead1");
    EXPECT_TRUE(device.loaded);
    EXPECT_EQ(device.current, device.list[0].get());

    DeviceProfiles next;
    next.dataFolder = folder.Data();
    next.Load(u"Later");
    ASSERT_EQ(next.list.size(), 1u);
    EXPECT_EQ(ReadName(next.list[0]->name), u"Ahead1");
}

} // namespace
} // namespace kestrin
