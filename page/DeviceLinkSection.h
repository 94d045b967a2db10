#pragma once

#include "device/DriverLibraries.h"
#include "device/LinkState.h"
#include "page/BatteryDisplay.h"
#include "page/FooterStatus.h"
#include "protocol/LinkKind.h"
#include "ui/PageWindow.h"

#include <cstdint>
#include <functional>
#include <string>

namespace kestrin {

// The ids the mouse's Bluetooth face gives.
inline constexpr uint16_t kBleVendorId = 0x045E;
inline constexpr uint16_t kBleProductId = 0x0040;

// The driver libraries' messages as the main window hands them on: an event's code in the high
// half and its value in the low half, or kLinkStateCode over 1 for an arrival, 2 for a removal.
inline constexpr uint32_t kLinkStateCode = 0x7F00;
constexpr uint32_t LinkEventMessage(uintptr_t code, intptr_t value)
{
    return uint32_t(code << 16) | uint32_t(value & 0xFFFF);
}
// `present` as the libraries post it: 1 arrived, 0 removed.
constexpr uint32_t LinkStateMessage(uintptr_t present)
{
    return LinkEventMessage(kLinkStateCode, present == 0 ? 2 : present == 1 ? 1 : 0);
}

// The cable and receiver links of the device page and every link word the page keeps: opening
// the links at start-up, following their arrival and removal, the receiver watchdog, what the
// mouse's reports say of its links, and what shows which link is in use (the link icons, the
// sleep label, the report-rate tab). Both links take the same path; only what shows a link
// differs.
//
// An arrival is taken after the device has had a second to settle. That second is a one-shot
// main-window timer, not a sleep, so the window keeps painting and answering meanwhile; a
// second arrival of the same link in that second is dropped, and a removal cancels it.
class DeviceLinkSection final {
public:
    using EventHandler = std::function<void(uint16_t code, uint16_t value, LinkKind source)>;
    using BleSwitch = std::function<void(int connected)>;

    DeviceLinkSection(
        LinkState& links, const PageWindow& window, BatteryDisplay& battery, FooterStatus& footer);

    void SetEventHandler(EventHandler handler) { onEvent_ = std::move(handler); }
    void SetBleSwitch(BleSwitch bleSwitch) { setBleConnected_ = std::move(bleSwitch); }
    DriverLibraries& Libraries() { return libraries_; }

    // Loads both libraries from `programFolder` (ending with '/'), opens the cable and the
    // receiver, looks for the Bluetooth mouse, and posts WM_LINK_CHANGED.
    void Open(const std::string& programFolder);
    // Stops the apply in progress and the worker, then closes and frees both libraries.
    void Close(ApplyEngine& engine, DeviceWorker& worker);

    // A driver library's message (LinkEventMessage, LinkStateMessage) from the cable or the
    // receiver.
    void OnMessage(LinkKind link, uint32_t value);
    // The arrival timer's expiry: the device has settled and is opened.
    void OnArrivalSettled(LinkKind link);
    void OnReceiverWatchdog();
    // A battery report over the cable or the receiver: the mouse is awake. True when the cable
    // is connected, which charges the mouse.
    bool OnBatteryReport();
    void OnWriteAcknowledged(bool accepted) { links_.WriteAcknowledged = accepted ? 1 : 0; }
    // Whether some change has not reached the mouse: the footer says so, and once the mouse is
    // back (the cable settles, the receiver's mouse wakes) `resend` asks for another apply.
    void SetChangesUntaken(bool untaken);
    bool ChangesUntaken() const { return changesUntaken_; }
    void SetResendRequest(std::function<void()> resend) { resend_ = std::move(resend); }
    // The Bluetooth link's words and labels as it comes up or goes down; the transport is the
    // page's.
    void SetBlePresent(bool present);

    void RestartWatchdog() const;
    void StopWatchdog() const;
    void UpdateReportRateTab() const;

    // How long an arriving device is given to settle; tests shorten it.
    void SetArrivalSettleMs(int ms) { arrivalSettleMs_ = ms; }
    // Whether the Bluetooth mouse is present at start-up; tests replace the hidapi look-up.
    void SetBlePresenceProbe(std::function<bool()> probe) { probeBle_ = std::move(probe); }

private:
    struct Link {
        LinkKind kind;
        std::atomic<int32_t>& state;
        DriverLibrary& library;
        int vendorId;
        int productId;
        uint32_t eventMessage;
        uint32_t stateMessage;
        uintptr_t arrivalTimer;
        bool arrivalPending = false;
    };

    Link& LinkOf(LinkKind kind) { return kind == LinkKind::Cable ? cable_ : receiver_; }
    const Link& Other(const Link& link) const { return &link == &cable_ ? receiver_ : cable_; }
    void Arrived(Link& link);
    void Removed(Link& link);
    // What shows that `link` is up or down, beside its link word.
    void ShowLink(const Link& link, bool up);
    // Whether the mouse is reachable at all changes only when no other link is up.
    void ReachabilityMayHaveChanged(const Link& changed, bool up);
    void ShowWireless(bool visible) const;
    void ShowSleepLabel(bool visible) const;
    void ResendIfUntaken() const;

    LinkState& links_;
    const PageWindow& window_;
    FooterStatus& footer_;
    BatteryDisplay& battery_;
    DriverLibraries libraries_;
    Link cable_;
    Link receiver_;
    EventHandler onEvent_;
    BleSwitch setBleConnected_;
    std::function<bool()> probeBle_;
    std::function<void()> resend_;
    bool changesUntaken_ = false;
    int arrivalSettleMs_ = 1000;
};

// True when hidapi lists the Bluetooth mouse (045E:0040).
bool BleMouseListedByHidapi();

} // namespace kestrin
