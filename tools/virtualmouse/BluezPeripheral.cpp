#include "tools/virtualmouse/BluezPeripheral.h"

#include <systemd/sd-bus.h>

#include <cstdio>
#include <cstring>

namespace kestrin::vmouse {
namespace {

constexpr const char* kBluez = "org.bluez";

int GetText(sd_bus*, const char*, const char*, const char* property, sd_bus_message* reply, void*,
    sd_bus_error*)
{
    return sd_bus_message_append(
        reply, "s", std::strcmp(property, "Type") == 0 ? "peripheral" : "Virtual mouse");
}

int GetServiceUuids(
    sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*)
{
    return sd_bus_message_append(reply, "as", 1, "0000fee0-0000-1000-8000-00805f9b34fb");
}

int GetAppearance(
    sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*)
{
    return sd_bus_message_append(reply, "q", uint16_t{0x03C2}); // a mouse
}

int Release(sd_bus_message* message, void*, sd_bus_error*)
{
    return sd_bus_reply_method_return(message, "");
}

constexpr uint64_t kConst = SD_BUS_VTABLE_PROPERTY_CONST;

const sd_bus_vtable kAdvertisement[] = {SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("Type", "s", GetText, 0, kConst),
    SD_BUS_PROPERTY("LocalName", "s", GetText, 0, kConst),
    SD_BUS_PROPERTY("ServiceUUIDs", "as", GetServiceUuids, 0, kConst),
    SD_BUS_PROPERTY("Appearance", "q", GetAppearance, 0, kConst),
    SD_BUS_METHOD("Release", "", "", Release, SD_BUS_VTABLE_UNPRIVILEGED), SD_BUS_VTABLE_END};

// Tells on standard error what BlueZ refused; `what` names the call.
int OnRegistered(sd_bus_message* reply, void* what, sd_bus_error*)
{
    if (const sd_bus_error* error = sd_bus_message_get_error(reply))
        std::fprintf(stderr, "virtual mouse: BlueZ refused %s: %s: %s\n",
            static_cast<const char*>(what), error->name, error->message);
    return 0;
}

std::string AdapterPath(const std::string& adapter)
{
    return adapter.starts_with('/') ? adapter : "/org/bluez/" + adapter;
}

} // namespace

std::unique_ptr<BluezPeripheral> BluezPeripheral::Start(
    VirtualMouse& mouse, const std::string& adapter, std::string* error)
{
    std::unique_ptr<BluezPeripheral> peripheral(new BluezPeripheral(mouse, AdapterPath(adapter)));
    const auto failed = [&](const char* what, int r) {
        if (error)
            *error = std::string(what) + ": " + std::strerror(-r);
        return nullptr;
    };
    sd_bus*& bus = peripheral->bus_;
    int r = sd_bus_open_system(&bus);
    if (r < 0)
        return failed("cannot join the system bus", r);
    if ((r = sd_bus_add_object_manager(bus, &peripheral->slots_[0], kApplicationPath)) < 0 ||
        (r = peripheral->PublishService()) < 0 ||
        (r = sd_bus_add_object_vtable(bus, &peripheral->slots_[1], kAdvertisementPath,
             "org.bluez.LEAdvertisement1", kAdvertisement, nullptr)) < 0)
        return failed("cannot publish the mouse", r);
    // BlueZ reads the application back while it registers it: the answer is awaited in
    // Process(), never here.
    r = sd_bus_call_method_async(bus, nullptr, kBluez, peripheral->adapter_.c_str(),
        "org.bluez.GattManager1", "RegisterApplication", OnRegistered,
        const_cast<char*>("the GATT application"), "oa{sv}", kApplicationPath, 0);
    if (r < 0)
        return failed("cannot register the GATT application", r);
    return peripheral;
}

BluezPeripheral::BluezPeripheral(VirtualMouse& m, std::string adapter)
    : MouseGatt(m, std::string(kApplicationPath) + "/service0010", adapter),
      adapter_(std::move(adapter))
{
}

BluezPeripheral::~BluezPeripheral()
{
    for (sd_bus_slot*& slot : slots_)
        slot = sd_bus_slot_unref(slot);
}

void BluezPeripheral::SetConnected(bool now)
{
    if (connected == now)
        return;
    connected = now;
    if (now) {
        sd_bus_call_method_async(bus_, nullptr, kBluez, adapter_.c_str(),
            "org.bluez.LEAdvertisingManager1", "RegisterAdvertisement", OnRegistered,
            const_cast<char*>("the advertisement"), "oa{sv}", kAdvertisementPath, 0);
    } else {
        notifying = false;
        sd_bus_call_method_async(bus_, nullptr, kBluez, adapter_.c_str(),
            "org.bluez.LEAdvertisingManager1", "UnregisterAdvertisement", nullptr, nullptr, "o",
            kAdvertisementPath);
        DisconnectAll();
    }
    sd_bus_flush(bus_);
}

void BluezPeripheral::DisconnectAll()
{
    // Every device object of the adapter is asked; those not connected say so, unheard.
    const auto onObjects = [](sd_bus_message* reply, void* userdata, sd_bus_error*) -> int {
        const auto& self = *static_cast<BluezPeripheral*>(userdata);
        if (sd_bus_message_is_method_error(reply, nullptr) ||
            sd_bus_message_enter_container(reply, 'a', "{oa{sa{sv}}}") < 0)
            return 0;
        const std::string prefix = self.adapter_ + "/dev_";
        while (sd_bus_message_enter_container(reply, 'e', "oa{sa{sv}}") > 0) {
            const char* path = nullptr;
            if (sd_bus_message_read(reply, "o", &path) < 0 ||
                sd_bus_message_skip(reply, "a{sa{sv}}") < 0)
                return 0;
            const std::string object = path;
            if (object.starts_with(prefix) && object.find('/', prefix.size()) == std::string::npos)
                sd_bus_call_method_async(sd_bus_message_get_bus(reply), nullptr, kBluez, path,
                    "org.bluez.Device1", "Disconnect", nullptr, nullptr, "");
            sd_bus_message_exit_container(reply);
        }
        return 0;
    };
    sd_bus_call_method_async(bus_, nullptr, kBluez, "/", "org.freedesktop.DBus.ObjectManager",
        "GetManagedObjects", onObjects, this, "");
}

} // namespace kestrin::vmouse
