#include "page/DeviceLinkSection.h"

#include "base/DriverApi.h"
#include "base/Messages.h"
#include "ui/Controls.h"

#include <hidapi.h>

namespace kestrin {
namespace {

constexpr int kWatchdogMs = 6000;
constexpr uint16_t kBleVendorId = 0x045E;
constexpr uint16_t kBleProductId = 0x0040;

constexpr uint32_t kStateMessage = 0x7F00;
constexpr uint32_t kArrival = 1;
constexpr uint32_t kRemoval = 2;
constexpr uint32_t kFirstEvent = 0x1000;
constexpr uint32_t kLastEvent = 0x9000;

const QString kWired = QStringLiteral("ms_1_wired");
const QString kWireless = QStringLiteral("ms_1_wireless");
const QString kSleepLabel = QStringLiteral("ms_1_sleep_label");

} // namespace

bool BleMouseListedByHidapi()
{
    if (hid_init() != 0)
        return false;
    hid_device_info* devices = hid_enumerate(kBleVendorId, kBleProductId);
    const bool present = devices != nullptr;
    hid_free_enumeration(devices);
    return present;
}

DeviceLinkSection::DeviceLinkSection(
    LinkState& links, const PageWindow& window, BatteryDisplay& battery)
    : links_(links), window_(window), battery_(battery), probeBle_(BleMouseListedByHidapi)
{
}

void DeviceLinkSection::Open(const std::string& programFolder)
{
    libraries_.LoadFrom(programFolder);

    DriverLibrary& cable = libraries_.cable;
    cable.SetVidPid(KESTRIN_CABLE_VENDOR_ID, KESTRIN_CABLE_PRODUCT_ID);
    cable.OpenDevMonitor(window_.Handle(), WM_CABLE_EVENT, WM_CABLE_STATE);
    if (cable.OpenFeatureDevice() != 0) {
        links_.CableState = kLinkConnected;
        links_.MouseUnreachable = 0;
        ShowSleepLabel(false);
        battery_.ShowCharging();
        window_.Show(kWired, true);
    } else {
        links_.CableState = kLinkNotSeen;
        links_.MouseUnreachable = 1;
        ShowSleepLabel(true);
        window_.Show(kWired, false);
    }

    DriverLibrary& receiver = libraries_.receiver;
    receiver.SetVidPid(KESTRIN_RECEIVER_VENDOR_ID, KESTRIN_RECEIVER_PRODUCT_ID);
    receiver.OpenDevMonitor(window_.Handle(), WM_RECEIVER_EVENT, WM_RECEIVER_STATE);
    const bool receiverOpen = receiver.OpenFeatureDevice() != 0;
    links_.ReceiverState = receiverOpen ? kLinkConnected : kLinkNotSeen;
    if (receiverOpen)
        RestartWatchdog();
    ShowWireless(receiverOpen);

    links_.BlePresent = probeBle_ && probeBle_() ? 1 : 0;
    links_.AnyLinkConnected = links_.AnyLinkUp() ? 1 : 0;
    window_.Post(WM_LINK_CHANGED);
}

void DeviceLinkSection::Close(ApplyEngine& engine, DeviceWorker& worker)
{
    window_.KillTimer(TIMER_CABLE_ARRIVAL);
    window_.KillTimer(TIMER_RECEIVER_ARRIVAL);
    ShutDownDeviceLinks(libraries_, engine, worker);
}

void DeviceLinkSection::OnReceiverMessage(uint32_t value)
{
    const uint32_t high = value >> 16;
    const uint32_t low = value & 0xFFFF;
    if (high == kStateMessage) {
        if (low == kArrival)
            ReceiverArrived();
        else if (low == kRemoval)
            ReceiverRemoved();
    } else if (high >= kFirstEvent && high <= kLastEvent && onEvent_) {
        onEvent_(uint16_t(high), uint16_t(low), LinkKind::Receiver);
    }
}

void DeviceLinkSection::OnCableMessage(uint32_t value)
{
    const uint32_t high = value >> 16;
    const uint32_t low = value & 0xFFFF;
    if (high == kStateMessage) {
        if (low == kArrival)
            CableArrived();
        else if (low == kRemoval)
            CableRemoved();
    } else if (high >= kFirstEvent && high <= kLastEvent && onEvent_) {
        onEvent_(uint16_t(high), uint16_t(low), LinkKind::Cable);
    }
}

void DeviceLinkSection::ReceiverArrived()
{
    if (links_.ReceiverState.load() == kLinkConnected || receiverArrivalPending_)
        return;
    receiverArrivalPending_ = true;
    window_.SetTimer(TIMER_RECEIVER_ARRIVAL, arrivalSettleMs_);
}

void DeviceLinkSection::OnReceiverArrivalSettled()
{
    if (!receiverArrivalPending_)
        return;
    receiverArrivalPending_ = false;
    links_.ReceiverState = kLinkConnected;
    ShowWireless(true);
    UpdateReportRateTab();
    libraries_.receiver.OpenFeatureDevice();
    RestartWatchdog();
    LinkCameUp(links_.CableState);
}

void DeviceLinkSection::ReceiverRemoved()
{
    if (receiverArrivalPending_) {
        // The device left before it settled: it never came up.
        receiverArrivalPending_ = false;
        window_.KillTimer(TIMER_RECEIVER_ARRIVAL);
    }
    if (links_.ReceiverState.load() == kLinkRemoved)
        return;
    links_.ReceiverState = kLinkRemoved;
    ShowWireless(false);
    libraries_.receiver.CloseFeatureDevice();
    UpdateReportRateTab();
    StopWatchdog();
    LinkWentDown(links_.CableState);
}

void DeviceLinkSection::CableArrived()
{
    if (links_.CableState.load() == kLinkConnected || cableArrivalPending_)
        return;
    cableArrivalPending_ = true;
    window_.SetTimer(TIMER_CABLE_ARRIVAL, arrivalSettleMs_);
}

void DeviceLinkSection::OnCableArrivalSettled()
{
    if (!cableArrivalPending_)
        return;
    cableArrivalPending_ = false;
    links_.CableState = kLinkConnected;
    libraries_.cable.OpenFeatureDevice();
    links_.MouseUnreachable = 0;
    ShowSleepLabel(false);
    window_.Show(kWired, true);
    UpdateReportRateTab();
    battery_.ResetAnimation();
    battery_.ShowCharging();
    if (links_.BlePresent.load() == 1 && setBleConnected_)
        setBleConnected_(0); // the cable takes over from Bluetooth
    LinkCameUp(links_.ReceiverState);
}

void DeviceLinkSection::CableRemoved()
{
    if (cableArrivalPending_) {
        cableArrivalPending_ = false;
        window_.KillTimer(TIMER_CABLE_ARRIVAL);
    }
    if (links_.CableState.load() == kLinkRemoved)
        return;
    links_.CableState = kLinkRemoved;
    libraries_.cable.CloseFeatureDevice();
    links_.MouseUnreachable = 1;
    ShowSleepLabel(true);
    window_.Show(kWired, false);
    UpdateReportRateTab();
    battery_.Clear();
    LinkWentDown(links_.ReceiverState);
}

// Whether the window's device state changes is decided by the other links alone: while one of
// them is up the mouse stays reachable and the main window need not look again.
void DeviceLinkSection::LinkCameUp(const std::atomic<int32_t>& otherLink)
{
    if (otherLink.load() == kLinkConnected || links_.BlePresent.load() != 0)
        return;
    links_.AnyLinkConnected = 1;
    window_.Post(WM_LINK_CHANGED);
}

void DeviceLinkSection::LinkWentDown(const std::atomic<int32_t>& otherLink)
{
    if (otherLink.load() == kLinkConnected || links_.BlePresent.load() != 0)
        return;
    links_.AnyLinkConnected = 0;
    window_.Post(WM_LINK_CHANGED);
}

void DeviceLinkSection::OnReceiverWatchdog()
{
    links_.ReceiverMouseAwake = 0;
    ShowWireless(false);
    UpdateReportRateTab();
    if (links_.BlePresent.load() == 0 && links_.CableState.load() != kLinkConnected)
        ShowSleepLabel(true);
}

void DeviceLinkSection::RestartWatchdog() const
{
    window_.KillTimer(TIMER_RECEIVER_WATCHDOG);
    window_.SetTimer(TIMER_RECEIVER_WATCHDOG, kWatchdogMs);
}

void DeviceLinkSection::StopWatchdog() const { window_.KillTimer(TIMER_RECEIVER_WATCHDOG); }

void DeviceLinkSection::UpdateReportRateTab() const
{
    if (links_.CableState.load() == kLinkConnected ||
        (links_.ReceiverState.load() == kLinkConnected && links_.ReceiverMouseAwake.load() == 1)) {
        window_.Show(QStringLiteral("ms_1_check_prate"), true);
        return;
    }
    if (links_.BlePresent.load() == 0)
        return;
    if (auto* tab = window_.Find<COptionUI>(QStringLiteral("ms_1_check_prate"))) {
        if (tab->IsSelected())
            tab->Selected(false, false);
        tab->SetVisible(false);
    }
    if (CControlUI* panel = window_.Find(QStringLiteral("ms_1_ver_prate"));
        panel && panel->IsVisible())
        panel->SetVisible(false);
}

void DeviceLinkSection::ShowWireless(bool visible) const { window_.Show(kWireless, visible); }

void DeviceLinkSection::ShowSleepLabel(bool visible) const { window_.Show(kSleepLabel, visible); }

} // namespace kestrin
