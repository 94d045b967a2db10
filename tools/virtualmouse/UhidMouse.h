#pragma once

#include "tools/virtualmouse/VirtualMouse.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <thread>
#include <vector>

// The virtual mouse presented to a Linux kernel through /dev/uhid: one HID device per wired
// link (cable 1D57:FA61, receiver 1D57:FA60), so that hidraw, the HID core and the real driver
// libraries see it as they would see the mouse. Every feature write goes to the same
// VirtualMouse (same checks, same log) and is answered; the mouse's events leave as input
// reports of the vendor collection.
namespace kestrin::vmouse {

// The report descriptor of each device: a boot-style pointer collection (input report 1) first,
// then the vendor collection with the event input report and the protocol's feature reports.
inline constexpr uint8_t kUhidPointerReportId = 0x01;
inline constexpr uint8_t kUhidEventReportId = 0x10;
std::span<const uint8_t> UhidReportDescriptor();

class UhidMouse final {
public:
    // Opens /dev/uhid once per link; nullptr with the reason in `error` when it cannot.
    static std::unique_ptr<UhidMouse> Open(std::string& error);
    ~UhidMouse();
    UhidMouse(const UhidMouse&) = delete;
    UhidMouse& operator=(const UhidMouse&) = delete;

    // Creates (plug) or destroys (unplug) the link's HID device. Ble is not served here.
    bool Plug(Link link);
    bool Unplug(Link link);

    // Any input report on the link's device, as the mouse would send it (tests use it to send
    // reports that are not events, such as pointer motion).
    bool SendInput(Link link, std::span<const uint8_t> report);

    VirtualMouse& Mouse() { return mouse_; }

private:
    UhidMouse();
    void Serve();
    void TakeRequest(int index);
    void SendEvent(Link link, uint16_t code, uint16_t value);

    VirtualMouse mouse_;
    int fds_[2] = {-1, -1}; // cable, receiver
    int wakeFd_ = -1;
    std::thread thread_;
};

} // namespace kestrin::vmouse
