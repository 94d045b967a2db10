#pragma once

#include "drivers/hid/HidIdentity.h"
#include "drivers/hid/InterfaceChoice.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct udev;
struct udev_device;

namespace kestrin::hid {

// One hidraw node of the device, read from sysfs through libudev.
struct HidrawNode {
    std::string syspath;
    std::string devnode; // "/dev/hidrawN"
    int interfaceNumber = -1;
    std::vector<uint8_t> descriptor;
};

// The identity of the HID device behind a hidraw node: its HID_ID property, else the name in
// its device path (all a removal still has).
std::optional<HidIdentity> IdentityOf(udev_device* hidraw);

// The device's hidraw nodes present now, in sysfs order.
std::vector<HidrawNode> ListNodes(udev* context, uint16_t vendor, uint16_t product);

// The node's report descriptor from sysfs; empty when it cannot be read.
std::vector<uint8_t> DescriptorOfDevnode(udev* context, const std::string& devnode);

// The candidates of a set of nodes: one per top-level collection, or one with no usage for a
// node whose descriptor names none.
std::vector<HidCandidate> CandidatesOf(const std::vector<HidrawNode>& nodes);

// Whether a udev daemon runs; without one only the kernel's own uevents arrive.
bool UdevDaemonRunning();

} // namespace kestrin::hid
