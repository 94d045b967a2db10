// Starts a program and times it to the moment the X server maps its window, which is when a user
// sees it: the map is read from the server's own notice, so nothing polls. Then, after a short
// settle, reads the program's peak resident memory so far and ends it with SIGTERM.
// Prints one line: microseconds to the map, peak RSS in KiB.
// usage: bench_start_watch [--title TITLE] [--settle MS] PROGRAM [ARGS...]
//        without --title the first window mapped counts (a peer whose title is unknown)
#include <xcb/xcb.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kShowDeadline = std::chrono::seconds(20);
constexpr auto kEndDeadline = std::chrono::seconds(10);

[[noreturn]] void Fail(const char* what)
{
    std::fprintf(stderr, "bench_start_watch: %s\n", what);
    std::exit(1);
}

long PeakKib(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

std::string Property(xcb_connection_t* x, xcb_window_t window, xcb_atom_t name, xcb_atom_t type)
{
    const auto cookie = xcb_get_property(x, 0, window, name, type, 0, 256);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(x, cookie, nullptr), &std::free);
    if (!reply)
        return {};
    return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
        static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
}

xcb_atom_t Atom(xcb_connection_t* x, const char* name)
{
    const auto cookie = xcb_intern_atom(x, 0, static_cast<uint16_t>(std::strlen(name)), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(x, cookie, nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

bool ChildGone(pid_t pid)
{
    int status = 0;
    return waitpid(pid, &status, WNOHANG) == pid;
}

} // namespace

int main(int argc, char** argv)
{
    const char* title = nullptr;
    int settleMs = 300;
    int arg = 1;
    for (; arg + 1 < argc && argv[arg][0] == '-'; arg += 2) {
        if (std::strcmp(argv[arg], "--title") == 0)
            title = argv[arg + 1];
        else if (std::strcmp(argv[arg], "--settle") == 0)
            settleMs = std::atoi(argv[arg + 1]);
        else
            Fail("unknown option");
    }
    if (arg >= argc)
        Fail("usage: bench_start_watch [--title TITLE] [--settle MS] PROGRAM [ARGS...]");

    xcb_connection_t* x = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(x))
        Fail("no X display");
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(x)).data;
    // Top-level windows are children of the root while no window manager reparents them.
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x, screen->root, XCB_CW_EVENT_MASK, &mask);
    const xcb_atom_t netName = Atom(x, "_NET_WM_NAME");
    const xcb_atom_t utf8 = Atom(x, "UTF8_STRING");

    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
    const Clock::time_point start = Clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[arg], &files, nullptr, argv + arg, environ) != 0)
        Fail("cannot start the program");

    Clock::time_point shown{};
    pollfd watch{xcb_get_file_descriptor(x), POLLIN, 0};
    while (shown == Clock::time_point{}) {
        if (Clock::now() - start > kShowDeadline || ChildGone(pid))
            Fail("the program showed no window");
        poll(&watch, 1, 50);
        while (xcb_generic_event_t* event = xcb_poll_for_event(x)) {
            if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY && shown == Clock::time_point{}) {
                const Clock::time_point seen = Clock::now();
                const auto* map = reinterpret_cast<const xcb_map_notify_event_t*>(event);
                if (!map->override_redirect &&
                    (!title || Property(x, map->window, netName, utf8) == title ||
                        Property(x, map->window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING) == title))
                    shown = seen;
            }
            std::free(event);
        }
        if (xcb_connection_has_error(x))
            Fail("lost the X display");
    }
    const auto startUs =
        std::chrono::duration_cast<std::chrono::microseconds>(shown - start).count();

    std::this_thread::sleep_for(std::chrono::milliseconds(settleMs));
    const long peak = PeakKib(pid);
    kill(pid, SIGTERM);
    const Clock::time_point ending = Clock::now();
    while (!ChildGone(pid)) {
        if (Clock::now() - ending > kEndDeadline) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    xcb_disconnect(x);
    if (peak < 0)
        Fail("no peak memory for the program");
    std::printf("%lld %ld\n", static_cast<long long>(startUs), peak);
    return 0;
}
