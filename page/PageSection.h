#pragma once

#include "device/DeviceProfiles.h"
#include "profiles/ProfileRecord.h"
#include "ui/Notify.h"
#include "ui/PageWindow.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace kestrin {

class CControlUI;

// What every settings section of the device page works with: the main window's controls and
// timers, the profiles, and the page's own services.
struct PageSectionContext {
    PageWindow& window;
    DeviceProfiles& profiles;
    // An apply now (0) or after that many milliseconds without another request.
    std::function<void(int debounceMs)> requestApply;
    // Shows every setting of the current profile without raising notifications.
    std::function<void()> refreshSettings;
    // The colour dialog below a swatch, opened with 0xAARRGGBB; the chosen colour on OK.
    std::function<std::optional<uint32_t>(CControlUI& swatch, uint32_t argb)> chooseColor;
    // The outcome of a save of a store, for the footer and the stores left unsaved.
    std::function<void(StoreKind, const SaveResult&)> saveDone;
};

// n when `name` is `prefix` followed by a number n in 1..count.
std::optional<int> NumberedName(const QString& name, QLatin1StringView prefix, int count);

// Selects option `value` + 1 of the numbered group `prefix`%d without a notification; a value
// outside 0..count-1 leaves the group as it is.
void SelectOptionQuietly(
    const PageWindow& window, QLatin1StringView prefix, int32_t value, int count);

// Sets a slider without a notification.
void SetSliderQuietly(const PageWindow& window, const QString& name, int32_t value);

} // namespace kestrin
