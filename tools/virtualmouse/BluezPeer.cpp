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
constexpr const char* kWritePath = "/org/bluez/hci0/dev_CA_FE_00_00_00_40/service0010/char0011";
constexpr const char* kNotifyPath = "/org/bluez/hci0/dev_CA_FE_00_00_00_40/service0010/char0013";
constexpr const char* kCharacteristic = "org.bluez.GattCharacteristic1";
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

int GetTrue(
    sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*)
{
    return sd_bus_message_append(reply, "b", 1);
}

int GetConnected(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply,
    void* userdata, sd_bus_error*)
{
    return sd_bus_message_append(reply, "b", PeerOf(userdata).connected ? 1 : 0);
}

int GetNotifying(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply,
    void* userdata, sd_bus_error*)
{
    return sd_bus_message_append(reply, "b", PeerOf(userdata).notifying ? 1 : 0);
}

int GetObject(sd_bus*, const char*, const char*, const char* property, sd_bus_message* reply, void*,
    sd_bus_error*)
{
    if (std::strcmp(property, "Adapter") == 0)
        return sd_bus_message_append(reply, "o", kAdapterPath);
    if (std::strcmp(property, "Device") == 0)
        return sd_bus_message_append(reply, "o", kDevicePath);
    return sd_bus_message_append(reply, "o", kServicePath);
}

int GetUuid(sd_bus*, const char* path, const char*, const char*, sd_bus_message* reply, void*,
    sd_bus_error*)
{
    const char* uuid = std::strcmp(path, kWritePath) == 0 ? "0000fee3-0000-1000-8000-00805f9b34fb"
        : std::strcmp(path, kNotifyPath) == 0             ? "0000fee4-0000-1000-8000-00805f9b34fb"
                                                          : "0000fee0-0000-1000-8000-00805f9b34fb";
    return sd_bus_message_append(reply, "s", uuid);
}

int GetFlags(sd_bus*, const char* path, const char*, const char*, sd_bus_message* reply, void*,
    sd_bus_error*)
{
    return sd_bus_message_append(
        reply, "as", 1, std::strcmp(path, kWritePath) == 0 ? "write" : "notify");
}

int GetValue(sd_bus*, const char* path, const char*, const char*, sd_bus_message* reply,
    void* userdata, sd_bus_error*)
{
    const BluezPeer& peer = PeerOf(userdata);
    const bool notify = std::strcmp(path, kNotifyPath) == 0;
    return sd_bus_message_append_array(reply, 'y', peer.lastValue, notify ? 4 : 0);
}

int WriteValue(sd_bus_message* message, void* userdata, sd_bus_error* error)
{
    const void* data = nullptr;
    size_t size = 0;
    int r = sd_bus_message_read_array(message, 'y', &data, &size);
    if (r < 0)
        return r;
    if ((r = sd_bus_message_skip(message, "a{sv}")) < 0)
        return r;
    BluezPeer& peer = PeerOf(userdata);
    if (!peer.connected)
        return sd_bus_error_set(error, "org.bluez.Error.NotConnected", "not connected");
    const std::span bytes(static_cast<const uint8_t*>(data), size);
    if (!peer.mouse.Write(Link::Ble, bytes))
        return sd_bus_error_set(error, "org.bluez.Error.Failed", "the mouse did not take it");
    return sd_bus_reply_method_return(message, "");
}

int StartNotify(sd_bus_message* message, void* userdata, sd_bus_error* error)
{
    BluezPeer& peer = PeerOf(userdata);
    if (!peer.connected)
        return sd_bus_error_set(error, "org.bluez.Error.NotConnected", "not connected");
    peer.notifying = true;
    sd_bus_emit_properties_changed(
        sd_bus_message_get_bus(message), kNotifyPath, kCharacteristic, "Notifying", nullptr);
    return sd_bus_reply_method_return(message, "");
}

int StopNotify(sd_bus_message* message, void* userdata, sd_bus_error*)
{
    PeerOf(userdata).notifying = false;
    sd_bus_emit_properties_changed(
        sd_bus_message_get_bus(message), kNotifyPath, kCharacteristic, "Notifying", nullptr);
    return sd_bus_reply_method_return(message, "");
}

constexpr uint64_t kConst = SD_BUS_VTABLE_PROPERTY_CONST;
constexpr uint64_t kChanges = SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE;

const sd_bus_vtable kAdapter[] = {SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("Address", "s", GetText, 0, kConst),
    SD_BUS_PROPERTY("Powered", "b", GetTrue, 0, kConst), SD_BUS_VTABLE_END};

const sd_bus_vtable kDevice[] = {SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("Address", "s", GetText, 0, kConst),
    SD_BUS_PROPERTY("Alias", "s", GetText, 0, kConst),
    SD_BUS_PROPERTY("Name", "s", GetText, 0, kConst),
    SD_BUS_PROPERTY("Modalias", "s", GetText, 0, kConst),
    SD_BUS_PROPERTY("Adapter", "o", GetObject, 0, kConst),
    SD_BUS_PROPERTY("Paired", "b", GetTrue, 0, kConst),
    SD_BUS_PROPERTY("Connected", "b", GetConnected, 0, kChanges),
    SD_BUS_PROPERTY("ServicesResolved", "b", GetConnected, 0, kChanges), SD_BUS_VTABLE_END};

const sd_bus_vtable kService[] = {SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("UUID", "s", GetUuid, 0, kConst),
    SD_BUS_PROPERTY("Device", "o", GetObject, 0, kConst),
    SD_BUS_PROPERTY("Primary", "b", GetTrue, 0, kConst), SD_BUS_VTABLE_END};

