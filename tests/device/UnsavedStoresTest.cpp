#include "device/DeviceProfiles.h"

#include "base/RecordNames.h"
#include "macros/MacroStore.h"
#include "tests/support/FailingFileCalls.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace kestrin {
namespace {

TEST(UnsavedStores, AStoreNoSaveCouldWriteIsSavedAgainUntilOneDoes)
{
    test::TempFolder folder;
    ProfileList profiles;
    profiles.push_back(NewProfileRecord(u"P"));
    ASSERT_TRUE(SaveProfileStore(folder.Data(), profiles, ProfileStoreHeader{}));
    MacroList macros;
    macros.push_back(std::make_unique<MacroRecord>());
    WriteName(macros[0]->name, u"M");
    ASSERT_TRUE(SaveMacroStore(folder.Data(), macros));
    const std::string macroStore = MacroStorePath(folder.Data());
    std::ofstream(macroStore, std::ios::app) << "partial";

    DeviceProfiles device;
    device.dataFolder = folder.Data();
    {
        // Room for the copy of the damaged store, none for the store set right.
        test::FailingWrites diskFull(sizeof(MacroRecord) + 7);
        device.Load(u"Profile");
    }
    EXPECT_EQ(device.macros.size(), 1u);
    EXPECT_TRUE(device.unsaved.Holds(StoreKind::Macros));
    EXPECT_FALSE(device.unsaved.Holds(StoreKind::Profiles));

    {
        test::FailingWrites diskFull(0);
        device.SaveUnsavedStores();
    }
    ASSERT_EQ(device.unsaved.All().size(), 1u);
    EXPECT_NE(device.unsaved.All()[0].reason.find("No space left on device"), std::string::npos);

    device.SaveUnsavedStores();
    EXPECT_FALSE(device.unsaved.Any());
    EXPECT_EQ(std::filesystem::file_size(macroStore), sizeof(MacroRecord));
}

} // namespace
} // namespace kestrin
