#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kestrin::hid {

// Bus, vendor and product of a HID device as the kernel names it.
struct HidIdentity {
    uint16_t bus = 0;
    uint16_t vendor = 0;
    uint16_t product = 0;
};

// The HID_ID property of a device of the "hid" subsystem: "0003:00001D57:0000FA61"
// (bus, vendor, product in hex). Nothing for any other text.
std::optional<HidIdentity> ParseHidIdProperty(std::string_view value);

// The kernel's name of a HID device, "0003:1D57:FA61.000A", as the last component of a HID
// device path or the one before "/hidraw/hidrawN" in a hidraw node's device path. Used where
// the device is already gone from sysfs and its properties cannot be read (a removal).
std::optional<HidIdentity> HidIdentityFromDevpath(std::string_view devpath);

// Whether a device with this identity is the one asked for. The bus is not compared: the same
// mouse is USB behind its cable, and a HID device created from user space reports whatever bus
// its creator chose.
constexpr bool SameDevice(const HidIdentity& identity, uint16_t vendor, uint16_t product)
{
    return identity.vendor == vendor && identity.product == product;
}

} // namespace kestrin::hid
