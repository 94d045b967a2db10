#pragma once

#include "tools/virtualmouse/VirtualMouse.h"

#include <atomic>
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

// How a link shows itself: one HID device whose descriptor holds a pointer collection and the
// vendor collection, or two, as a USB mouse with a boot interface and a vendor interface does:
// a pointer device without report ids and a device with the vendor collection alone.
enum class UhidNodes : uint8_t { Combined, Separate };

// The vendor collection holds the event input report and the protocol's feature reports; in
// the combined descriptor a pointer collection (input report 1) comes before it.
inline constexpr uint8_t kUhidPointerReportId = 0x01;
inline constexpr uint8_t kUhidEventReportId = 0x10;
std::span<const uint8_t> UhidReportDescriptor(); // combined
std::span<const uint8_t> UhidVendorDescriptor();
std::span<const uint8_t> UhidPointerDescriptor();

class UhidMouse final {
public:
    // Opens /dev/uhid once per link; nullptr with the reason in `error` when it cannot.
    static std::unique_ptr<UhidMouse> Open(std::string& error);
    ~UhidMouse();
    UhidMouse(const UhidMouse&) = delete;
    UhidMouse& operator=(const UhidMouse&) = delete;

    // Creates (plug) or destroys (unplug) the link's HID devices. Ble is not served here.
    bool Plug(Link link, UhidNodes nodes = UhidNodes::Combined);
    bool Unplug(Link link);

    // Any input report on the link's vendor device, as the mouse would send it.
    bool SendInput(Link link, std::span<const uint8_t> report);
    // Pointer motion, on whichever device carries the pointer; never an event.
    bool SendPointer(Link link, uint8_t buttons, int8_t dx, int8_t dy);

    VirtualMouse& Mouse() { return mouse_; }

private:
    UhidMouse();
    void Serve();
    void TakeRequest(int fd, Link link, bool vendor);
    void SendEvent(Link link, uint16_t code, uint16_t value);
    static bool Create(int fd, Link link, std::span<const uint8_t> descriptor);

    VirtualMouse mouse_;
    int fds_[2] = {-1, -1};        // the vendor device of the cable, the receiver
    int pointerFds_[2] = {-1, -1}; // their separate pointer devices
    std::atomic<bool> separate_[2] = {false, false};
    int wakeFd_ = -1;
    std::thread thread_;
};

} // namespace kestrin::vmouse
