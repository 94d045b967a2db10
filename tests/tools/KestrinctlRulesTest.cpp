// kestrinctl's rules and run commands against data folders of the test's own.
#include "tests/tools/KestrinctlFixture.h"

#include <gtest/gtest.h>

namespace kestrin {
namespace {

constexpr const char* kRulesFile = "ms_1/app-profiles.conf";

// `run` with the data folder before "--": after it, everything is the command's.
std::string RunArgs(const fs::path& data, const std::string& words)
{
    return "run --data '" + data.string() + "' " + words;
}

TEST_F(KestrinctlStoreTest, RulesAreAddedListedAndRemovedInTheFileBesideTheStores)
{
    ASSERT_EQ(Store("import " + Quoted(WriteProfile(*ProfileWithMacro()))).status, 0);
    Outcome run = Store("rules list");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "") << "no file is no rules";

    run = Store("rules add quake3 profile1_1");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "'quake3' switches to 'Profile1_1'\n") << "named as the list names it";
    ASSERT_EQ(Store("rules add 'Web Browser' Profile1").status, 0);
    ASSERT_EQ(Store("rules add QUAKE3 Profile1").status, 0) << "in place of quake3's rule";
    EXPECT_EQ(ReadText(data / kRulesFile),
        "kestrin-app-profiles 1\nquake3 = Profile1\nWeb Browser = Profile1\n");
    run = Store("rules list --json");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
        "[\n  {\"program\": \"quake3\", \"profile\": \"Profile1\"},\n"
        "  {\"program\": \"Web Browser\", \"profile\": \"Profile1\"}\n]\n");

    run = Store("rules remove 'web browser'");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "'Web Browser' no longer switches profiles\n");
    EXPECT_EQ(Store("rules list").lines, (std::vector<std::string>{"quake3 = Profile1"}));
}

TEST_F(KestrinctlStoreTest, RulesRefuseWhatWouldLoseOrGuessAndChangeNothing)
{
    ASSERT_EQ(Store("import " + Quoted(WriteProfile(*ProfileWithMacro()))).status, 0);
    ASSERT_EQ(Store("rules add quake3 Profile1").status, 0);
    const std::string before = ReadText(data / kRulesFile);
    struct Case {
        const char* args;
        int status;
        const char* message;
    };
    const Case cases[] = {
        {"rules add doom Nobody", 1, "no profile named 'Nobody'"},
        {"rules add a=b Profile1", 1, "holds '='"},
        {"rules add '#doom' Profile1", 1, "starts a comment"},
        {"rules remove doom", 1, "no rule for 'doom'"},
        {"rules", 2, "rules takes"},
        {"rules add doom", 2, "rules takes"},
        {"rules frob", 2, "rules takes"},
        {"rules add doom Profile1 --json", 2, "--json is for"},
    };
    for (const Case& c : cases) {
        const Outcome run = Store(c.args);
        EXPECT_EQ(run.status, c.status) << c.args;
        EXPECT_TRUE(run.err.find(c.message) != std::string::npos) << c.args << ": " << run.err;
        EXPECT_EQ(ReadText(data / kRulesFile), before) << c.args;
    }

    // A broken line is told and skipped, and keeps the file from being saved over.
    const std::string broken = before + "doom\nfirefox = Profile1_1\n";
    WriteFile((data.filename() / kRulesFile).string(), broken.data(), broken.size());
    Outcome run = Store("rules list");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.lines, (std::vector<std::string>{"quake3 = Profile1", "firefox = Profile1_1"}));
    EXPECT_NE(run.err.find("app-profiles.conf line 3: no '='"), std::string::npos) << run.err;
    for (const char* change : {"rules add doom Profile1", "rules remove quake3"}) {
        run = Store(change);
        EXPECT_EQ(run.status, 1) << change;
        EXPECT_NE(run.err.find("saving now would lose them"), std::string::npos) << run.err;
        EXPECT_EQ(ReadText(data / kRulesFile), broken) << change;
    }
}

TEST_F(KestrinctlMouseTest, RunSwitchesForTheCommandAndBackWithItsExitStatus)
{
    const std::string list = Quoted(program / "kestrinctl") + " list --data " + Quoted(data);
    struct Case {
        std::string command;
        int status;
    };
    const Case cases[] = {
        {"true", 0},
        {"false", 1},
        {"sh -c \"" + list + " >" + Quoted(dir / "inside") + "; exit 3\"", 3},
        {"sh -c 'kill -TERM $$'", 128 + SIGTERM},
        {"no-such-command-here", 127},
    };
    for (const Case& c : cases) {
        const Outcome run =
            Run(program / "kestrinctl", RunArgs(data, "profile1_1 -- " + c.command));
        EXPECT_EQ(run.status, c.status) << c.command << ": " << run.err;
        EXPECT_EQ(Ctl("list").lines.at(0), "* Profile1") << "switched back after " << c.command;
    }
    EXPECT_EQ(ReadText(dir / "inside"), "  Profile1\n* Profile1_1\n") << "the command ran switched";

    const Outcome run =
        Run(program / "kestrinctl", RunArgs(data, "Profile1_1 -- echo its own words"));
    EXPECT_EQ(run.out, "its own words\n") << "what the switches say goes to stderr";
    EXPECT_TRUE(run.err.find("'Profile1_1' is the current profile") != std::string::npos)
        << run.err;
}

TEST_F(KestrinctlStoreTest, RunDoesNotRunTheCommandWhenTheSwitchFails)
{
    const fs::path marker = dir / "marker";
    Outcome run = Kestrinctl(RunArgs(data, "Profile1 -- touch " + Quoted(marker)));
    EXPECT_EQ(run.status, 1) << "no profiles yet";
    ASSERT_EQ(Store("import " + Quoted(WriteProfile(*ProfileWithMacro()))).status, 0);
    run = Kestrinctl(RunArgs(data, "Nobody -- touch " + Quoted(marker)));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("no profile named 'Nobody'"), std::string::npos) << run.err;
    // A kestrinctl with no driver libraries beside it cannot reach the mouse: the switch fails
    // after it was saved, and is undone.
    fs::create_directories(dir / "alone");
    fs::copy_file(KESTRINCTL_PATH, dir / "alone" / "kestrinctl");
    run = Run(dir / "alone" / "kestrinctl", RunArgs(data, "Profile1_1 -- touch " + Quoted(marker)));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("the command was not run"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(marker));
    EXPECT_EQ(Store("list").lines.at(0), "* Profile1");

    for (const char* bad : {"Profile1", "Profile1 --", "-- true", "Profile1 Profile1_1 -- true",
             "Profile1 --json -- true"})
        EXPECT_EQ(Kestrinctl(RunArgs(data, bad)).status, 2) << bad;
}

} // namespace
} // namespace kestrin
