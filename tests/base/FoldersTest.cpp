#include "base/Folders.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace kestrin {
namespace {

class FoldersTest : public testing::Test {
protected:
    void SetUp() override
    {
        root = fs::temp_directory_path() /
            ("kestrin-folders-" + std::to_string(::getpid()) + "-" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root / "prog");
    }
    void TearDown() override { fs::remove_all(root); }
    std::string Prog() const { return (root / "prog").string() + "/"; }

    fs::path root;
};

TEST(GetProgramFolder, IsTheFolderOfTheRunningBinaryWithATrailingSlash)
{
    const std::string folder = GetProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(fs::exists(folder + "records_test") || fs::exists(folder + "folders_test"))
        << folder;
}

TEST(ChooseDataFolder, PutsDataBesideAWritableProgramElseInTheUsersDataFolder)
{
    EXPECT_EQ(ChooseDataFolder("/opt/k/", true, "/xdg", "/home/u"), "/opt/k/Data/");
    EXPECT_EQ(
        ChooseDataFolder("/usr/bin/", false, "/xdg/data", "/home/u"), "/xdg/data/kestrin/Data/");
    EXPECT_EQ(
        ChooseDataFolder("/usr/bin/", false, "/xdg/data/", "/home/u"), "/xdg/data/kestrin/Data/");
    EXPECT_EQ(ChooseDataFolder("/usr/bin/", false, nullptr, "/home/u"),
        "/home/u/.local/share/kestrin/Data/");
    EXPECT_EQ(
        ChooseDataFolder("/usr/bin/", false, "", "/home/u"), "/home/u/.local/share/kestrin/Data/");
    EXPECT_EQ(ChooseDataFolder("/usr/bin/", false, "relative", "/home/u"),
        "/home/u/.local/share/kestrin/Data/")
        << "a relative XDG_DATA_HOME is ignored";
    EXPECT_EQ(ChooseDataFolder("/usr/lib/kestrin/", true, nullptr, "/root"),
        "/root/.local/share/kestrin/Data/")
        << "root can write a system install's folder, yet its data goes home";
    EXPECT_EQ(ChooseDataFolder("/usr/bin/", false, nullptr, nullptr), "/usr/bin/Data/")
        << "with nowhere else to go, saves fail beside the program and say so";
}

TEST_F(FoldersTest, EnsureFolderCreatesNestedFoldersAndReportsAFileInTheWay)
{
    EXPECT_TRUE(EnsureFolder(Prog() + "Data/ms_1/"));
    EXPECT_TRUE(fs::is_directory(Prog() + "Data/ms_1"));
    EXPECT_TRUE(EnsureFolder(Prog() + "Data/ms_1/")) << "an existing folder is fine";

    std::ofstream(Prog() + "Blocked") << "a file, not a folder";
    EXPECT_FALSE(EnsureFolder(Prog() + "Blocked/"));
    EXPECT_TRUE(fs::is_regular_file(Prog() + "Blocked")) << "the file is left alone";
}

} // namespace
} // namespace kestrin
