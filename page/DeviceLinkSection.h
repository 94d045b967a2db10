#pragma once

#include "device/BlePresence.h"
#include "device/DeviceLinks.h"
#include "page/BatteryDisplay.h"
#include "page/FooterStatus.h"
#include "protocol/LinkKind.h"
#include "ui/PageWindow.h"

#include <cstdint>
#include <functional>
#include <string>

namespace kestrin {

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

// The device page's view of its links (the link icons, the sleep label, the report-rate tab,
// the footer's untaken flag, the battery display, the main window's timers) and their wiring
// to the driver libraries' messages and to the page. The rules are DeviceLinks'.
class DeviceLinkSection final : private DeviceLinkView {
public:
    using EventHandler = std::function<void(uint16_t code, uint16_t value, LinkKind source)>;
    using BleSwitch = std::function<void(int connected)>;

    DeviceLinkSection(
        LinkState& links, const PageWindow& window, BatteryDisplay& battery, FooterStatus& footer);

    void SetEventHandler(EventHandler handler) { onEvent_ = std::move(handler); }
    void SetBleSwitch(BleSwitch bleSwitch) { setBleConnected_ = std::move(bleSwitch); }
    // Whether the Bluetooth stack still has the mouse connected, asked when the cable goes.
    void SetBleStillConnected(std::function<bool()> connected)
    {
        bleStillConnected_ = std::move(connected);
    }
    void SetResendRequest(std::function<void()> resend) { resend_ = std::move(resend); }
    DeviceLinks& Links() { return links_; }

    // Opens the links as the main window's, looks for the Bluetooth mouse, and posts
    // WM_LINK_CHANGED.
    void Open(const std::string& programFolder);
    // Stops the apply in progress and the worker, then closes and frees both libraries.
    void Close(ApplyEngine& engine, DeviceWorker& worker);

    // A driver library's message (LinkEventMessage, LinkStateMessage) from the cable or the
    // receiver.
    void OnMessage(LinkKind link, uint32_t value);

    // Whether the Bluetooth mouse is present at start-up; tests replace the hidapi look-up.
    void SetBlePresenceProbe(std::function<bool()> probe) { probeBle_ = std::move(probe); }

private:
    void ShowWired(bool up) override;
    void ShowWireless(bool up) override;
    void ShowBluetooth(bool up) override;
    void ShowSleepLabel(bool asleep) override;
    void ShowReportRateTab(bool shown) override;
    void ShowChangesUntaken(bool untaken) override;
    void ShowCableCharging(bool plugged) override;
    void ShowBattery(const BatteryReading& reading) override;
    void SetTimer(uintptr_t id, int ms) override;
    void KillTimer(uintptr_t id) override;
    void LinkChanged() override;
    void CableTookOverFromBluetooth() override;
    void ResumeBluetooth() override;
    void ResendUntaken() override;

    const PageWindow& window_;
    FooterStatus& footer_;
    BatteryDisplay& battery_;
    DeviceLinks links_;
    EventHandler onEvent_;
    BleSwitch setBleConnected_;
    std::function<bool()> bleStillConnected_;
    std::function<bool()> probeBle_;
    std::function<void()> resend_;
};

} // namespace kestrin