const sd_bus_vtable kWriteCharacteristic[] = {SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("UUID", "s", GetUuid, 0, kConst),
    SD_BUS_PROPERTY("Service", "o", GetObject, 0, kConst),
    SD_BUS_PROPERTY("Flags", "as", GetFlags, 0, kConst),
    SD_BUS_PROPERTY("Value", "ay", GetValue, 0, kChanges),
    SD_BUS_METHOD("WriteValue", "aya{sv}", "", WriteValue, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END};

const sd_bus_vtable kNotifyCharacteristic[] = {SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("UUID", "s", GetUuid, 0, kConst),
    SD_BUS_PROPERTY("Service", "o", GetObject, 0, kConst),
    SD_BUS_PROPERTY("Flags", "as", GetFlags, 0, kConst),
    SD_BUS_PROPERTY("Value", "ay", GetValue, 0, kChanges),
    SD_BUS_PROPERTY("Notifying", "b", GetNotifying, 0, kChanges),
    SD_BUS_METHOD("StartNotify", "", "", StartNotify, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("StopNotify", "", "", StopNotify, SD_BUS_VTABLE_UNPRIVILEGED), SD_BUS_VTABLE_END};

// Starts `dbus-daemon --session` and reads the address it prints; -1 on failure.
pid_t StartDaemon(std::string& address, std::string* error)
{
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        if (error)
            *error = std::string("no pipe: ") + std::strerror(errno);
        return -1;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipeFds[1], 3); // dup2 clears close-on-exec on the copy
        ::execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork", "--nopidfile",
            "--print-address=3", static_cast<char*>(nullptr));
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

std::unique_ptr<BluezPeer> BluezPeer::Start(VirtualMouse& mouse, std::string* error)
{
    std::unique_ptr<BluezPeer> peer(new BluezPeer(mouse));
    peer->daemon_ = StartDaemon(peer->address_, error);
    if (peer->daemon_ < 0)
        return nullptr;
    const auto failed = [&](const char* what, int r) {
        if (error)
            *error = std::string(what) + ": " + std::strerror(-r);
        return nullptr;
    };
    int r = sd_bus_new(&peer->bus_);
    if (r < 0)
        return failed("sd_bus_new", r);
    if ((r = sd_bus_set_address(peer->bus_, peer->address_.c_str())) < 0 ||
        (r = sd_bus_set_bus_client(peer->bus_, 1)) < 0 || (r = sd_bus_start(peer->bus_)) < 0)
        return failed("cannot join the private bus", r);
    void* self = peer.get();
    if ((r = sd_bus_add_object_manager(peer->bus_, &peer->slots_[0], "/")) < 0 ||
        (r = sd_bus_add_object_vtable(peer->bus_, &peer->slots_[1], kAdapterPath,
             "org.bluez.Adapter1", kAdapter, self)) < 0 ||
        (r = sd_bus_add_object_vtable(
             peer->bus_, &peer->slots_[2], kDevicePath, "org.bluez.Device1", kDevice, self)) < 0 ||
        (r = sd_bus_add_object_vtable(peer->bus_, &peer->slots_[3], kServicePath,
             "org.bluez.GattService1", kService, self)) < 0 ||
        (r = sd_bus_add_object_vtable(peer->bus_, &peer->slots_[4], kWritePath, kCharacteristic,
             kWriteCharacteristic, self)) < 0 ||
        (r = sd_bus_add_object_vtable(peer->bus_, &peer->slots_[5], kNotifyPath, kCharacteristic,
             kNotifyCharacteristic, self)) < 0)
        return failed("cannot publish the mouse", r);
    if ((r = sd_bus_request_name(peer->bus_, "org.bluez", 0)) < 0)
        return failed("cannot own org.bluez", r);
    return peer;
}

BluezPeer::~BluezPeer()
{
    for (sd_bus_slot*& slot : slots_)
        slot = sd_bus_slot_unref(slot);
    if (bus_)
        sd_bus_flush_close_unref(bus_);
    if (daemon_ > 0) {
        ::kill(daemon_, SIGTERM);
        ::waitpid(daemon_, nullptr, 0);
    }
}

int BluezPeer::Fd() const { return sd_bus_get_fd(bus_); }

short BluezPeer::Events() const
{
    const int events = sd_bus_get_events(bus_);
    return static_cast<short>(events < 0 ? POLLIN : events);
}

int BluezPeer::TimeoutMs() const
{
    uint64_t usec = 0;
    if (sd_bus_get_timeout(bus_, &usec) < 0 || usec == UINT64_MAX)
        return -1;
    // An absolute CLOCK_MONOTONIC time; 0 means now.
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const uint64_t nowUsec = uint64_t(now.tv_sec) * 1000000 + uint64_t(now.tv_nsec) / 1000;
    return usec <= nowUsec ? 0 : static_cast<int>((usec - nowUsec + 999) / 1000);
}

void BluezPeer::Process()
{
    while (sd_bus_process(bus_, nullptr) > 0) { }
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

void BluezPeer::Notify(uint16_t code, uint16_t value)
{
    if (!connected || !notifying)
        return;
    const uint8_t bytes[4] = {
        uint8_t(code), uint8_t(code >> 8), uint8_t(value), uint8_t(value >> 8)};
    std::memcpy(lastValue, bytes, sizeof bytes);
    sd_bus_emit_properties_changed(bus_, kNotifyPath, kCharacteristic, "Value", nullptr);
    sd_bus_flush(bus_);
}

} // namespace kestrin::vmouse
