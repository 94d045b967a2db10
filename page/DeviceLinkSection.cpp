#include "page/DeviceLinkSection.h"

#include "base/DriverApi.h"
#include "base/Messages.h"
#include "ui/Controls.h"

#include <hidapi.h>

namespace kestrin {
namespace {

constexpr int kWatchdogMs = 6000;

constexpr uint32_t kArrival = 1;
constexpr uint32_t kRemoval = 2;
constexpr uint32_t kFirstEvent = 0x1000;
constexpr uint32_t kLastEvent = 0x9000;

const QString kWired = QStringLiteral("ms_1_wired");
const QString kWireless = QStringLiteral("ms_1_wireless");
const QString kSleepLabel = QStringLiteral("ms_1_sleep_label");
const QString kBluetooth = QStringLiteral("ms_1_BLE");

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
    LinkState& links, const PageWindow& window, BatteryDisplay& battery, FooterStatus& footer)
    : links_(links), window_(window), footer_(footer),
      battery_(battery), cable_{LinkKind::Cable, links.CableState, libraries_.cable,
                             KESTRIN_CABLE_VENDOR_ID, KESTRIN_CABLE_PRODUCT_ID, WM_CABLE_EVENT,
                             WM_CABLE_STATE, TIMER_CABLE_ARRIVAL},
      receiver_{LinkKind::Receiver, links.ReceiverState, libraries_.receiver,
          KESTRIN_RECEIVER_VENDOR_ID, KESTRIN_RECEIVER_PRODUCT_ID, WM_RECEIVER_EVENT,
          WM_RECEIVER_STATE, TIMER_RECEIVER_ARRIVAL},
      probeBle_(BleMouseListedByHidapi)
{
}

void DeviceLinkSection::Open(const std::string& programFolder)
{
    libraries_.LoadFrom(programFolder);
    for (Link* link : {&cable_, &receiver_}) {
        link->library.SetVidPid(link->vendorId, link->productId);
        link->library.OpenDevMonitor(window_.Handle(), link->eventMessage, link->stateMessage);
        const bool open = link->library.OpenFeatureDevice() != 0;
        link->state = open ? kLinkConnected : kLinkNotSeen;
        ShowLink(*link, open);
    }

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

void DeviceLinkSection::OnMessage(LinkKind kind, uint32_t value)
{
    Link& link = LinkOf(kind);
    const uint32_t high = value >> 16;
    const uint32_t low = value & 0xFFFF;
    if (high == kLinkStateCode) {
        if (low == kArrival)
            Arrived(link);
        else if (low == kRemoval)
            Removed(link);
    } else if (high >= kFirstEvent && high <= kLastEvent && onEvent_) {
        onEvent_(uint16_t(high), uint16_t(low), kind);
    }
}

void DeviceLinkSection::Arrived(Link& link)
{
    if (link.state.load() == kLinkConnected || link.arrivalPending)
        return;
    link.arrivalPending = true;
    window_.SetTimer(link.arrivalTimer, arrivalSettleMs_);
}

void DeviceLinkSection::OnArrivalSettled(LinkKind kind)
{
    Link& link = LinkOf(kind);
    if (!link.arrivalPending)
        return;
    link.arrivalPending = false;
    link.state = kLinkConnected;
    link.library.OpenFeatureDevice();
    ShowLink(link, true);
    UpdateReportRateTab();
    if (link.kind == LinkKind::Cable && links_.BlePresent.load() == 1 && setBleConnected_)
        setBleConnected_(0); // the cable takes over from Bluetooth
    ReachabilityMayHaveChanged(link, true);
    if (link.kind == LinkKind::Cable)
        ResendIfUntaken();
}

void DeviceLinkSection::Removed(Link& link)
{
    if (link.arrivalPending) {
        // The device left before it settled: it never came up.
        link.arrivalPending = false;
        window_.KillTimer(link.arrivalTimer);
    }
    if (link.state.load() == kLinkRemoved)
        return;
    link.state = kLinkRemoved;
    link.library.CloseFeatureDevice();
    ShowLink(link, false);
    UpdateReportRateTab();
    ReachabilityMayHaveChanged(link, false);
}

void DeviceLinkSection::ShowLink(const Link& link, bool up)
{
    if (link.kind == LinkKind::Receiver) {
        ShowWireless(up);
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
    ShowSleepLabel(!reachable);
    window_.Show(kWired, up);
    if (up) {
        battery_.ResetAnimation();
        battery_.ShowCharging();
    } else {
        battery_.Clear();
    }
}

void DeviceLinkSection::ReachabilityMayHaveChanged(const Link& changed, bool up)
{
    if (Other(changed).state.load() == kLinkConnected || links_.BlePresent.load() != 0)
        return;
    links_.AnyLinkConnected = up ? 1 : 0;
    window_.Post(WM_LINK_CHANGED);
}

void DeviceLinkSection::SetBlePresent(bool present)
{
    links_.BlePresent = present ? 1 : 0;
    const bool otherLinkUp =
        links_.ReceiverState.load() == kLinkConnected || links_.CableState.load() == kLinkConnected;
    if (present) {
        window_.KillTimer(TIMER_BLE_REGISTER);
        window_.SetTimer(TIMER_BLE_REGISTER, kBleRegisterDelayMs);
        links_.MouseUnreachable = 0;
        ShowSleepLabel(false);
        window_.Show(kBluetooth, true);
        UpdateReportRateTab();
    } else {
        window_.KillTimer(TIMER_BLE_REGISTER);
        window_.Show(kBluetooth, false);
        if (links_.ReceiverMouseAwake.load() == 0 && links_.CableState.load() != kLinkConnected)
            ShowSleepLabel(true);
    }
    if (!otherLinkUp) {
        links_.AnyLinkConnected = present ? 1 : 0;
        window_.Post(WM_LINK_CHANGED);
    }
}

void DeviceLinkSection::StopWatchdog() const { window_.KillTimer(TIMER_RECEIVER_WATCHDOG); }

void DeviceLinkSection::OnReceiverWatchdog()
{
    links_.ReceiverMouseAwake = 0;
    ShowWireless(false);
    UpdateReportRateTab();
    if (links_.BlePresent.load() == 0 && links_.CableState.load() != kLinkConnected)
        ShowSleepLabel(true);
}

bool DeviceLinkSection::OnBatteryReport()
{
    RestartWatchdog();
    if (links_.CableState.load() == kLinkConnected) {
        // On the cable the receiver's mouse is the same mouse, charging.
        links_.ReceiverMouseAwake = 0;
        ShowWireless(false);
        UpdateReportRateTab();
        return true;
    }
    const bool woke = links_.ReceiverMouseAwake.load() == 0;
    if (woke) {
        links_.ReceiverMouseAwake = 1;
        ShowWireless(true);
        UpdateReportRateTab();
    }
    links_.MouseUnreachable = 0;
    ShowSleepLabel(false);
    if (woke)
        ResendIfUntaken();
    return false;
}

void DeviceLinkSection::SetChangesUntaken(bool untaken)
{
    if (untaken == changesUntaken_)
        return;
    changesUntaken_ = untaken;
    footer_.SetChangesUntaken(untaken);
}

void DeviceLinkSection::ResendIfUntaken() const
{
    if (changesUntaken_ && resend_)
        resend_();
}

void DeviceLinkSection::RestartWatchdog() const
{
    window_.KillTimer(TIMER_RECEIVER_WATCHDOG);
    window_.SetTimer(TIMER_RECEIVER_WATCHDOG, kWatchdogMs);
}

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
