#include "tools/virtualmouse/VirtualMouseServer.h"

#include "tools/virtualmouse/BluezPeer.h"
#include "tools/virtualmouse/BluezPeripheral.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <poll.h>

#include <algorithm>
#include <sstream>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kestrin::vmouse {
namespace {

using Clock = std::chrono::steady_clock;

std::optional<int> ParseNumber(const std::string& text, int base = 10)
{
    const char* first = text.data();
    if (base == 16 && text.rfind("0x", 0) == 0)
        first += 2;
    int value = 0;
    const auto [end, error] = std::from_chars(first, text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size() || first == end)
        return std::nullopt;
    return value;
}

std::string Hex4(unsigned value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04x", value & 0xFFFF);
    return text;
}

const char* AckName(AckMode mode)
{
    switch (mode) {
    case AckMode::On:
        return "on";
    case AckMode::Off:
        return "off";
    case AckMode::Refuse:
        return "refuse";
    }
    return "?";
}

} // namespace

VirtualMouseServer::VirtualMouseServer(std::string socketName, ServerOptions options)
    : socketName_(std::move(socketName)), options_(std::move(options)),
      mouse_([this](Link link, uint16_t code, uint16_t value) {
          if (link == Link::Ble && bluetooth_)
              bluetooth_->Notify(code, value);
          Broadcast(link, "event " + Hex4(code) + " " + Hex4(value));
      })
{
    for (const Link link : options_.plugged)
        mouse_.SetPlugged(link, true);
    mouse_.SetAckMode(options_.ackMode);
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

VirtualMouseServer::~VirtualMouseServer()
{
    for (const auto& connection : connections_)
        ::close(connection->fd);
    if (listenFd_ >= 0)
        ::close(listenFd_);
    if (wakeFd_ >= 0)
        ::close(wakeFd_);
}

bool VirtualMouseServer::Listen(std::string* error)
{
    listenFd_ = ListenOn(socketName_);
    if (listenFd_ >= 0)
        return true;
    if (error)
        *error = errno == EADDRINUSE ? "a virtual mouse already serves this program folder"
                                     : std::string("cannot listen: ") + std::strerror(errno);
    return false;
}

void VirtualMouseServer::Stop()
{
    stopping_ = true;
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
}

void VirtualMouseServer::StartBluetooth()
{
    const bool plugged = std::ranges::find(options_.plugged, Link::Ble) != options_.plugged.end();
    if (!options_.bluezAdapter.empty())
        bluetooth_ = BluezPeripheral::Start(mouse_, options_.bluezAdapter, &bluetoothError_);
    else if (options_.bluetooth || plugged)
        bluetooth_ = BluezPeer::Start(mouse_, options_.bleBusAddress, &bluetoothError_);
    if (!bluetoothError_.empty())
        std::fprintf(stderr, "virtual mouse: no Bluetooth side: %s\n", bluetoothError_.c_str());
    if (bluetooth_)
        bluetooth_->SetConnected(mouse_.IsPlugged(Link::Ble));
}

void VirtualMouseServer::Run()
{
    // Here, not at construction: a server sent to the background starts its bus in the process
    // that serves it.
    StartBluetooth();
    auto nextStatus = Clock::now() + options_.statusInterval;
    while (!stopping_) {
        std::vector<pollfd> fds;
        fds.push_back({wakeFd_, POLLIN, 0});
        fds.push_back({listenFd_, POLLIN, 0});
        for (const auto& connection : connections_)
            fds.push_back({connection->fd, POLLIN, 0});
        if (bluetooth_)
            fds.push_back({bluetooth_->Fd(), bluetooth_->Events(), 0});

        int timeout = -1;
        if (options_.statusInterval.count() > 0) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(nextStatus - Clock::now());
            timeout = static_cast<int>(std::max<int64_t>(0, left.count()));
        }
        if (bluetooth_ && bluetooth_->TimeoutMs() >= 0)
            timeout =
                timeout < 0 ? bluetooth_->TimeoutMs() : std::min(timeout, bluetooth_->TimeoutMs());
        if (::poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR)
            break;
        if (stopping_)
            break;
        if (bluetooth_)
            bluetooth_->Process();

        if (options_.statusInterval.count() > 0 && Clock::now() >= nextStatus) {
            SendStatus();
            nextStatus = Clock::now() + options_.statusInterval;
        }
        if (fds[1].revents & POLLIN)
            Accept();
        // Connections accepted above are not in `fds`; they are polled next round.
        for (std::size_t i = 2; i < 2 + connections_.size() && i < fds.size(); ++i) {
            if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            Connection& connection = *connections_[i - 2];
            if (!Serve(connection)) {
                ::close(connection.fd);
                connection.fd = -1;
            }
        }
        std::erase_if(connections_, [](const auto& c) { return c->fd < 0; });
    }
}

