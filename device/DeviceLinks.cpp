#include "device/DeviceLinks.h"

#include "base/DriverApi.h"
#include "base/Messages.h"

namespace kestrin {
namespace {

constexpr int kWatchdogMs = 6000;

} // namespace

DeviceLinks::DeviceLinks(LinkState& links, DeviceLinkView& view)
    : links_(links), view_(view), cable_{LinkKind::Cable, links.CableState, libraries_.cable,
                                      KESTRIN_CABLE_VENDOR_ID, KESTRIN_CABLE_PRODUCT_ID,
                                      WM_CABLE_EVENT, WM_CABLE_STATE, TIMER_CABLE_ARRIVAL},
      receiver_{LinkKind::Receiver, links.ReceiverState, libraries_.receiver,
          KESTRIN_RECEIVER_VENDOR_ID, KESTRIN_RECEIVER_PRODUCT_ID, WM_RECEIVER_EVENT,
          WM_RECEIVER_STATE, TIMER_RECEIVER_ARRIVAL}
{
}

void DeviceLinks::Open(
    const std::string& programFolder, KestrinWindow window, const std::function<bool()>& probeBle)
{
    libraries_.LoadFrom(programFolder);
    for (Link* link : {&cable_, &receiver_}) {
        link->library.SetVidPid(link->vendorId, link->productId);
        link->library.OpenDevMonitor(window, link->eventMessage, link->stateMessage);
        const bool open = link->library.OpenFeatureDevice() != 0;
        link->state = open ? kLinkConnected : kLinkNotSeen;
        ShowLink(*link, open);
    }

    links_.BlePresent = probeBle && probeBle() ? 1 : 0;
    links_.AnyLinkConnected = links_.AnyLinkUp() ? 1 : 0;
    view_.LinkChanged();
}

void DeviceLinks::StopArrivals()
{
    view_.KillTimer(TIMER_CABLE_ARRIVAL);
    view_.KillTimer(TIMER_RECEIVER_ARRIVAL);
}

void DeviceLinks::OnArrival(LinkKind kind)
{
    Link& link = LinkOf(kind);
    if (link.state.load() == kLinkConnected || link.arrivalPending)
        return;
    link.arrivalPending = true;
    view_.SetTimer(link.arrivalTimer, arrivalSettleMs_);
}

void DeviceLinks::OnArrivalSettled(LinkKind kind)
{
    Link& link = LinkOf(kind);
    if (!link.arrivalPending)
        return;
    link.arrivalPending = false;
    link.state = kLinkConnected;
    link.library.OpenFeatureDevice();
    ShowLink(link, true);
    UpdateReportRateTab();
    if (link.kind == LinkKind::Cable && links_.BlePresent.load() == 1)
        view_.CableTookOverFromBluetooth();
    ReachabilityMayHaveChanged(link, true);
    if (link.kind == LinkKind::Cable)
        ResendIfUntaken();
}

void DeviceLinks::OnRemoval(LinkKind kind)
{
    Link& link = LinkOf(kind);
    if (link.arrivalPending) {
        // The device left before it settled: it never came up.
        link.arrivalPending = false;
        view_.KillTimer(link.arrivalTimer);
    }
    if (link.state.load() == kLinkRemoved)
        return;
    link.state = kLinkRemoved;
    link.library.CloseFeatureDevice();
    // Asked before the mouse is shown gone, so that a mouse still connected over Bluetooth
    // never counts as unreachable.
    if (link.kind == LinkKind::Cable && links_.BlePresent.load() == 0)
        view_.ResumeBluetooth();
    ShowLink(link, false);
    UpdateReportRateTab();
    ReachabilityMayHaveChanged(link, false);
}

void DeviceLinks::ShowLink(const Link& link, bool up)
{
    if (link.kind == LinkKind::Receiver) {
        view_.ShowWireless(up);
        if (up)
            RestartWatchdog();
        else
            StopWatchdog();
        return;
    }
    // Only the cable makes the mouse reachable by itself: the receiver's mouse may be asleep.
    // Bluetooth still reaches it when the cable goes.
    const bool reachable = up || links_.BlePresent.load() != 0;
    links_.MouseUnreachable = reachable ? 0 : 1;
    view_.ShowSleepLabel(!reachable);
    view_.ShowWired(up);
    view_.ShowCableCharging(up);
}

void DeviceLinks::ReachabilityMayHaveChanged(const Link& changed, bool up)
{
    if (Other(changed).state.load() == kLinkConnected || links_.BlePresent.load() != 0)
        return;
    links_.AnyLinkConnected = up ? 1 : 0;
    view_.LinkChanged();
}

void DeviceLinks::SetBlePresent(bool present)
{
    links_.BlePresent = present ? 1 : 0;
    const bool otherLinkUp =
        links_.ReceiverState.load() == kLinkConnected || links_.CableState.load() == kLinkConnected;
    view_.KillTimer(TIMER_BLE_REGISTER);
    if (present) {
        view_.SetTimer(TIMER_BLE_REGISTER, kBleRegisterDelayMs);
        links_.MouseUnreachable = 0;
        view_.ShowSleepLabel(false);
        view_.ShowBluetooth(true);
        UpdateReportRateTab();
    } else {
        view_.ShowBluetooth(false);
        if (links_.ReceiverMouseAwake.load() == 0 && links_.CableState.load() != kLinkConnected)
            view_.ShowSleepLabel(true);
    }
    if (!otherLinkUp) {
        links_.AnyLinkConnected = present ? 1 : 0;
        view_.LinkChanged();
    }
    if (present)
        ResendIfUntaken();
}

void DeviceLinks::RestartWatchdog()
{
    view_.KillTimer(TIMER_RECEIVER_WATCHDOG);
    view_.SetTimer(TIMER_RECEIVER_WATCHDOG, kWatchdogMs);
}

void DeviceLinks::StopWatchdog() { view_.KillTimer(TIMER_RECEIVER_WATCHDOG); }

void DeviceLinks::OnReceiverWatchdog()
{
    links_.ReceiverMouseAwake = 0;
    view_.ShowWireless(false);
    UpdateReportRateTab();
    if (links_.BlePresent.load() == 0 && links_.CableState.load() != kLinkConnected)
        view_.ShowSleepLabel(true);
}

void DeviceLinks::OnBatteryStatus(const BatteryStatus& status, LinkKind source)
{
    const std::optional<int> percent =
        status.percent <= 100 ? std::optional<int>(status.percent) : std::nullopt;
    if (source == LinkKind::Bluetooth) {
        // Over Bluetooth the link words, the watchdog and the sleep label stay as they are.
        if (status.status == BatteryState::Full)
            view_.ShowBattery({false, 100});
        else if (status.status == BatteryState::Charging)
            view_.ShowBattery({true, std::nullopt});
        else
            view_.ShowBattery({false, percent});
        return;
    }
    if (OnCableOrReceiverBattery(source)) {
        // On the cable the mouse charges until it is full.
        if (status.status == BatteryState::Full)
            view_.ShowBattery({false, 100});
        else
            view_.ShowBattery({true, std::nullopt});
        return;
    }
    // Through the receiver a state of 2 is no "full", and a percent past 100 shows 100.
    if (status.status == BatteryState::Charging)
        view_.ShowBattery({true, std::nullopt});
    else
        view_.ShowBattery({false, percent.value_or(100)});
}

bool DeviceLinks::OnCableOrReceiverBattery(LinkKind source)
{
    RestartWatchdog();
    // A report through the cable's library comes from the cable, also while its arrival
    // settles.
    if (source == LinkKind::Cable || links_.CableState.load() == kLinkConnected) {
        // On the cable the receiver's mouse is the same mouse, charging.
        links_.ReceiverMouseAwake = 0;
        view_.ShowWireless(false);
        UpdateReportRateTab();
        return true;
    }
    const bool woke = links_.ReceiverMouseAwake.load() == 0;
    if (woke) {
        links_.ReceiverMouseAwake = 1;
        view_.ShowWireless(true);
        UpdateReportRateTab();
    }
    links_.MouseUnreachable = 0;
    view_.ShowSleepLabel(false);
    if (woke)
        ResendIfUntaken();
    return false;
}

void DeviceLinks::SetChangesUntaken(bool untaken)
{
    if (untaken == changesUntaken_)
        return;
    changesUntaken_ = untaken;
    view_.ShowChangesUntaken(untaken);
}

void DeviceLinks::ResendIfUntaken()
{
    if (changesUntaken_)
        view_.ResendUntaken();
}

void DeviceLinks::UpdateReportRateTab()
{
    if (links_.CableState.load() == kLinkConnected ||
        (links_.ReceiverState.load() == kLinkConnected && links_.ReceiverMouseAwake.load() == 1))
        view_.ShowReportRateTab(true);
    else if (links_.BlePresent.load() != 0)
        view_.ShowReportRateTab(false);
}

} // namespace kestrin
