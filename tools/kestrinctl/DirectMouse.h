#pragma once

#include "device/DeviceLinks.h"
#include "device/LinkState.h"
#include "protocol/DeviceEvent.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>

namespace kestrin::ctl {

// The mouse reached without the program: the driver libraries of the program folder, opened as
// the program opens them, with what the mouse tells kept here. One at a time per process (the
// libraries post to the one KestrinPostMessage this tool exports).
//
// Nothing is shown and no timer runs: a link that arrives now never settles, so it is left to
// the next command, and the receiver's mouse is not put to sleep while the tool waits.
class DirectMouse final : private DeviceLinkView {
public:
    explicit DirectMouse(const std::string& programFolder);
    ~DirectMouse();
    DirectMouse(const DirectMouse&) = delete;
    DirectMouse& operator=(const DirectMouse&) = delete;

    // False when neither driver library could be loaded; `LoadError` says why.
    bool LibrariesUsable() const;
    std::string LoadError() const;

    // Waits up to `timeout` for the mouse's first battery report; through the receiver that
    // report is also what shows the mouse awake and reachable.
    void WaitForBatteryReport(std::chrono::milliseconds timeout);

    LinkState& Links() { return links_; }
    LinkWriters Writers() const { return WritersFor(deviceLinks_.Libraries(), {}); }
    bool Cable() const { return links_.CableState.load() == kLinkConnected; }
    bool Receiver() const { return links_.ReceiverState.load() == kLinkConnected; }

    // As the window would show it.
    std::optional<BatteryReading> LastBattery() const;

    // A driver library's message (KestrinPostMessage), from its own thread.
    void OnMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);

private:
    void OnEvent(uint16_t code, uint16_t value, LinkKind source);

    void ShowWired(bool) override { }
    void ShowWireless(bool) override { }
    void ShowBluetooth(bool) override { }
    void ShowSleepLabel(bool) override { }
    void ShowReportRateTab(bool) override { }
    void ShowChangesUntaken(bool) override { }
    void ShowCableCharging(bool) override { }
    void ShowBattery(const BatteryReading& reading) override { battery_ = reading; }
    void SetTimer(uintptr_t, int) override { }
    void KillTimer(uintptr_t) override { }
    void LinkChanged() override { }
    void CableTookOverFromBluetooth() override { }
    void ResumeBluetooth() override { }
    void ResendUntaken() override { }

    LinkState links_;
    // Driven by the libraries' threads, one at a time under `mutex_`.
    DeviceLinks deviceLinks_{links_, *this};
    mutable std::mutex mutex_;
    std::condition_variable reported_;
    std::optional<BatteryReading> battery_;
};

} // namespace kestrin::ctl