void VirtualMouseServer::Accept()
{
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd >= 0)
        connections_.push_back(std::make_unique<Connection>(fd));
}

bool VirtualMouseServer::Serve(Connection& connection)
{
    // One read per wake-up, never waiting for the rest of a line: no client can stall the mouse.
    if (!connection.reader.FillOnce())
        return false;
    while (connection.reader.HasLine() && !stopping_)
        Handle(connection, *connection.reader.Next());
    return true;
}

void VirtualMouseServer::Broadcast(Link link, const std::string& line)
{
    for (const auto& connection : connections_)
        if (connection->fd >= 0 && connection->watching == link)
            SendLine(connection->fd, line);
}

void VirtualMouseServer::SendStatus()
{
    const std::optional<Link> link = mouse_.EventLink();
    if (!link)
        return;
    int status;
    if (*link == Link::Cable)
        status = options_.full ? 2 : 1; // on the cable it charges until full
    else
        status = options_.charging ? 3 : 0;
    mouse_.SendStatus(status, options_.batteryPercent);
}

std::vector<std::string> VirtualMouseServer::Describe() const
{
    std::vector<std::string> lines;
    std::string links = "links:";
    for (const Link link : kAllLinks)
        links += std::string(" ") + LinkName(link) +
            (mouse_.IsPlugged(link) ? "=plugged" : "=unplugged");
    lines.push_back(links);
    lines.push_back(std::string("asleep: ") + (mouse_.IsAsleep() ? "yes" : "no"));
    lines.push_back(std::string("acknowledgements: ") + AckName(options_.ackMode));
    lines.push_back("battery: " + std::to_string(options_.batteryPercent) + "%" +
        (options_.full              ? " full"
                : options_.charging ? " charging"
                                    : ""));
    std::istringstream state(DescribeState(mouse_.State()));
    for (std::string line; std::getline(state, line);)
        lines.push_back(line);
    return lines;
}

