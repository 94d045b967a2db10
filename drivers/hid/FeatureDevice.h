#pragma once

#include <cstdint>
#include <mutex>

struct hid_device_;

namespace kestrin::hid {

// The device's vendor node, opened through hidapi for feature reports. Thread-safe: a write
// and a close never overlap, so a close waits for a write in progress (the kernel gives an
// unanswered write up after a few seconds).
class FeatureDevice final {
public:
    FeatureDevice() = default;
    FeatureDevice(const FeatureDevice&) = delete;
    FeatureDevice& operator=(const FeatureDevice&) = delete;
    // Closes the device and lets hidapi free what it keeps; the library is being unloaded.
    ~FeatureDevice();

    // Closes what was open and opens the device's vendor node anew (a replugged device has a
    // new node). False when the device is absent or cannot be opened.
    bool Open(uint16_t vendor, uint16_t product);
    void Close();
    // One report, byte 0 its report id. True when the kernel took it.
    bool Write(const uint8_t* report, int length);

private:
    std::mutex mutex_;
    hid_device_* device_ = nullptr;
};

} // namespace kestrin::hid
