#include "tools/virtualmouse/MouseGatt.h"

#include <systemd/sd-bus.h>

#include <cstring>
#include <ctime>
#include <poll.h>

namespace kestrin::vmouse {
namespace {

constexpr const char* kCharacteristic = "org.bluez.GattCharacteristic1";

MouseGatt& GattOf(void* userdata) { return *static_cast<MouseGatt*>(userdata); }

int GetNotifying(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply,
    void* userdata, sd_bus_error*)
{
    return sd_bus_message_append(reply, "b", GattOf(userdata).notifying ? 1 : 0);
}

int GetOwner(sd_bus*, const char*, const char*, const char* property, sd_bus_message* reply,
    void* userdata, sd_bus_error*)
{
    const MouseGatt& gatt = GattOf(userdata);
    return sd_bus_message_append(reply, "o",
        std::strcmp(property, "Device") == 0 ? gatt.devicePath.c_str() : gatt.servicePath.c_str());
}

int GetUuid(sd_bus*, const char* path, const char*, const char*, sd_bus_message* reply,
    void* userdata, sd_bus_error*)
{
    const MouseGatt& gatt = GattOf(userdata);
    const char* uuid = gatt.writePath == path ? "0000fee3-0000-1000-8000-00805f9b34fb"
        : gatt.notifyPath == path             ? "0000fee4-0000-1000-8000-00805f9b34fb"
                                              : "0000fee0-0000-1000-8000-00805f9b34fb";
    return sd_bus_message_append(reply, "s", uuid);
}

int GetFlags(sd_bus*, const char* path, const char*, const char*, sd_bus_message* reply,
    void* userdata, sd_bus_error*)
{
    return sd_bus_message_append(
        reply, "as", 1, GattOf(userdata).writePath == path ? "write" : "notify");
}

int GetValue(sd_bus*, const char* path, const char*, const char*, sd_bus_message* reply,
    void* userdata, sd_bus_error*)
{
    const MouseGatt& gatt = GattOf(userdata);
    return sd_bus_message_append_array(reply, 'y', gatt.lastValue, gatt.notifyPath == path ? 4 : 0);
}

// The "offset" of a write's options; 0 when absent.
int ReadOffset(sd_bus_message* message, uint16_t& offset)
{
    offset = 0;
    int r = sd_bus_message_enter_container(message, 'a', "{sv}");
    if (r < 0)
        return r;
    while ((r = sd_bus_message_enter_container(message, 'e', "sv")) > 0) {
        const char* key = nullptr;
        if ((r = sd_bus_message_read(message, "s", &key)) < 0)
            return r;
        if (std::strcmp(key, "offset") == 0)
            r = sd_bus_message_read(message, "v", "q", &offset);
        else
            r = sd_bus_message_skip(message, "v");
        if (r < 0 || (r = sd_bus_message_exit_container(message)) < 0)
            return r;
    }
    return r < 0 ? r : sd_bus_message_exit_container(message);
}

int WriteValue(sd_bus_message* message, void* userdata, sd_bus_error* error)
{
    const void* data = nullptr;
    size_t size = 0;
    int r = sd_bus_message_read_array(message, 'y', &data, &size);
    if (r < 0)
        return r;
    uint16_t offset = 0;
    if ((r = ReadOffset(message, offset)) < 0)
        return r;
    MouseGatt& gatt = GattOf(userdata);
    if (!gatt.connected)
        return sd_bus_error_set(error, "org.bluez.Error.NotConnected", "not connected");
    // The mouse takes each report whole, in one write.
    if (offset != 0)
        return sd_bus_error_set(error, "org.bluez.Error.InvalidOffset", "a report comes whole");
    const std::span bytes(static_cast<const uint8_t*>(data), size);
    if (!gatt.mouse.Write(Link::Ble, bytes))
        return sd_bus_error_set(error, "org.bluez.Error.Failed", "the mouse did not take it");
    return sd_bus_reply_method_return(message, "");
}

int SetNotifying(sd_bus_message* message, void* userdata, sd_bus_error* error, bool on)
{
    MouseGatt& gatt = GattOf(userdata);
    if (on && !gatt.connected)
        return sd_bus_error_set(error, "org.bluez.Error.NotConnected", "not connected");
    gatt.notifying = on;
    sd_bus_emit_properties_changed(sd_bus_message_get_bus(message), gatt.notifyPath.c_str(),
        kCharacteristic, "Notifying", nullptr);
    return sd_bus_reply_method_return(message, "");
}

int StartNotify(sd_bus_message* message, void* userdata, sd_bus_error* error)
{
    return SetNotifying(message, userdata, error, true);
}

int StopNotify(sd_bus_message* message, void* userdata, sd_bus_error* error)
{
    return SetNotifying(message, userdata, error, false);
}

constexpr uint64_t kConst = SD_BUS_VTABLE_PROPERTY_CONST;
constexpr uint64_t kChanges = SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE;

const sd_bus_vtable kService[] = {SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("UUID", "s", GetUuid, 0, kConst),
    SD_BUS_PROPERTY("Device", "o", GetOwner, 0, kConst),
    SD_BUS_PROPERTY("Primary", "b", GetTrueProperty, 0, kConst), SD_BUS_VTABLE_END};

const sd_bus_vtable kWriteCharacteristic[] = {SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("UUID", "s", GetUuid, 0, kConst),
    SD_BUS_PROPERTY("Service", "o", GetOwner, 0, kConst),
    SD_BUS_PROPERTY("Flags", "as", GetFlags, 0, kConst),
    SD_BUS_PROPERTY("Value", "ay", GetValue, 0, kChanges),
    SD_BUS_METHOD("WriteValue", "aya{sv}", "", WriteValue, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END};

const sd_bus_vtable kNotifyCharacteristic[] = {SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("UUID", "s", GetUuid, 0, kConst),
    SD_BUS_PROPERTY("Service", "o", GetOwner, 0, kConst),
    SD_BUS_PROPERTY("Flags", "as", GetFlags, 0, kConst),
    SD_BUS_PROPERTY("Value", "ay", GetValue, 0, kChanges),
    SD_BUS_PROPERTY("Notifying", "b", GetNotifying, 0, kChanges),
    SD_BUS_METHOD("StartNotify", "", "", StartNotify, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("StopNotify", "", "", StopNotify, SD_BUS_VTABLE_UNPRIVILEGED), SD_BUS_VTABLE_END};

} // namespace

int GetTrueProperty(
    sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*)
{
    return sd_bus_message_append(reply, "b", 1);
}

MouseGatt::MouseGatt(VirtualMouse& m, std::string service, std::string device)
    : mouse(m), servicePath(service), writePath(service + "/char0011"),
      notifyPath(service + "/char0013"), devicePath(std::move(device))
{
}

MouseGatt::~MouseGatt()
{
    for (sd_bus_slot*& slot : slots_)
        slot = sd_bus_slot_unref(slot);
    if (bus_)
        sd_bus_flush_close_unref(bus_);
}

int MouseGatt::PublishService()
{
    int r = sd_bus_add_object_vtable(
        bus_, &slots_[0], servicePath.c_str(), "org.bluez.GattService1", kService, this);
    if (r >= 0)
        r = sd_bus_add_object_vtable(
            bus_, &slots_[1], writePath.c_str(), kCharacteristic, kWriteCharacteristic, this);
    if (r >= 0)
        r = sd_bus_add_object_vtable(
            bus_, &slots_[2], notifyPath.c_str(), kCharacteristic, kNotifyCharacteristic, this);
    return r;
}

int MouseGatt::Fd() const { return sd_bus_get_fd(bus_); }

short MouseGatt::Events() const
{
    const int events = sd_bus_get_events(bus_);
    return static_cast<short>(events < 0 ? POLLIN : events);
}

int MouseGatt::TimeoutMs() const
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

void MouseGatt::Process()
{
    while (sd_bus_process(bus_, nullptr) > 0) { }
}

void MouseGatt::Notify(uint16_t code, uint16_t value)
{
    if (!connected || !notifying)
        return;
    const uint8_t bytes[4] = {
        uint8_t(code), uint8_t(code >> 8), uint8_t(value), uint8_t(value >> 8)};
    std::memcpy(lastValue, bytes, sizeof bytes);
    sd_bus_emit_properties_changed(bus_, notifyPath.c_str(), kCharacteristic, "Value", nullptr);
    sd_bus_flush(bus_);
}

} // namespace kestrin::vmouse