void VirtualMouseServer::Handle(Connection& connection, const std::string& line)
{
    const std::vector<std::string> words = SplitWords(line);
    const int fd = connection.fd;
    auto ok = [fd](const std::vector<std::string>& data = {}) {
        for (const std::string& d : data)
            SendLine(fd, d);
        SendLine(fd, "ok");
    };
    auto fail = [fd](const std::string& why) { SendLine(fd, "error " + why); };
    auto link = [&](std::size_t at) -> std::optional<Link> {
        return words.size() > at ? ParseLink(words[at]) : std::nullopt;
    };
    auto evented = [&](bool sent) {
        sent ? ok() : fail("no link can carry it: the mouse is unplugged or asleep");
    };

    if (words.empty())
        return fail("empty request");
    const std::string& command = words[0];

    if (command == "write" && words.size() == 3 && link(1)) {
        const auto bytes = ParseHex(words[2]);
        if (!bytes)
            return fail("the report is not hex");
        return ok({mouse_.Write(*link(1), *bytes) ? "1" : "0"});
    }
    if (command == "plugged" && link(1))
        return ok({mouse_.IsPlugged(*link(1)) ? "1" : "0"});
    if (command == "watch" && link(1)) {
        connection.watching = link(1);
        SendLine(fd, std::string("state ") + (mouse_.IsPlugged(*link(1)) ? "1" : "0"));
        return;
    }
    if ((command == "plug" || command == "unplug") && link(1)) {
        const bool plugged = command == "plug";
        if (mouse_.IsPlugged(*link(1)) != plugged) {
            mouse_.SetPlugged(*link(1), plugged);
            Broadcast(*link(1), std::string("state ") + (plugged ? "1" : "0"));
            if (*link(1) == Link::Ble && bluetooth_)
                bluetooth_->SetConnected(plugged);
        }
        return ok();
    }
    if (command == "sleep" || command == "wake") {
        mouse_.SetAsleep(command == "sleep");
        return ok();
    }
    if (command == "ack" && words.size() == 2) {
        if (words[1] == "on")
            options_.ackMode = AckMode::On;
        else if (words[1] == "off")
            options_.ackMode = AckMode::Off;
        else if (words[1] == "refuse")
            options_.ackMode = AckMode::Refuse;
        else
            return fail("ack takes on, off or refuse");
        mouse_.SetAckMode(options_.ackMode);
        return ok();
    }
    if (command == "dpi" && words.size() == 2) {
        if (words[1] == "cycle")
            return evented(mouse_.CycleDpiStage());
        const auto stage = ParseNumber(words[1]);
        if (!stage || *stage < 1 || *stage > 8)
            return fail("dpi takes a stage from 1 to 8, or cycle");
        return evented(mouse_.SelectDpiStage(*stage));
    }
    if (command == "rate" && words.size() == 2) {
        const auto ms = ParseNumber(words[1]);
        if (!ms || (*ms != 1 && *ms != 2 && *ms != 4 && *ms != 8))
            return fail("rate takes the polling interval in ms: 1, 2, 4 or 8");
        return evented(mouse_.SelectReportRate(*ms));
    }
    if (command == "lighting" && words.size() == 2) {
        const auto mode = ParseNumber(words[1]);
        if (!mode || *mode < 0 || *mode > 7)
            return fail("lighting takes a mode from 0 to 7");
        return evented(mouse_.SelectLightingMode(*mode));
    }
    if (command == "battery" && (words.size() == 2 || words.size() == 3)) {
        const auto percent = ParseNumber(words[1]);
        if (!percent || *percent < 0 || *percent > 255)
            return fail("battery takes a percent from 0 to 255");
        if (words.size() == 3 && words[2] != "charging" && words[2] != "full")
            return fail("battery's state is charging or full");
        options_.batteryPercent = *percent;
        options_.charging = words.size() == 3 && words[2] == "charging";
        options_.full = words.size() == 3 && words[2] == "full";
        if (!mouse_.EventLink())
            return fail("no link can carry it: the mouse is unplugged or asleep");
        SendStatus();
        return ok();
    }
    if (command == "event" && words.size() == 3) {
        const auto code = ParseNumber(words[1], 16);
        const auto value = ParseNumber(words[2], 16);
        if (!code || !value || *code > 0xFFFF || *value > 0xFFFF || *code < 0 || *value < 0)
            return fail("event takes a code and a value, 16-bit hex");
        return evented(
            mouse_.SendEvent(static_cast<uint16_t>(*code), static_cast<uint16_t>(*value)));
    }
    if (command == "ble-bus") {
        if (!bluetooth_)
            return fail("no Bluetooth side" +
                (bluetoothError_.empty() ? std::string(": start the mouse with --bluetooth")
                                         : ": " + bluetoothError_));
        if (bluetooth_->BusAddress().empty())
            return fail("the Bluetooth side is on the system's BlueZ");
        return ok({bluetooth_->BusAddress()});
    }
    if (command == "state")
        return ok(Describe());
    if (command == "log") {
        std::vector<std::string> lines;
        for (const LogEntry& entry : mouse_.Log())
            lines.push_back(FormatLogEntry(entry));
        return ok(lines);
    }
    if (command == "clear-log") {
        mouse_.ClearLog();
        return ok();
    }
    if (command == "stop") {
        ok();
        stopping_ = true;
        return;
    }
    fail("unknown request '" + line + "'");
}

} // namespace kestrin::vmouse
