#include "keyboard/X11KeyboardLayout.h"
#include "keys/KeyNames.h"
#include "keys/KeyTable.h"

#include <gtest/gtest.h>
#include <xcb/xcb.h>
#define explicit explicit_ // a member name in the XKB protocol header
#include <xcb/xkb.h>
#undef explicit
#include <xkbcommon/xkbcommon-x11.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace kestrin {
namespace {

std::u16string Id(std::u16string_view id) { return std::u16string(id); }

pid_t Spawn(std::vector<std::string> arguments, posix_spawn_file_actions_t* actions = nullptr)
{
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], actions, nullptr, argv.data(), environ) != 0)
        return -1;
    return pid;
}

bool RunCommand(std::vector<std::string> arguments)
{
    const pid_t pid = Spawn(std::move(arguments));
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
        WEXITSTATUS(status) == 0;
}

// A private X server on a free display, with the XKB extension of every X server.
class X11Server : public testing::Test {
protected:
    void SetUp() override
    {
        int pipeFds[2];
        ASSERT_EQ(pipe(pipeFds), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        server_ = Spawn(
            {"Xvfb", "-displayfd", std::to_string(pipeFds[1]), "-nolisten", "tcp", "-noreset"},
            &actions);
        posix_spawn_file_actions_destroy(&actions);
        close(pipeFds[1]);
        std::string number;
        pollfd ready{pipeFds[0], POLLIN, 0};
        char c = 0;
        while (poll(&ready, 1, 10000) == 1 && read(pipeFds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(pipeFds[0]);
        if (server_ <= 0 || number.empty())
            GTEST_SKIP() << "no Xvfb to run an X server";
        display_ = ":" + number;
    }

    void TearDown() override
    {
        if (server_ > 0) {
            kill(server_, SIGTERM);
            waitpid(server_, nullptr, 0);
        }
    }

    // Sets the server's layout as the desktop's settings would.
    void SetLayout(const std::string& layout)
    {
        ASSERT_TRUE(RunCommand({"setxkbmap", "-display", display_, "-layout", layout}));
    }

    pid_t server_ = -1;
    std::string display_;
};

// Switches the server to another group, as the desktop's layout switcher does.
void LockGroup(const std::string& display, std::uint8_t group)
{
    xcb_connection_t* connection = xcb_connect(display.c_str(), nullptr);
    ASSERT_FALSE(xcb_connection_has_error(connection));
    ASSERT_TRUE(xkb_x11_setup_xkb_extension(connection, XKB_X11_MIN_MAJOR_XKB_VERSION,
        XKB_X11_MIN_MINOR_XKB_VERSION, XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr,
        nullptr, nullptr));
    const xcb_void_cookie_t cookie = xcb_xkb_latch_lock_state_checked(
        connection, XCB_XKB_ID_USE_CORE_KBD, 0, 0, 1, group, 0, 0, 0);
    xcb_generic_error_t* error = xcb_request_check(connection, cookie);
    EXPECT_EQ(error, nullptr);
    std::free(error);
    xcb_disconnect(connection);
}

// The server announces a new keymap asynchronously; give it a moment.
std::u16string NameOnceSettled(const KeyLayout& layout, unsigned usage, std::u16string_view want)
{
    std::u16string name;
    for (int attempt = 0; attempt < 200; ++attempt) {
        name = UsageName(usage, layout, Id);
        if (name == want)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return name;
}

TEST_F(X11Server, FollowsTheLayoutTheServerHasNow)
{
    SetLayout("us");
    const auto layout = X11KeyboardLayout::Connect(display_.c_str());
    ASSERT_TRUE(layout);
    EXPECT_EQ(UsageName(0x04, *layout, Id), u"A");
    unsigned usage = 0;
    ASSERT_TRUE(VirtualKeyToUsage('A', usage, *layout));
    EXPECT_EQ(usage, 0x04u);

    SetLayout("fr");
    EXPECT_EQ(NameOnceSettled(*layout, 0x04, u"Q"), u"Q");
    ASSERT_TRUE(VirtualKeyToUsage('A', usage, *layout));
    EXPECT_EQ(usage, 0x14u);

    SetLayout("de");
    EXPECT_EQ(NameOnceSettled(*layout, 0x1C, u"Z"), u"Z");
}

TEST_F(X11Server, NamesKeysByTheGroupInUse)
{
    SetLayout("us,fr");
    LockGroup(display_, 1);
    const auto layout = X11KeyboardLayout::Connect(display_.c_str());
    ASSERT_TRUE(layout);
    EXPECT_EQ(UsageName(0x04, *layout, Id), u"Q") << "started on the second group";

    LockGroup(display_, 0);
    EXPECT_EQ(NameOnceSettled(*layout, 0x04, u"A"), u"A");
    LockGroup(display_, 1);
    EXPECT_EQ(NameOnceSettled(*layout, 0x04, u"Q"), u"Q");
}

TEST_F(X11Server, IsTheDesktopLayoutWhereThereIsADisplay)
{
    SetLayout("fr");
    const char* previous = std::getenv("DISPLAY");
    const std::string saved = previous ? previous : "";
    setenv("DISPLAY", display_.c_str(), 1);
    const auto layout = OpenDesktopKeyLayout();
    if (previous)
        setenv("DISPLAY", saved.c_str(), 1);
    else
        unsetenv("DISPLAY");
    ASSERT_TRUE(layout);
    EXPECT_NE(dynamic_cast<const X11KeyboardLayout*>(layout.get()), nullptr);
    EXPECT_EQ(UsageName(0x04, *layout, Id), u"Q");
}

TEST(X11KeyboardLayout, IsAbsentWithoutAServer)
{
    EXPECT_EQ(X11KeyboardLayout::Connect(":4097"), nullptr);
}

} // namespace
} // namespace kestrin
