// kestrin-virtual-mouse: starts the emulated mouse of a program folder and drives it from a
// terminal or a test, so that Kestrin can be tried and tested without the hardware.
#include "base/Folders.h"
#include "tools/virtualmouse/VirtualMouseServer.h"
#include "tools/virtualmouse/Wire.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

using namespace kestrin::vmouse;

namespace {

constexpr const char* kUsage = R"(usage: kestrin-virtual-mouse [--folder DIR] COMMAND [ARGS]

Runs the emulated mouse that the virtual driver libraries in a program folder talk to, and
drives it. DIR defaults to this tool's own folder.

  start [--plug LINK[,LINK...]] [--ack on|off|refuse] [--battery PERCENT]
        [--status-interval MS] [--bluetooth | --bluez ADAPTER] [--ble-bus ADDRESS]
        [--background]
                       start the mouse (in the foreground unless --background); with
                       --bluetooth (or ble plugged) it also serves its Bluetooth side: a
                       BlueZ-shaped service on a private D-Bus bus of its own, listening
                       at ADDRESS when given (unix:path=FILE), so that a mouse started
                       again serves the same bus; with --bluez it is instead a peripheral
                       of the system's BlueZ on that adapter (hci0), advertising while ble
                       is plugged
  plug LINK            connect a link: cable, receiver or ble
  unplug LINK          disconnect it
  dpi STAGE|cycle      press the DPI button: to stage 1..8, or to the next enabled stage
  rate MS              change the report rate on the mouse: 1, 2, 4 or 8 ms
  lighting MODE        change the lighting mode on the mouse: 0..7
  battery PERCENT [charging|full]
                       set the battery and report it now
  event CODE VALUE     send any event, both 16-bit hex (e.g. event 6010 0001)
  ack on|off|refuse    how the mouse answers writes through the receiver
  sleep | wake         put the wireless mouse to sleep, or wake it
  write LINK HEX       write one report or packet as a driver library would
  ble-bus              print the address of that bus: give it to the program as
                       DBUS_SYSTEM_BUS_ADDRESS and it finds the mouse there
  state                print what the mouse has taken from the program
  log                  print every write it received, with its verdict
  clear-log            forget the log
  stop                 end the mouse

Examples:
  kestrin-virtual-mouse start --plug cable --background
  kestrin-virtual-mouse dpi 4
  kestrin-virtual-mouse unplug cable
  kestrin-virtual-mouse start --plug ble --background
  DBUS_SYSTEM_BUS_ADDRESS=$(kestrin-virtual-mouse ble-bus) ./kestrin
)";

VirtualMouseServer* g_server = nullptr;

void OnSignal(int)
{
    if (g_server)
        g_server->Stop();
}

int Fail(const std::string& message)
{
    std::fprintf(stderr, "kestrin-virtual-mouse: %s\n", message.c_str());
    return 1;
}

int Start(const std::string& socketName, const std::vector<std::string>& args)
{
    ServerOptions options;
    bool background = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--background") {
            background = true;
        } else if (arg == "--bluetooth") {
            options.bluetooth = true;
        } else if (arg == "--ble-bus" && hasValue) {
            options.bleBusAddress = args[++i];
        } else if (arg == "--bluez" && hasValue) {
            options.bluezAdapter = args[++i];
        } else if (arg == "--plug" && hasValue) {
            std::string list = args[++i];
            for (std::size_t at = 0; at <= list.size();) {
                const std::size_t comma = std::min(list.find(',', at), list.size());
                const auto link = ParseLink(list.substr(at, comma - at));
                if (!link)
                    return Fail("unknown link '" + list.substr(at, comma - at) +
                        "' (cable, receiver or ble)");
                options.plugged.push_back(*link);
                at = comma + 1;
            }
        } else if (arg == "--ack" && hasValue) {
            const std::string mode = args[++i];
            if (mode == "on")
                options.ackMode = AckMode::On;
            else if (mode == "off")
                options.ackMode = AckMode::Off;
            else if (mode == "refuse")
                options.ackMode = AckMode::Refuse;
            else
                return Fail("--ack takes on, off or refuse");
        } else if (arg == "--battery" && hasValue) {
            options.batteryPercent = std::atoi(args[++i].c_str());
        } else if (arg == "--status-interval" && hasValue) {
            options.statusInterval = std::chrono::milliseconds(std::atoi(args[++i].c_str()));
        } else {
            return Fail("start: unknown option '" + arg + "'\n" + kUsage);
        }
    }

    VirtualMouseServer server(socketName, options);
    std::string error;
    if (!server.Listen(&error))
        return Fail(error);
    if (background) {
        // The socket is bound before the fork, so the parent returns only when it is usable.
        const pid_t child = ::fork();
        if (child < 0)
            return Fail(std::string("cannot fork: ") + std::strerror(errno));
        if (child > 0) {
            std::printf("%d\n", static_cast<int>(child));
            std::fflush(stdout);
            return 0;
        }
        ::setsid();
        // Let go of the caller's terminal and pipes: a script waiting on our output must not
        // wait for the mouse to end.
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            ::dup2(null, STDIN_FILENO);
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
            if (null > STDERR_FILENO)
                ::close(null);
        }
    }
    g_server = &server;
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGPIPE, SIG_IGN);
    server.Run();
    g_server = nullptr;
    return 0;
}

// `stop` returns once the mouse no longer answers, so that a script may start the next one
// (or find none) straight after it.
void WaitUntilGone(const std::string& socketName)
{
    for (int tries = 0; tries < 300; ++tries) {
        const int fd = ConnectTo(socketName);
        if (fd < 0)
            return;
        ::close(fd);
        ::usleep(10 * 1000);
    }
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string folder = kestrin::GetProgramFolder();
    if (args.size() >= 2 && args[0] == "--folder") {
        folder = args[1];
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        std::fputs(kUsage, args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    const std::string socketName = SocketName(folder);
    if (args[0] == "start")
        return Start(socketName, std::vector<std::string>(args.begin() + 1, args.end()));

    const int fd = ConnectTo(socketName);
    if (fd < 0)
        return Fail("no virtual mouse serves " + folder +
            "; start one with: kestrin-virtual-mouse start --plug cable --background");
    std::string request;
    for (const std::string& arg : args)
        request += (request.empty() ? "" : " ") + arg;
    LineReader reader(fd);
    std::vector<std::string> data;
    std::string error;
    const bool ok = Exchange(fd, reader, request, data, &error);
    ::close(fd);
    for (const std::string& line : data)
        std::printf("%s\n", line.c_str());
    if (ok && args[0] == "stop")
        WaitUntilGone(socketName);
    return ok ? 0 : Fail(error);
}
