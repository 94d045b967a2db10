#pragma once

#include "tools/virtualmouse/MouseGatt.h"

#include <memory>
#include <string>

namespace kestrin::vmouse {

// The mouse's Bluetooth side as a peripheral of the system's own BlueZ (the system bus, or
// DBUS_SYSTEM_BUS_ADDRESS): its GATT service is registered on one adapter as an application
// (GattManager1) and, while the link is up, the adapter advertises it as a connectable mouse
// (LEAdvertisingManager1), so a central connects to it over a real controller. Taking the link
// down stops the advertising and disconnects every device connected to the adapter.
class BluezPeripheral final : public MouseGatt {
public:
    // `adapter` is an adapter's object path or its name ("hci0"). Nothing (and the reason) when
    // the system bus cannot be reached; what BlueZ later refuses goes to standard error.
    static std::unique_ptr<BluezPeripheral> Start(
        VirtualMouse& mouse, const std::string& adapter, std::string* error);
    ~BluezPeripheral() override;

    void SetConnected(bool connected) override;

    // The object paths of the application and the advertisement.
    static constexpr const char* kApplicationPath = "/kestrin/mouse";
    static constexpr const char* kAdvertisementPath = "/kestrin/advertisement";

private:
    BluezPeripheral(VirtualMouse& m, std::string adapter);
    void DisconnectAll();

    const std::string adapter_;
    sd_bus_slot* slots_[2] = {};
};

} // namespace kestrin::vmouse
