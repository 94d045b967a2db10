#pragma once

#include "tools/virtualmouse/VirtualMouse.h"

#include <systemd/sd-bus.h>

#include <cstdint>
#include <string>

namespace kestrin::vmouse {

// An sd-bus property getter for a boolean that is always true.
int GetTrueProperty(sd_bus*, const char* path, const char* interface, const char* property,
    sd_bus_message* reply, void* userdata, sd_bus_error* error);

// The mouse's Bluetooth side on a D-Bus bus (sd-bus): its GATT service 0xFEE0 with the write
// (0xFEE3) and notify (0xFEE4) characteristics as org.bluez GattService1 and
// GattCharacteristic1 objects. BlueZ shows a connected device's service in this shape, and takes
// a peripheral application's in the same shape, so one set of objects serves the BlueZ-shaped
// bus and the real BlueZ alike. Writes go to the mouse, checked and logged as on the other
// links; its events go out as notifications while someone listens. Single threaded: the owner
// polls Fd() and calls Process().
class MouseGatt {
public:
    virtual ~MouseGatt();
    MouseGatt(const MouseGatt&) = delete;
    MouseGatt& operator=(const MouseGatt&) = delete;

    int Fd() const;
    short Events() const;
    // Milliseconds until the bus wants Process() without a wake-up, -1 for never.
    int TimeoutMs() const;
    void Process();

    // The Bluetooth link comes up or goes down.
    virtual void SetConnected(bool connected) = 0;
    // A bus a program can be pointed at, where there is one of the mouse's own.
    virtual std::string BusAddress() const { return {}; }
    // An event of the mouse over Bluetooth: a notification, when someone listens.
    void Notify(uint16_t code, uint16_t value);

    // The D-Bus callbacks' view of the mouse.
    VirtualMouse& mouse;
    bool connected = false;
    bool notifying = false;
    uint8_t lastValue[4] = {};
    const std::string servicePath;
    const std::string writePath;
    const std::string notifyPath;
    const std::string devicePath; // the service's Device

protected:
    MouseGatt(VirtualMouse& m, std::string service, std::string device);
    // Adds the service and its characteristics to bus_; a negative errno on failure.
    int PublishService();

    sd_bus* bus_ = nullptr;

private:
    sd_bus_slot* slots_[3] = {};
};

} // namespace kestrin::vmouse
