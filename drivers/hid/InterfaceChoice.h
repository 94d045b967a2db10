#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kestrin::hid {

// One top-level collection of one hidraw node of the device, as enumeration lists them: a
// node with several collections appears once per collection.
struct HidCandidate {
    std::string path; // the hidraw node, "/dev/hidrawN"
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    int interfaceNumber = -1; // USB interface; -1 where there is none (Bluetooth, uhid)
};

// The node that carries the mouse's vendor reports (its feature reports, and the input
// reports that bring its events), chosen in this order:
//   1. the first node with a collection on a vendor-defined usage page (0xFF00..0xFFFF): the
//      protocol's reports are vendor-defined, and this holds on every bus;
//   2. else the node with the highest interface number among those with a collection that is
//      not the boot mouse, pointer or keyboard (vendor interfaces follow the boot ones);
//   3. else the node with the highest interface number.
// Ties go to the earlier candidate. Bus type and interface number alone never decide: a
// device created from user space has bus 0 and interface -1 in enumeration.
std::optional<std::string> ChooseVendorInterface(std::span<const HidCandidate> candidates);

// One candidate per top-level collection of a node's report descriptor.
std::vector<HidCandidate> CandidatesFromDescriptor(
    const std::string& path, std::span<const uint8_t> descriptor, int interfaceNumber);

} // namespace kestrin::hid
