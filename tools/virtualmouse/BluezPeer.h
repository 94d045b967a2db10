#pragma once

#include "tools/virtualmouse/MouseGatt.h"

#include <sys/types.h>

#include <memory>
#include <string>

namespace kestrin::vmouse {

// The mouse's Bluetooth side, shaped as BlueZ shows a connected LE device: a private D-Bus bus
// of its own (a dbus-daemon it starts and ends) on which it owns org.bluez with an adapter, the
// mouse (its modalias names vendor 045E and product 0040) and its GATT service.
class BluezPeer final : public MouseGatt {
public:
    // Nothing (and the reason) when the bus cannot be started. The bus listens at `listen` when
    // given (a D-Bus address), so that a mouse started again serves the same bus.
    static std::unique_ptr<BluezPeer> Start(
        VirtualMouse& mouse, const std::string& listen, std::string* error);
    ~BluezPeer() override;

    // The private bus, for DBUS_SYSTEM_BUS_ADDRESS.
    std::string BusAddress() const override { return address_; }
    // The device's Connected and ServicesResolved follow the Bluetooth link.
    void SetConnected(bool connected) override;

private:
    explicit BluezPeer(VirtualMouse& m);

    std::string address_;
    pid_t daemon_ = -1;
    sd_bus_slot* slots_[3] = {};
};

} // namespace kestrin::vmouse
