#pragma once

#include "protocol/LinkKind.h"

#include <cstdint>
#include <optional>
#include <variant>

namespace kestrin {

// Event codes: the high byte names the kind, the low byte is always 0x10.
inline constexpr uint16_t kEventDpiStage = 0x1010;
inline constexpr uint16_t kEventReportRate = 0x2010;
inline constexpr uint16_t kEventBattery = 0x4010;
inline constexpr uint16_t kEventAcknowledge = 0x5010;
inline constexpr uint16_t kEventNotice = 0x6010;
inline constexpr uint16_t kEventLightingMode = 0x7010;
inline constexpr uint16_t kEventStoreNotice = 0x8010;

// The mouse switched to a DPI stage (0-based, as the profile keeps it).
struct DpiStageChanged {
    int stage;
};

// The mouse switched its report rate; `setting` is the profile's 0..3 (125..1000 Hz).
struct ReportRateChanged {
    int setting;
};

// The mouse's answer to a write through the receiver.
struct WriteAcknowledgement {
    bool accepted;
};

// A battery report's state byte; what it means depends on the link. Other values are
// reported too: the mouse is on its battery.
enum class BatteryState : uint8_t {
    Discharging = 0,
    Full = 2,
    Charging = 3,
};

// Battery level and charging state; interpreting the status depends on the link.
struct BatteryStatus {
    BatteryState status;
    uint8_t percent; // may exceed 100
};

// The mouse switched its lighting effect. Over Bluetooth the lighting controls are refreshed
// as well; from the cable or the receiver they are not.
struct LightingModeChanged {
    int mode;
    bool refreshControls;
};

// A notice that changes nothing (0x6010).
struct IdleNotice { };

// A notice whose only effect is that the profile is stored (0x8010).
struct StoreNotice { };

using DeviceEvent = std::variant<DpiStageChanged, ReportRateChanged, WriteAcknowledgement,
    BatteryStatus, LightingModeChanged, IdleNotice, StoreNotice>;

// The change an event makes, or nothing for a code that is not an event and for a value
// outside its kind's range. `source` is the link the event came over: Bluetooth events carry
// the lighting mode differently from cable and receiver events.
std::optional<DeviceEvent> DecodeDeviceEvent(uint16_t code, uint16_t value, LinkKind source);

// The report-rate setting for a polling interval the mouse reports (8, 4, 2, 1 ms);
// nothing for an interval the setting cannot hold.
std::optional<int> ReportRateSettingFromInterval(uint16_t intervalMs);

// Whether handling the event ends with copying the profile over the snapshot and saving the
// profile store, so that the mouse's own change is kept and not sent back.
bool EventStoresProfile(const DeviceEvent& event);

} // namespace kestrin
