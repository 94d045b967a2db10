#pragma once

#include "base/GattBus.h"

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace kestrin::test {

// A Bluetooth stack with devices, their service interfaces and characteristics, that records
// what the transport does.
class FakeGattBus final : public GattBus {
public:
    struct Service {
        std::string name;
        std::vector<GattCharacteristic> characteristics;
        bool takesWrites = true;
    };
    std::vector<Service> services;
    std::vector<BluetoothDevice> devices;
    std::vector<std::string> written; // "characteristic of service: byte count"
    std::vector<std::vector<uint8_t>> writtenBytes;
    std::mutex writes; // the worker writes while a test reads
    std::map<uint64_t, ValueChanged> subscribed;
    std::vector<uint64_t> unsubscribed;
    uint64_t nextHandle = 1;
    std::function<void()> characteristicsAdded;

    // A service interface of the mouse at `address` with both characteristics.
    void AddMouse(const std::string& address, const std::string& vendor = "VID&02045e")
    {
        const std::string name = "\\\\?\\BTHLEDevice#{0000fee0-0000-1000-8000-00805f9b34fb}_Dev_" +
            vendor + "_PID&0040_REV&0001_" + address + "#/org/bluez/hci0/service" +
            std::to_string(services.size());
        services.push_back({name,
            {{name + "/char1", 0x0000FEE3, true, false}, {name + "/char2", 0x0000FEE4, false, true},
                {name + "/char3", 0x0000FEE5, true, true}}});
    }

    std::vector<std::string> ServiceInterfaces() override
    {
        std::vector<std::string> names;
        for (const Service& s : services)
            names.push_back(s.name);
        return names;
    }
    std::vector<GattCharacteristic> Characteristics(const std::string& name) override
    {
        for (const Service& s : services)
            if (s.name == name)
                return s.characteristics;
        return {};
    }
    bool Write(const GattCharacteristic& c, std::span<const uint8_t> value) override
    {
        std::lock_guard lock(writes);
        for (const Service& s : services)
            if (c.path.starts_with(s.name) && !s.takesWrites)
                return false;
        writtenBytes.emplace_back(value.begin(), value.end());
        written.push_back(c.path.substr(c.path.rfind('/') + 1) + " of " +
            c.path.substr(c.path.rfind("service"), 8) + ": " + std::to_string(value.size()));
        return true;
    }
    uint64_t Subscribe(const GattCharacteristic&, ValueChanged changed) override
    {
        subscribed[nextHandle] = std::move(changed);
        return nextHandle++;
    }
    bool Unsubscribe(uint64_t handle) override
    {
        unsubscribed.push_back(handle);
        return subscribed.erase(handle) == 1;
    }
    std::vector<BluetoothDevice> Devices() override { return devices; }
    void SetCharacteristicsAdded(std::function<void()> added) override
    {
        characteristicsAdded = std::move(added);
    }
    std::vector<std::vector<uint8_t>> WrittenBytes()
    {
        std::lock_guard lock(writes);
        return writtenBytes;
    }
};

} // namespace kestrin::test
