#pragma once

#include "device/DriverLibraries.h"
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
class DirectMouse final {
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
    LinkWriters Writers() const { return WritersFor(libraries_, {}); }
    bool Cable() const { return links_.CableState.load() == kLinkConnected; }
    bool Receiver() const { return links_.ReceiverState.load() == kLinkConnected; }
    bool ReceiverMouseAwake() const { return links_.ReceiverMouseAwake.load() == 1; }

    struct Battery {
        std::optional<int> percent;
        bool charging = false;
    };
    // As the window would show it: on the cable the mouse charges until full.
    std::optional<Battery> LastBattery() const;

    // A driver library's message (KestrinPostMessage).
    void OnMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);

private:
    void OnEvent(uint16_t code, uint16_t value, LinkKind source);

    DriverLibraries libraries_;
    LinkState links_;
    mutable std::mutex mutex_;
    std::condition_variable reported_;
    std::optional<BatteryStatus> battery_;
    LinkKind batterySource_ = LinkKind::Cable;
};

} // namespace kestrin::ctl
