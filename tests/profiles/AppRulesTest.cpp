#include "profiles/AppRules.h"

#include "base/StoreFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace kestrin {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kHeader = "kestrin-app-profiles 1\n";

TEST(AppRulesTest, BrokenLinesAreToldWithTheirNumberAndSkipped)
{
    struct Case {
        const char* line;
        const char* why; // a part of the message
    };
    const Case cases[] = {
        {"quake3", "no '='"},
        {" = Shooter", "no program"},
        {"quake3 =", "no profile"},
        {"quake3 = \x01Shooter", "control character"},
        {"quake\xff = Shooter", "not UTF-8"},
        {"steam = Launcher", "has a rule above"}, // the first rule is steam's
        {"STEAM = Launcher", "has a rule above"},
    };
    for (const Case& c : cases) {
        const std::string text =
            std::string(kHeader) + "steam = Store\n# a note\n" + c.line + "\ndoom = Fast\n";
        const AppRulesRead read = ParseAppRules(text);
        ASSERT_EQ(read.problems.size(), 1u) << c.line;
        EXPECT_EQ(read.problems[0].line, 4) << c.line;
        EXPECT_NE(read.problems[0].why.find(c.why), std::string::npos)
            << c.line << ": " << read.problems[0].why;
        ASSERT_EQ(read.rules.rules.size(), 2u) << "the good lines around it are kept: " << c.line;
        EXPECT_EQ(read.rules.rules[1].program, "doom");
    }
}

TEST(AppRulesTest, AFileOfAnotherVersionOrWithoutOneGivesNoRules)
{
    for (const char* first : {"kestrin-app-profiles 2", "steam = Store", "", "# rules"}) {
        const AppRulesRead read = ParseAppRules(std::string(first) + "\nsteam = Store\n");
        EXPECT_TRUE(read.rules.rules.empty()) << first;
        ASSERT_EQ(read.problems.size(), 1u) << first;
        EXPECT_EQ(read.problems[0].line, 1);
    }
    EXPECT_TRUE(ParseAppRules("").problems.empty()) << "an empty file is no rules";
}

TEST(AppRulesTest, WritingKeepsRulesCommentsAndOrderAsRead)
{
    const std::string text = std::string(kHeader) +
        "# games\n\nquake3 = Shooter = fast\r\n  firefox\t=  Browsing  \n"
        "Süßes Spiel = Profil ä\n# end\n";
    const AppRulesRead read = ParseAppRules(text);
    ASSERT_TRUE(read.problems.empty()) << read.problems[0].why;
    ASSERT_EQ(read.rules.rules.size(), 3u);
    EXPECT_EQ(read.rules.rules[0].profile, "Shooter = fast") << "the first '=' parts them";
    EXPECT_EQ(read.rules.rules[1].program, "firefox");
    EXPECT_EQ(read.rules.rules[1].profile, "Browsing");
    const std::string written = FormatAppRules(read.rules);
    EXPECT_EQ(written,
        std::string(kHeader) +
            "# games\n\nquake3 = Shooter = fast\nfirefox = Browsing\nSüßes Spiel = Profil ä\n"
            "# end\n");
    const AppRulesRead again = ParseAppRules(written);
    EXPECT_TRUE(again.problems.empty());
    EXPECT_EQ(FormatAppRules(again.rules), written);
}

TEST(AppRulesTest, TheFirstRuleMatchingClassInstanceOrExecutableWins)
{
    const AppRules rules = ParseAppRules(std::string(kHeader) +
        "steam_app_70 = Half\nfirefox = Web\nFirefox-esr = Esr\nwine64 = Wine\n")
                               .rules;
    struct Case {
        WindowProgram window;
        const char* profile; // null: no rule
    };
    const Case cases[] = {
        {{"Steam_App_70", "", ""}, "Half"},               // by class, without regard to case
        {{"", "firefox", ""}, "Web"},                     // by instance
        {{"", "", "wine64"}, "Wine"},                     // by executable
        {{"firefox-esr", "Navigator", "firefox"}, "Web"}, // several match: the first rule
        {{"Wine", "hl.exe", "wine64"}, "Wine"},
        {{"xterm", "xterm", "xterm"}, nullptr},
        {{"", "", ""}, nullptr},
        {{"firefo", "firefox2", ""}, nullptr},
    };
    for (const Case& c : cases) {
        const AppRule* rule = FindAppRule(rules, c.window);
        if (!c.profile) {
            EXPECT_EQ(rule, nullptr) << c.window.windowClass << " " << rule->profile;
            continue;
        }
        ASSERT_NE(rule, nullptr) << c.window.windowClass;
        EXPECT_EQ(rule->profile, c.profile) << c.window.windowClass;
    }
}

TEST(AppRulesTest, RulesFollowARenameAndGoWithADeletedProfile)
{
    AppRules rules = ParseAppRules(
        std::string(kHeader) + "a = Fast\n# b's note\nb = Slow\nc = fast\nd = Faster\n")
                         .rules;
    EXPECT_EQ(RenameAppRulesProfile(rules, "FAST", "Quick"), 2);
    EXPECT_EQ(rules.rules[0].profile, "Quick");
    EXPECT_EQ(rules.rules[2].profile, "Quick");
    EXPECT_EQ(rules.rules[3].profile, "Faster");

    const std::vector<AppRule> dropped = DropAppRulesOfProfile(rules, "slow");
    ASSERT_EQ(dropped.size(), 1u);
    EXPECT_EQ(dropped[0].program, "b");
    EXPECT_EQ(FormatAppRules(rules), std::string(kHeader) + "a = Quick\nc = Quick\nd = Faster\n");
    EXPECT_TRUE(DropAppRulesOfProfile(rules, "Nobody").empty());
}

TEST(AppRulesTest, TheFileBesideTheStoresIsSavedAndReadBack)
{
    const fs::path folder =
        fs::temp_directory_path() / ("app-rules-test-" + std::to_string(::getpid()));
    fs::create_directories(folder / "ms_1");
    const std::string data = folder.string() + "/";
    const auto missing = LoadAppRules(data);
    ASSERT_TRUE(missing.ok()) << "a missing file is no rules";
    EXPECT_TRUE(missing.value.rules.rules.empty());

    AppRules rules;
    rules.rules.push_back({"quake3", "Shooter", "# mine\n"});
    ASSERT_TRUE(SaveAppRules(data, rules).ok());
    EXPECT_EQ(AppRulesPath(data), StoreFolder(data) + "app-profiles.conf");
    const auto loaded = LoadAppRules(data);
    ASSERT_TRUE(loaded.ok()) << loaded.error;
    EXPECT_EQ(FormatAppRules(loaded.value.rules), FormatAppRules(rules));

    fs::remove(AppRulesPath(data));
    fs::create_directory(AppRulesPath(data));
    EXPECT_FALSE(LoadAppRules(data).ok()) << "a folder in its place is not no rules";
    fs::remove_all(folder);
}

} // namespace
} // namespace kestrin
