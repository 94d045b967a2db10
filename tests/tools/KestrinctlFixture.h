#pragma once

// kestrinctl run as a user would, against data folders (and a virtual mouse) of the test's own.

#include "base/RecordNames.h"
#include "profiles/ProfileRecord.h"
#include "tools/virtualmouse/VirtualMouseServer.h"
#include "tools/virtualmouse/Wire.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace kestrin {

namespace fs = std::filesystem;

struct Outcome {
    int status;
    std::vector<std::string> lines;
    std::string out;
    std::string err;
};

inline std::string ReadText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class KestrinctlTest : public ::testing::Test {
protected:
    fs::path dir;

    void SetUp() override
    {
        dir = fs::temp_directory_path() /
            ("kestrinctl-test-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
        // The tool speaks the desktop's language; these tests read its English.
        for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"})
            ::unsetenv(name);
        ::setenv("LANG", "C.UTF-8", 1);
    }
    void TearDown() override { fs::remove_all(dir); }

    fs::path WriteFile(const std::string& name, const void* data, std::size_t size)
    {
        const fs::path path = dir / name;
        std::ofstream(path, std::ios::binary).write(static_cast<const char*>(data), size);
        return path;
    }

    fs::path WriteProfile(const ProfileRecord& profile)
    {
        return WriteFile("test.pro", &profile, sizeof profile);
    }

    Outcome Kestrinctl(const std::string& args) { return Run(KESTRINCTL_PATH, args); }
    Outcome Run(const fs::path& tool, const std::string& args)
    {
        const fs::path out = dir / "stdout";
        const fs::path err = dir / "stderr";
        const std::string command =
            "'" + tool.string() + "' " + args + " >'" + out.string() + "' 2>'" + err.string() + "'";
        const int raw = std::system(command.c_str());
        Outcome run{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, {}, ReadText(out), ReadText(err)};
        std::istringstream lines(run.out);
        for (std::string line; std::getline(lines, line);)
            run.lines.push_back(line);
        return run;
    }
};

inline std::unique_ptr<ProfileRecord> ProfileWithMacro()
{
    auto profile = NewProfileRecord(u"Profile1");
    ButtonSlot& slot = profile->buttons[3];
    slot.functionCode = kFunctionMacro;
    slot.stepCount = 2;
    slot.macroCopy[0] = {0x04, 1, 250};
    slot.macroCopy[1] = {0x04, 2, 3};
    return profile;
}

// A data folder of the test's own; the program's runtime folder points into the test too, so
// no running copy of the program is ever seen.
class KestrinctlStoreTest : public KestrinctlTest {
protected:
    fs::path data;
    void SetUp() override
    {
        KestrinctlTest::SetUp();
        data = dir / "Data";
        fs::create_directories(data);
        fs::create_directories(dir / "runtime");
        ::setenv("XDG_RUNTIME_DIR", (dir / "runtime").c_str(), 1);
    }
    Outcome Store(const std::string& args)
    {
        return Kestrinctl(args + " --data '" + data.string() + "'");
    }
    std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }
};

inline bool Has(const Outcome& run, const std::string& text)
{
    return run.out.find(text) != std::string::npos;
}

// kestrinctl beside the virtual driver libraries and the window's texts, as in a program folder,
// with the virtual mouse on its socket; the program itself is not running.
class KestrinctlMouseTest : public KestrinctlStoreTest {
protected:
    fs::path program;
    std::unique_ptr<vmouse::VirtualMouseServer> server;
    std::thread serverThread;

    void SetUp() override
    {
        KestrinctlStoreTest::SetUp();
        program = dir / "program";
        fs::create_directories(program);
        const fs::path built = fs::path(KESTRINCTL_PATH).parent_path();
        fs::copy_file(KESTRINCTL_PATH, program / "kestrinctl");
        fs::copy(built / "res", program / "res", fs::copy_options::recursive);
        for (const char* library : {"libhiddriver_1.so", "libhiddriver_2.so"})
            fs::copy_file(fs::path(KESTRIN_VIRTUAL_DRIVER_DIR) / library, program / library);
        // Profile1 of a first start, and Profile1_1 with a macro.
        ASSERT_EQ(Store("import " + Quoted(WriteProfile(*ProfileWithMacro()))).status, 0);
    }
    void TearDown() override
    {
        if (server) {
            server->Stop();
            serverThread.join();
        }
        KestrinctlStoreTest::TearDown();
    }

    void StartMouse(vmouse::Link link)
    {
        vmouse::ServerOptions options;
        options.plugged = {link};
        options.statusInterval = std::chrono::milliseconds(200);
        server = std::make_unique<vmouse::VirtualMouseServer>(
            vmouse::SocketName(program.string() + "/"), options);
        std::string error;
        ASSERT_TRUE(server->Listen(&error)) << error;
        serverThread = std::thread([this] { server->Run(); });
    }
    Outcome Ctl(const std::string& args)
    {
        return Run(program / "kestrinctl", args + " --data '" + data.string() + "'");
    }
    // The writes the mouse logged over `link`, as `reports` prints them.
    std::vector<std::string> Logged(const std::string& link)
    {
        const int fd = vmouse::ConnectTo(vmouse::SocketName(program.string() + "/"));
        vmouse::LineReader reader(fd);
        std::vector<std::string> lines;
        std::string error;
        EXPECT_TRUE(vmouse::Exchange(fd, reader, "log", lines, &error)) << error;
        ::close(fd);
        std::vector<std::string> writes;
        for (const std::string& line : lines) {
            EXPECT_EQ(line.rfind(link + " ", 0), 0u) << line;
            writes.push_back(
                line.substr(link.size() + 1, line.find(' ', link.size() + 1) - link.size() - 1));
        }
        return writes;
    }
    std::vector<std::string> Reports(const std::string& profile, const std::string& link)
    {
        const fs::path file = dir / "reported.pro";
        EXPECT_EQ(Ctl("export '" + profile + "' " + Quoted(file)).status, 0);
        return Kestrinctl("reports " + Quoted(file) + " --link " + link).lines;
    }
};

} // namespace kestrin
