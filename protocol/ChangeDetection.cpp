#include "protocol/ChangeDetection.h"

#include <cstring>

namespace kestrin {
namespace {

template <class T> bool Differs(const T& a, const T& b)
{
    return std::memcmp(&a, &b, sizeof(T)) != 0;
}

bool SettingsDiffer(const ProfileRecord& a, const ProfileRecord& b)
{
    return Differs(a.currentDpiStage, b.currentDpiStage) ||
        Differs(a.liftOffDistance, b.liftOffDistance) ||
        Differs(a.reservedSensorValue1, b.reservedSensorValue1) ||
        Differs(a.reservedSensorValue2, b.reservedSensorValue2) ||
        Differs(a.rippleControl, b.rippleControl) || Differs(a.angleSnap, b.angleSnap) ||
        Differs(a.motionSync, b.motionSync) || Differs(a.dpiX, b.dpiX) || Differs(a.dpiY, b.dpiY) ||
        Differs(a.stageEnabled, b.stageEnabled) || Differs(a.stageColor, b.stageColor);
}

bool LightingDiffers(const ProfileRecord& a, const ProfileRecord& b)
{
    return Differs(a.lightingMode, b.lightingMode) ||
        Differs(a.bleLightingMode, b.bleLightingMode) || Differs(a.brightness, b.brightness) ||
        Differs(a.breathSpeed, b.breathSpeed) ||
        Differs(a.reservedLightingValue, b.reservedLightingValue) ||
        Differs(a.keyDebounce, b.keyDebounce) || Differs(a.lightingColor, b.lightingColor) ||
        Differs(a.sleepTimer, b.sleepTimer) || Differs(a.lightOffTimer, b.lightOffTimer);
}

} // namespace

GroupFlags DetectChanges(const ProfileRecord& current, const ProfileRecord& snapshot)
{
    GroupFlags flags;
    flags.settings = SettingsDiffer(current, snapshot);
    flags.lighting = LightingDiffers(current, snapshot);
    flags.reportRate = Differs(current.reportRate, snapshot.reportRate);
    flags.button = Differs(current.buttons, snapshot.buttons);
    return flags;
}

} // namespace kestrin
