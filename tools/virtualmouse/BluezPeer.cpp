#include "tools/virtualmouse/BluezPeer.h"

#include <systemd/sd-bus.h>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kestrin::vmouse {
namespace {

constexpr const char* kAdapterPath = "/org/bluez/hci0";
constexpr const char* kDevicePath = "/org/bluez/hci0/dev_CA_FE_00_00_00_40";
constexpr const char* kServicePath = "/org/bluez/hci0/dev_CA_FE_00_00_00_40/service0010";
constexpr int kDaemonStartMs = 10000;

BluezPeer& PeerOf(void* userdata) { return *static_cast<BluezPeer*>(userdata); }

// The fixed texts of the adapter and the device.
int GetText(sd_bus*, const char* path, const char*, const char* property, sd_bus_message* reply,
    void*, sd_bus_error*)
{
    struct Fixed {
        const char* name;
        const char* value;
    };
    static constexpr Fixed kTexts[] = {{"Address", nullptr}, {"Alias", "Virtual mouse"},
        {"Name", "Virtual mouse"}, {"Modalias", "usb:v045Ep0040d0001"}};
    for (const Fixed& text : kTexts)
        if (std::strcmp(text.name, property) == 0) {
            const char* value = text.value;
            if (!value) // the address of the adapter or the device
                value = std::strcmp(path, kAdapterPath) == 0 ? "00:AA:00:00:00:01"
                                                             : "CA:FE:00:00:00:40";
            return sd_bus_message_append(reply, "s", value);
        }
    return -ENOENT;
}

int GetConnected(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply,
    void* userdata, sd_bus_error*)
{
    return sd_bus_message_append(reply, "b", PeerOf(userdata).connected ? 1 : 0);
}

int GetAdapter(
    sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*)
{
    return sd_bus_message_append(reply, "o", kAdapterPath);
}

constexpr uint64_t kConst = SD_BUS_VTABLE_PROPERTY_CONST;
constexpr uint64_t kChanges = SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE;

const sd_bus_vtable kAdapter[] = {SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("Address", "s", GetText, 0, kConst),
    SD_BUS_PROPERTY("Powered", "b", GetTrueProperty, 0, kConst), SD_BUS_VTABLE_END};

const sd_bus_vtable kDevice[] = {SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("Address", "s", GetText, 0, kConst),
    SD_BUS_PROPERTY("Alias", "s", GetText, 0, kConst),
    SD_BUS_PROPERTY("Name", "s", GetText, 0, kConst),
    SD_BUS_PROPERTY("Modalias", "s", GetText, 0, kConst),
    SD_BUS_PROPERTY("Adapter", "o", GetAdapter, 0, kConst),
    SD_BUS_PROPERTY("Paired", "b", GetTrueProperty, 0, kConst),
    SD_BUS_PROPERTY("Connected", "b", GetConnected, 0, kChanges),
    SD_BUS_PROPERTY("ServicesResolved", "b", GetConnected, 0, kChanges), SD_BUS_VTABLE_END};

// Starts `dbus-daemon --session` (listening at `listen` when given) and reads the address it
// prints; -1 on failure.
pid_t StartDaemon(const std::string& listen, std::string& address, std::string* error)
{
    const std::string listenArg = "--address=" + listen;
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        if (error)
            *error = std::string("no pipe: ") + std::strerror(errno);
        return -1;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipeFds[1], 3); // dup2 clears close-on-exec on the copy
        if (listen.empty())
            ::execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork", "--nopidfile",
                "--print-address=3", static_cast<char*>(nullptr));
        else
            ::execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork", "--nopidfile",
                "--print-address=3", listenArg.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    if (pid < 0) {
        ::close(pipeFds[0]);
        if (error)
            *error = std::string("cannot start dbus-daemon: ") + std::strerror(errno);
        return -1;
    }
    std::string line;
    char c = 0;
    pollfd wait{pipeFds[0], POLLIN, 0};
    while (::poll(&wait, 1, kDaemonStartMs) > 0 && ::read(pipeFds[0], &c, 1) == 1 && c != '\n')
        line += c;
    ::close(pipeFds[0]);
    if (line.empty()) {
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
        if (error)
            *error = "dbus-daemon printed no address (is the dbus-daemon package installed?)";
        return -1;
    }
    address = line;
    return pid;
}

} // namespace

std::unique_ptr<BluezPeer> BluezPeer::Start(
    VirtualMouse& mouse, const std::string& listen, std::string* error)
{
    std::unique_ptr<BluezPeer> peer(new BluezPeer(mouse));
    peer->daemon_ = StartDaemon(listen, peer->address_, error);
    if (peer->daemon_ < 0)
        return nullptr;
    const auto failed = [&](const char* what, int r) {
        if (error)
            *error = std::string(what) + ": " + std::strerror(-r);
        return nullptr;
    };
    sd_bus*& bus = peer->bus_;
    int r = sd_bus_new(&bus);
    if (r < 0)
        return failed("sd_bus_new", r);
    if ((r = sd_bus_set_address(bus, peer->address_.c_str())) < 0 ||
        (r = sd_bus_set_bus_client(bus, 1)) < 0 || (r = sd_bus_start(bus)) < 0)
        return failed("cannot join the private bus", r);
    void* self = peer.get();
    if ((r = sd_bus_add_object_manager(bus, &peer->slots_[0], "/")) < 0 ||
        (r = sd_bus_add_object_vtable(
             bus, &peer->slots_[1], kAdapterPath, "org.bluez.Adapter1", kAdapter, self)) < 0 ||
        (r = sd_bus_add_object_vtable(
             bus, &peer->slots_[2], kDevicePath, "org.bluez.Device1", kDevice, self)) < 0 ||
        (r = peer->PublishService()) < 0)
        return failed("cannot publish the mouse", r);
    if ((r = sd_bus_request_name(bus, "org.bluez", 0)) < 0)
        return failed("cannot own org.bluez", r);
    return peer;
}

BluezPeer::BluezPeer(VirtualMouse& m) : MouseGatt(m, kServicePath, kDevicePath) { }

BluezPeer::~BluezPeer()
{
    for (sd_bus_slot*& slot : slots_)
        slot = sd_bus_slot_unref(slot);
    if (bus_)
        bus_ = sd_bus_flush_close_unref(bus_);
    if (daemon_ > 0) {
        ::kill(daemon_, SIGTERM);
        ::waitpid(daemon_, nullptr, 0);
    }
}

void BluezPeer::SetConnected(bool now)
{
    if (connected == now)
        return;
    connected = now;
    if (!now)
        notifying = false;
    sd_bus_emit_properties_changed(
        bus_, kDevicePath, "org.bluez.Device1", "Connected", "ServicesResolved", nullptr);
    sd_bus_flush(bus_);
}

} // namespace kestrin::vmouse
