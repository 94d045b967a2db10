#include "protocol/DeviceEvent.h"

namespace kestrin {

std::optional<int> ReportRateSettingFromInterval(uint16_t intervalMs)
{
    switch (intervalMs) {
    case 8:
        return 0;
    case 4:
        return 1;
    case 2:
        return 2;
    case 1:
        return 3;
    default:
        return std::nullopt;
    }
}

std::optional<DeviceEvent> DecodeDeviceEvent(uint16_t code, uint16_t value, LinkKind source)
{
    switch (code) {
    case kEventDpiStage:
        if (value >= 1 && value <= 8)
            return DpiStageChanged{value - 1};
        return std::nullopt;
    case kEventReportRate:
        if (const auto setting = ReportRateSettingFromInterval(value))
            return ReportRateChanged{*setting};
        return std::nullopt;
    case kEventBattery:
        return BatteryStatus{BatteryState(value & 0xFF), static_cast<uint8_t>(value >> 8)};
    case kEventAcknowledge:
        return WriteAcknowledgement{(value & 0xFF) == 0};
    case kEventNotice:
        if (value >= 1 && value <= 10)
            return IdleNotice{};
        return std::nullopt;
    case kEventLightingMode:
        if (source == LinkKind::Bluetooth)
            return LightingModeChanged{(value >> 4) & 0x0F, true};
        if (value <= 7)
            return LightingModeChanged{value, false};
        return std::nullopt;
    case kEventStoreNotice:
        if (value >= 1 && value <= 5)
            return StoreNotice{};
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

bool EventStoresProfile(const DeviceEvent& event)
{
    return std::holds_alternative<DpiStageChanged>(event) ||
        std::holds_alternative<ReportRateChanged>(event) ||
        std::holds_alternative<LightingModeChanged>(event) ||
        std::holds_alternative<StoreNotice>(event);
}

} // namespace kestrin
