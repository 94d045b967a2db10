#pragma once

#include <cstdint>

namespace kestrin {

// The ids the mouse's Bluetooth face gives.
inline constexpr uint16_t kBleVendorId = 0x045E;
inline constexpr uint16_t kBleProductId = 0x0040;

// True when hidapi lists the Bluetooth mouse (045E:0040).
bool BleMouseListedByHidapi();

} // namespace kestrin
