#pragma once

#include "base/MessagePost.h"
#include "device/DriverLibraries.h"
#include "device/LinkState.h"
#include "protocol/DeviceEvent.h"
#include "protocol/LinkKind.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace kestrin {

// What a battery report leaves on show.
struct BatteryReading {
    bool charging = false;
    std::optional<int> percent; // nothing: the level on show stays as it is
};

// What shows the links, and the few things only their owner can do. Called on the thread that
// drives DeviceLinks.
class DeviceLinkView {
public:
    virtual void ShowWired(bool up) = 0;
    virtual void ShowWireless(bool up) = 0;
    virtual void ShowBluetooth(bool up) = 0;
    virtual void ShowSleepLabel(bool asleep) = 0;
    // Shown while the cable or the awake receiver mouse takes the report rate; hidden when
    // only Bluetooth reaches the mouse, which takes none.
    virtual void ShowReportRateTab(bool shown) = 0;
    virtual void ShowChangesUntaken(bool untaken) = 0;
    // The cable in: the charging sweep from its start; out: no battery on show.
    virtual void ShowCableCharging(bool plugged) = 0;
    virtual void ShowBattery(const BatteryReading& reading) = 0;
    // One-shot timers by id (TIMER_CABLE_ARRIVAL, TIMER_RECEIVER_ARRIVAL,
    // TIMER_RECEIVER_WATCHDOG, TIMER_BLE_REGISTER); their expiry comes back through
    // OnArrivalSettled and OnReceiverWatchdog.
    virtual void SetTimer(uintptr_t id, int ms) = 0;
    virtual void KillTimer(uintptr_t id) = 0;
    // AnyLinkConnected changed.
    virtual void LinkChanged() = 0;
    // The cable settled while Bluetooth was up: the Bluetooth transport goes down.
    virtual void CableTookOverFromBluetooth() = 0;
    // The cable went while Bluetooth was down: the Bluetooth transport comes up (SetBlePresent)
    // when the stack still has the mouse connected, as it tells only of changes.
    virtual void ResumeBluetooth() = 0;
    // The mouse is back after missing a change: another apply should go out.
    virtual void ResendUntaken() = 0;

protected:
    ~DeviceLinkView() = default;
};

// The cable, receiver and Bluetooth links and every link word: opening the driver libraries,
// arrival and removal, the receiver watchdog, what the mouse's battery reports say of the links
// and of the battery, and what the mouse has not taken yet. Not thread-safe: one thread drives
// it, while the worker reads the link words.
//
// An arrival is taken after the device has had `settleMs` to settle, timed by the view; a
// second arrival of the same link meanwhile is dropped, and a removal cancels it.
class DeviceLinks final {
public:
    DeviceLinks(LinkState& links, DeviceLinkView& view);

    DriverLibraries& Libraries() { return libraries_; }
    const DriverLibraries& Libraries() const { return libraries_; }

    // Loads both libraries from `programFolder` (ending with '/'), has them post to `window`,
    // opens the cable and the receiver, then asks `probeBle`, when given, whether the Bluetooth
    // mouse is there.
    void Open(const std::string& programFolder, KestrinWindow window,
        const std::function<bool()>& probeBle);
    // Kills the arrival timers; the libraries are closed by their owner.
    void StopArrivals();

    void OnArrival(LinkKind link);
    void OnRemoval(LinkKind link);
    // The arrival timer's expiry: the device has settled and is opened.
    void OnArrivalSettled(LinkKind link);
    void OnReceiverWatchdog();
    void OnBatteryStatus(const BatteryStatus& status, LinkKind source);
    void OnWriteAcknowledged(bool accepted) { links_.WriteAcknowledged = accepted ? 1 : 0; }
    void SetBlePresent(bool present);

    void SetChangesUntaken(bool untaken);
    bool ChangesUntaken() const { return changesUntaken_; }

    void RestartWatchdog();
    void StopWatchdog();
    void UpdateReportRateTab();

    void SetArrivalSettleMs(int ms) { arrivalSettleMs_ = ms; }

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
    // A battery report over the cable or the receiver: the mouse is awake. True when the cable
    // is connected, which charges the mouse.
    bool OnCableOrReceiverBattery(LinkKind source);
    void ShowLink(const Link& link, bool up);
    // Whether the mouse is reachable at all changes only when no other link is up.
    void ReachabilityMayHaveChanged(const Link& changed, bool up);
    void ResendIfUntaken();

    LinkState& links_;
    DeviceLinkView& view_;
    DriverLibraries libraries_;
    Link cable_;
    Link receiver_;
    bool changesUntaken_ = false;
    int arrivalSettleMs_ = 1000;
};

} // namespace kestrin
