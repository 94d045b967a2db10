#include "base/Autostart.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace kestrin {
namespace {

TEST(AutostartFile, IsInAnAbsoluteXdgConfigHomeElseInTheHomesConfigFolder)
{
    EXPECT_EQ(AutostartFile("/cfg/", "/home/u"), "/cfg/autostart/org.kestrin.Kestrin.desktop");
    EXPECT_EQ(AutostartFile("/cfg", nullptr), "/cfg/autostart/org.kestrin.Kestrin.desktop");
    EXPECT_EQ(
        AutostartFile("cfg", "/home/u"), "/home/u/.config/autostart/org.kestrin.Kestrin.desktop")
        << "a relative XDG_CONFIG_HOME is invalid";
    EXPECT_EQ(
        AutostartFile("", "/home/u"), "/home/u/.config/autostart/org.kestrin.Kestrin.desktop");
    EXPECT_EQ(AutostartFile(nullptr, ""), "");
    EXPECT_EQ(AutostartFile(nullptr, "relative"), "");
}

TEST(Autostart, OnWritesTheEntryAndItsFolderOffRemovesItAndDesktopsMayTurnItOffInside)
{
    test::TempFolder folder;
    const std::string file =
        (folder.Root() / "config/autostart/org.kestrin.Kestrin.desktop").string();
    EXPECT_FALSE(AutostartEnabled(file));
    EXPECT_TRUE(DisableAutostart(file)) << "none there is no failure";

    ASSERT_TRUE(EnableAutostart(file, "/opt/kestrin/"));
    EXPECT_TRUE(AutostartEnabled(file));
    std::ifstream in(file);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    EXPECT_NE(text.find("\nExec=\"/opt/kestrin/kestrin\" --tray\n"), std::string::npos) << text;

    // Session settings turn an entry off by keys in it rather than removing it.
    for (const char* off : {"Hidden=true", "X-GNOME-Autostart-enabled = false"}) {
        std::ofstream(file) << "[Desktop Entry]\nType=Application\nExec=kestrin\n" << off << "\n";
        EXPECT_FALSE(AutostartEnabled(file)) << off;
    }
    std::ofstream(file) << "[Desktop Entry]\nExec=kestrin\n[Desktop Action x]\nHidden=true\n";
    EXPECT_TRUE(AutostartEnabled(file)) << "another group's keys are not the entry's";
    ASSERT_TRUE(EnableAutostart(file, "/opt/kestrin/"));
    EXPECT_TRUE(AutostartEnabled(file)) << "on again replaces a turned-off entry";

    ASSERT_TRUE(DisableAutostart(file));
    EXPECT_FALSE(fs::exists(file));
    EXPECT_FALSE(AutostartEnabled(file));
}

TEST(Autostart, FailsWithAMessageWhereTheFolderCannotBeMadeOrNoneIsKnown)
{
    test::TempFolder folder;
    std::ofstream(folder.Root() / "config") << "a file in the way";
    const SaveResult blocked =
        EnableAutostart((folder.Root() / "config/autostart/x.desktop").string(), "/opt/kestrin/");
    EXPECT_FALSE(blocked);
    EXPECT_NE(blocked.error.find("config/autostart"), std::string::npos) << blocked.error;
    EXPECT_FALSE(EnableAutostart("", "/opt/kestrin/"));
}

} // namespace
} // namespace kestrin
