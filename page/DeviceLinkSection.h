#pragma once

#include "device/DriverLibraries.h"
#include "device/LinkState.h"
#include "page/BatteryDisplay.h"
#include "protocol/LinkKind.h"
#include "ui/PageWindow.h"

#include <cstdint>
#include <functional>
#include <string>

namespace kestrin {

// The cable and receiver links of the device page: opening them at start-up, following their
// arrival and removal, the receiver watchdog, and what shows which link is in use (the link
// icons, the sleep label, the report-rate tab).
//
// An arrival is taken after the device has had a second to settle. That second is a one-shot
// main-window timer, not a sleep, so the window keeps painting and answering meanwhile; a
// second arrival of the same link in that second is dropped, and a removal cancels it.
class DeviceLinkSection final {
public:
    using EventHandler = std::function<void(uint16_t code, uint16_t value, LinkKind source)>;
    using BleSwitch = std::function<void(int connected)>;

    DeviceLinkSection(LinkState& links, const PageWindow& window, BatteryDisplay& battery);

    void SetEventHandler(EventHandler handler) { onEvent_ = std::move(handler); }
    void SetBleSwitch(BleSwitch bleSwitch) { setBleConnected_ = std::move(bleSwitch); }
    DriverLibraries& Libraries() { return libraries_; }

    // Loads both libraries from `programFolder` (ending with '/'), opens the cable and the
    // receiver, looks for the Bluetooth mouse, and posts WM_LINK_CHANGED.
    void Open(const std::string& programFolder);
    // Stops the apply in progress and the worker, then closes and frees both libraries.
    void Close(ApplyEngine& engine, DeviceWorker& worker);

    // The driver libraries' messages as the main window packs them.
    void OnReceiverMessage(uint32_t value);
    void OnCableMessage(uint32_t value);
    // The arrival timers' expiry: the device has settled and is opened.
    void OnCableArrivalSettled();
    void OnReceiverArrivalSettled();
    void OnReceiverWatchdog();

    void RestartWatchdog() const;
    void StopWatchdog() const;
    void UpdateReportRateTab() const;
    // "ms_1_wireless": the receiver's mouse is there.
    void ShowWireless(bool visible) const;
    void ShowSleepLabel(bool visible) const;

    // How long an arriving device is given to settle; tests shorten it.
    void SetArrivalSettleMs(int ms) { arrivalSettleMs_ = ms; }
    // Whether the Bluetooth mouse is present at start-up; tests replace the hidapi look-up.
    void SetBlePresenceProbe(std::function<bool()> probe) { probeBle_ = std::move(probe); }

private:
    void CableArrived();
    void CableRemoved();
    void ReceiverArrived();
    void ReceiverRemoved();
    void LinkCameUp(const std::atomic<int32_t>& otherLink);
    void LinkWentDown(const std::atomic<int32_t>& otherLink);

    LinkState& links_;
    const PageWindow& window_;
    BatteryDisplay& battery_;
    DriverLibraries libraries_;
    EventHandler onEvent_;
    BleSwitch setBleConnected_;
    std::function<bool()> probeBle_;
    int arrivalSettleMs_ = 1000;
    bool cableArrivalPending_ = false;
    bool receiverArrivalPending_ = false;
};

// True when hidapi lists the Bluetooth mouse (045E:0040).
bool BleMouseListedByHidapi();

} // namespace kestrin
