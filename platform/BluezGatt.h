#pragma once

#include "base/GattBus.h"

#include <functional>
#include <memory>
#include <string>

namespace kestrin {

class BluezWatcher;

// The GATT interface over BlueZ on the system bus (DBUS_SYSTEM_BUS_ADDRESS, when set, names
// another bus). It reads org.bluez's objects without waiting and then follows their changes, so
// every question but a write is answered from what BlueZ last told; a write waits for the
// device's answer and belongs off the UI thread. Notifications and notices arrive on the thread
// that made the object (the UI thread). When bluetoothd or the bus goes away, every usable
// device is told gone, and BlueZ's objects are read again once it is back.
class BluezGatt final : public GattBus {
public:
    BluezGatt();
    ~BluezGatt() override;

    // A device that looks like the mouse (its modalias names a vendor and a product) became
    // usable (connected, services resolved) or stopped being so, as a device interface name
    // in the form of the service interfaces' (without the service).
    using Notice = std::function<void(bool arrived, const std::string& interfaceName)>;
    void SetNoticeHandler(Notice notice);
    // True once BlueZ's objects have been read (or the bus said there is no BlueZ).
    bool Ready() const;

    std::vector<std::string> ServiceInterfaces() override;
    std::vector<GattCharacteristic> Characteristics(const std::string& interfaceName) override;
    bool Write(const GattCharacteristic& characteristic, std::span<const uint8_t> value) override;
    uint64_t Subscribe(const GattCharacteristic& characteristic, ValueChanged changed) override;
    bool Unsubscribe(uint64_t handle) override;
    std::vector<BluetoothDevice> Devices() override;
    void SetCharacteristicsAdded(std::function<void()> added) override;

private:
    std::unique_ptr<BluezWatcher> watcher_;
};

// A device's interface name as the service interfaces carry it: "\\?\BTHLEDevice#{<service>}
// _Dev_VID&<source><vvvv>_PID&<pppp>_REV&<rrrr>_<address>#<path>", vendor, product and
// revision from a modalias "usb:v045Ep0040d0001" (source 02) or "bluetooth:v…" (source 01).
// Empty when the modalias is neither.
std::string ComposeBleInterfaceName(const std::string& modalias, const std::string& address,
    const std::string& serviceUuid, const std::string& path);

} // namespace kestrin
