#pragma once

#include "tools/virtualmouse/VirtualMouse.h"

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>

struct sd_bus;
struct sd_bus_slot;

namespace kestrin::vmouse {

// The mouse's Bluetooth side, shaped as BlueZ shows a connected LE device: a private D-Bus bus
// of its own (a dbus-daemon it starts and ends) on which it owns org.bluez with an adapter, the
// mouse (its modalias names vendor 045E and product 0040), its GATT service and the write
// (0xFEE3) and notify (0xFEE4) characteristics. Writes go to the mouse, checked and logged as
// on the other links; its events go out as notifications while the program listens. Single
// threaded: the owner polls Fd() and calls Process().
class BluezPeer final {
public:
    // Nothing (and the reason) when the bus cannot be started.
    static std::unique_ptr<BluezPeer> Start(VirtualMouse& mouse, std::string* error);
    ~BluezPeer();
    BluezPeer(const BluezPeer&) = delete;
    BluezPeer& operator=(const BluezPeer&) = delete;

    // The private bus, for DBUS_SYSTEM_BUS_ADDRESS.
    const std::string& Address() const { return address_; }

    int Fd() const;
    short Events() const;
    // Milliseconds until the bus wants Process() without a wake-up, -1 for never.
    int TimeoutMs() const;
    void Process();

    // The device's Connected and ServicesResolved follow the Bluetooth link.
    void SetConnected(bool connected);
    // An event of the mouse over Bluetooth: a notification, when the program listens.
    void Notify(uint16_t code, uint16_t value);

    // The D-Bus callbacks' view of the peer.
    VirtualMouse& mouse;
    bool connected = false;
    bool notifying = false;
    uint8_t lastValue[4] = {};

private:
    explicit BluezPeer(VirtualMouse& m) : mouse(m) { }

    std::string address_;
    pid_t daemon_ = -1;
    sd_bus* bus_ = nullptr;
    sd_bus_slot* slots_[6] = {};
};

} // namespace kestrin::vmouse
