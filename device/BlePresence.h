#pragma once

#include <cstdint>

struct hid_device_info;

namespace kestrin {

// The ids the mouse's Bluetooth face gives.
inline constexpr uint16_t kBleVendorId = 0x045E;
inline constexpr uint16_t kBleProductId = 0x0040;

// True when hidapi lists the Bluetooth mouse (045E:0040 on the Bluetooth bus).
bool BleMouseListedByHidapi();

// Whether an enumeration holds the Bluetooth mouse: the same ids belong to a common USB wired
// mouse, which is no Bluetooth link.
bool ListsBleMouse(const hid_device_info* devices);

} // namespace kestrin
