#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace kestrin {

// One characteristic of a GATT service, as the Bluetooth transport looks at it.
struct GattCharacteristic {
    std::string path;    // the stack's own name for it
    uint32_t uuid32 = 0; // the first 32-bit word of its UUID: 0x0000FEE3 for 0000fee3-…
    bool writable = false;
    bool notifiable = false;
};

// A Bluetooth device the stack knows.
struct BluetoothDevice {
    bool connected = false;
    std::string friendlyName;
    std::string hardwareId; // "BTHLE\Dev_aabbccddeeff": the address after the first "_"
    bool servicesResolved = false;
};

// The system's Bluetooth LE GATT interface as the transport uses it. Names are composed the way
// the transport's filters read them: a GATT service interface of a device is
// "\\?\BTHLEDevice#{<service uuid>}_Dev_VID&02<vvvv>_PID&<pppp>_REV&<rrrr>_<address>#<path>",
// the vendor and product from the device's modalias, the address in lower-case hex without
// separators. Every call but Write answers at once from what the stack last told; Write may
// wait for the device and is called off the UI thread.
class GattBus {
public:
    using ValueChanged = std::function<void(std::span<const uint8_t> value)>;

    virtual ~GattBus() = default;

    // The present GATT service interfaces, one per service of a connected device.
    virtual std::vector<std::string> ServiceInterfaces() = 0;
    // The characteristics of the interface's service; none when it is gone.
    virtual std::vector<GattCharacteristic> Characteristics(const std::string& interfaceName) = 0;
    // One write of the whole value, with a response; true when the device took it.
    virtual bool Write(
        const GattCharacteristic& characteristic, std::span<const uint8_t> value) = 0;
    // Notifications of the characteristic's value, delivered on the UI thread. A handle other
    // than 0 while subscribed.
    virtual uint64_t Subscribe(const GattCharacteristic& characteristic, ValueChanged changed) = 0;
    // True when the subscription was there and is gone.
    virtual bool Unsubscribe(uint64_t handle) = 0;
    // The Bluetooth devices the stack knows, connected or not.
    virtual std::vector<BluetoothDevice> Devices() = 0;
    // Called on the UI thread whenever characteristics appeared (the stack's objects were read,
    // or a device's services resolved); an empty function ends the calls.
    virtual void SetCharacteristicsAdded(std::function<void()> added) = 0;
};

} // namespace kestrin
