#include "page/DeviceLinkSection.h"

#include "base/Messages.h"
#include "ui/Controls.h"

namespace kestrin {
namespace {

constexpr uint32_t kArrival = 1;
constexpr uint32_t kRemoval = 2;
constexpr uint32_t kFirstEvent = 0x1000;
constexpr uint32_t kLastEvent = 0x9000;

const QString kWired = QStringLiteral("ms_1_wired");
const QString kWireless = QStringLiteral("ms_1_wireless");
const QString kSleepLabel = QStringLiteral("ms_1_sleep_label");
const QString kBluetooth = QStringLiteral("ms_1_BLE");

} // namespace

DeviceLinkSection::DeviceLinkSection(
    LinkState& links, const PageWindow& window, BatteryDisplay& battery, FooterStatus& footer)
    : window_(window), footer_(footer), battery_(battery), links_(links, *this),
      probeBle_(BleMouseListedByHidapi)
{
}

void DeviceLinkSection::Open(const std::string& programFolder)
{
    links_.Open(programFolder, window_.Handle(), probeBle_);
}

void DeviceLinkSection::Close(ApplyEngine& engine, DeviceWorker& worker)
{
    links_.StopArrivals();
    ShutDownDeviceLinks(links_.Libraries(), engine, worker);
}

void DeviceLinkSection::OnMessage(LinkKind kind, uint32_t value)
{
    const uint32_t high = value >> 16;
    const uint32_t low = value & 0xFFFF;
    if (high == kLinkStateCode) {
        if (low == kArrival)
            links_.OnArrival(kind);
        else if (low == kRemoval)
            links_.OnRemoval(kind);
    } else if (high >= kFirstEvent && high <= kLastEvent && onEvent_) {
        onEvent_(uint16_t(high), uint16_t(low), kind);
    }
}

void DeviceLinkSection::ShowWired(bool up) { window_.Show(kWired, up); }

void DeviceLinkSection::ShowWireless(bool up) { window_.Show(kWireless, up); }

void DeviceLinkSection::ShowBluetooth(bool up) { window_.Show(kBluetooth, up); }

void DeviceLinkSection::ShowSleepLabel(bool asleep) { window_.Show(kSleepLabel, asleep); }

void DeviceLinkSection::ShowReportRateTab(bool shown)
{
    // The section stays as the user folded it; over Bluetooth alone it says why it offers no
    // rates.
    window_.Show(QStringLiteral("ms_1_prate_options"), shown);
    window_.Show(QStringLiteral("ms_1_label_prate"), shown);
    window_.Show(QStringLiteral("ms_1_label_prate_ble"), !shown);
}

void DeviceLinkSection::ShowChangesUntaken(bool untaken) { footer_.SetChangesUntaken(untaken); }

void DeviceLinkSection::ShowCableCharging(bool plugged)
{
    if (plugged) {
        battery_.ResetAnimation();
        battery_.ShowCharging();
    } else {
        battery_.Clear();
    }
}

void DeviceLinkSection::ShowBattery(const BatteryReading& reading)
{
    if (reading.charging) {
        battery_.ShowCharging();
        return;
    }
    battery_.StopAnimation();
    if (reading.percent)
        battery_.ShowBatteryLevel(*reading.percent);
}

void DeviceLinkSection::SetTimer(uintptr_t id, int ms) { window_.SetTimer(id, ms); }

void DeviceLinkSection::KillTimer(uintptr_t id) { window_.KillTimer(id); }

void DeviceLinkSection::LinkChanged() { window_.Post(WM_LINK_CHANGED); }

void DeviceLinkSection::CableTookOverFromBluetooth()
{
    if (setBleConnected_)
        setBleConnected_(0);
}

void DeviceLinkSection::ResumeBluetooth()
{
    if (setBleConnected_ && bleStillConnected_ && bleStillConnected_())
        setBleConnected_(1);
}

void DeviceLinkSection::ResendUntaken()
{
    if (resend_)
        resend_();
}

} // namespace kestrin
