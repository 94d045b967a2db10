#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kestrin {

struct UsbId {
    uint16_t vendor = 0;
    uint16_t product = 0;
};

// Whether one of these devices has a hidraw node that this user may not open: the mouse is
// plugged in and only the udev rule is missing. `sysClass` is sysfs's hidraw class folder,
// `devFolder` where the nodes are; `mayOpen` asks whether a node may be opened for reading and
// writing (tests stand in for the kernel's answer, which root always passes).
bool HidrawNodeDenied(const std::vector<UsbId>& devices,
    const std::string& sysClass = "/sys/class/hidraw", const std::string& devFolder = "/dev",
    const std::function<bool(const std::string&)>& mayOpen = {});

// The vendor and product of a hidraw node's uevent text ("HID_ID=0003:00001D57:0000FA60").
bool ParseHidId(const std::string& uevent, UsbId& id);

} // namespace kestrin
