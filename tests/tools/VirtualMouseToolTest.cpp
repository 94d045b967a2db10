// kestrin-virtual-mouse as a newcomer or a script uses it from a terminal.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Result {
    int status;
    std::string output; // stdout and stderr
};

class VirtualMouseToolTest : public testing::Test {
protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path() / ("kestrin-vmtool-" + std::to_string(::getpid()));
        fs::create_directories(folder);
    }
    void TearDown() override
    {
        Run("stop");
        fs::remove_all(folder);
    }

    Result Run(const std::string& arguments)
    {
        const std::string command = std::string(KESTRIN_VIRTUAL_MOUSE_TOOL) + " --folder " +
            folder.string() + " " + arguments + " 2>&1";
        Result result{-1, {}};
        FILE* pipe = ::popen(command.c_str(), "r");
        if (!pipe)
            return result;
        std::array<char, 512> chunk{};
        while (std::fgets(chunk.data(), chunk.size(), pipe))
            result.output += chunk.data();
        const int status = ::pclose(pipe);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return result;
    }

    fs::path folder;
};

TEST_F(VirtualMouseToolTest, StartsInTheBackgroundAndIsDrivenFromTheTerminal)
{
    ASSERT_EQ(Run("start --plug cable --status-interval 0 --background").status, 0);
    EXPECT_EQ(Run("start").status, 1) << "one virtual mouse per program folder";

    const Result write = Run("write cable 0c0a01fe01fe00000000");
    EXPECT_EQ(write.status, 0);
    EXPECT_EQ(write.output, "1\n");
    EXPECT_EQ(Run("log").output, "cable 0c0a01fe01fe00000000 accepted\n");
    EXPECT_NE(
        Run("state").output.find("links: cable=plugged receiver=unplugged"), std::string::npos);

    const Result badStage = Run("dpi 9");
    EXPECT_EQ(badStage.status, 1);
    EXPECT_NE(badStage.output.find("stage from 1 to 8"), std::string::npos) << badStage.output;
    EXPECT_EQ(Run("unplug cable").status, 0);
    const Result noLink = Run("dpi 2");
    EXPECT_EQ(noLink.status, 1);
    EXPECT_NE(noLink.output.find("unplugged or asleep"), std::string::npos);

    EXPECT_EQ(Run("stop").status, 0);
    const Result gone = Run("state");
    EXPECT_EQ(gone.status, 1);
    EXPECT_NE(gone.output.find("start one with"), std::string::npos) << gone.output;
}

TEST_F(VirtualMouseToolTest, ExplainsItselfAndRefusesUnknownOptions)
{
    const Result help = Run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("dpi STAGE|cycle"), std::string::npos);
    EXPECT_EQ(Run("start --plug mouse").status, 1);
    EXPECT_EQ(Run("start --bogus").status, 1);
}

} // namespace
