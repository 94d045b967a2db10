#include "profiles/ProfileRanges.h"

#include "base/RecordNames.h"
#include "profiles/ButtonFunctions.h"

#include <algorithm>
#include <memory>
#include <type_traits>

namespace kestrin {
namespace {

constexpr uint8_t kLeftClick = 1;
constexpr int kLeftClickButtons = 16;
constexpr int32_t kModifierMask = kModifierCtrl | kModifierShift | kModifierAlt | kModifierWin;

// Visits every ranged setting with its name, its position (-1 for single ones), its range and
// its default. `Record` is const for the check and not for the hold; one walk serves both, so
// they cannot disagree.
template <class Record, class Visit>
void ForEachSetting(Record& p, const ProfileRecord& d, Visit&& visit)
{
    for (int k = 0; k < kDpiStageCount; ++k) {
        visit("stage enabled", k, p.stageEnabled[k], 0, 1, d.stageEnabled[k]);
        visit("DPI of stage", k, p.dpiX[k], 0, kDpiUnitsMax, d.dpiX[k]);
        visit("second DPI of stage", k, p.dpiY[k], 0, kDpiUnitsMax, d.dpiY[k]);
    }
    visit("current DPI stage", -1, p.currentDpiStage, 0, kDpiStageCount - 1, d.currentDpiStage);
    visit("report rate", -1, p.reportRate, 0, kReportRateSettings - 1, d.reportRate);
    visit("lift-off distance", -1, p.liftOffDistance, 0, 1, d.liftOffDistance);
    visit("ripple control", -1, p.rippleControl, 0, 1, d.rippleControl);
    visit("angle snap", -1, p.angleSnap, 0, 1, d.angleSnap);
    visit("motion sync", -1, p.motionSync, 0, 1, d.motionSync);
    visit("move mode", -1, p.moveMode, 0, 1, d.moveMode);
    visit("lighting effect", -1, p.lightingMode, 0, kLightingModes - 1, d.lightingMode);
    visit("Bluetooth lighting effect", -1, p.bleLightingMode, 0, kBleLightingModes - 1,
        d.bleLightingMode);
    visit("brightness", -1, p.brightness, 1, 8, d.brightness);
    visit("effect speed", -1, p.breathSpeed, 1, 8, d.breathSpeed);
    visit("light-off timer", -1, p.lightOffTimer, 1, 60, d.lightOffTimer);
    visit("sleep timer", -1, p.sleepTimer, 1, 120, d.sleepTimer);
    visit("key debounce", -1, p.keyDebounce, 1, 16, d.keyDebounce);
    for (int k = 0; k < kButtonCount; ++k) {
        auto& slot = p.buttons[k];
        const ButtonSlot& fresh = d.buttons[k];
        visit("shortcut modifiers of button", k, slot.shortcutModifiers, 0, kModifierMask,
            fresh.shortcutModifiers);
        visit("macro index of button", k, slot.macroIndex, -1, INT32_MAX, fresh.macroIndex);
        visit("pattern index of button", k, slot.patternIndex, -1, INT32_MAX, fresh.patternIndex);
    }
}

// A macro or pattern button's steps as the program's editors make them.
bool CopyInRange(const ButtonSlot& slot)
{
    if (slot.functionCode == kFunctionMacro) {
        if (slot.stepCount > kMacroMaxActions)
            return false;
        MacroAction steps[kMacroMaxActions];
        const std::span counted = std::span(steps).first(slot.stepCount);
        std::copy_n(slot.macroCopy, slot.stepCount, counted.begin());
        return !ForeignMacroAction(counted) && !HoldDelaysInRange(counted);
    }
    if (slot.functionCode == kFunctionRecoilPattern) {
        if (slot.stepCount < 1 || slot.stepCount > kGunMaxShots)
            return false;
        return std::all_of(slot.patternCopy, slot.patternCopy + slot.stepCount, [](const auto& s) {
            return s.x >= kGunMinCoordinate && s.x <= kGunMaxCoordinate &&
                s.y >= kGunMinCoordinate && s.y <= kGunMaxCoordinate && s.delay >= 1 &&
                s.delay <= kGunMaxDelay;
        });
    }
    return true;
}

// Made once: a store of many profiles is checked against it profile by profile.
const ProfileRecord& Defaults()
{
    static const std::unique_ptr<const ProfileRecord> defaults = [] {
        auto record = std::make_unique<ProfileRecord>();
        ResetProfileDefaults(*record);
        return record;
    }();
    return *defaults;
}

} // namespace

bool HasLeftClick(const ProfileRecord& profile)
{
    return std::any_of(profile.buttons, profile.buttons + kLeftClickButtons,
        [](const ButtonSlot& slot) { return slot.functionCode == kLeftClick; });
}

std::optional<std::string> SettingOutOfRange(const ProfileRecord& profile)
{
    std::optional<std::string> fault;
    ForEachSetting(profile, Defaults(),
        [&](const char* what, int at, const auto& value, int64_t min, int64_t max, int64_t) {
            if (fault || (value >= min && value <= max))
                return;
            fault = std::string(what) + (at >= 0 ? " " + std::to_string(at + 1) : "") + " is " +
                std::to_string(int64_t(value)) + ", outside " + std::to_string(min) + ".." +
                std::to_string(max);
        });
    if (fault)
        return fault;
    if (std::none_of(profile.stageEnabled, profile.stageEnabled + kDpiStageCount,
            [](int32_t enabled) { return enabled == 1; }))
        return "no DPI stage is in the cycle";
    for (int k = 0; k < kButtonCount; ++k) {
        if (!IsFunctionCode(profile.buttons[k].functionCode))
            return "button " + std::to_string(k + 1) + " has function code " +
                std::to_string(profile.buttons[k].functionCode) + ", which no function has";
        if (!CopyInRange(profile.buttons[k]))
            return "the steps of button " + std::to_string(k + 1) + " are not the editor's";
        if (!IsNameText(profile.buttons[k].assignedName))
            return "the name on button " + std::to_string(k + 1) + " is not text";
    }
    if (!HasLeftClick(profile))
        return "none of buttons 1 to 16 is a left click";
    if (!IsNameText(profile.name))
        return "the name is not text";
    if (profile.name[0] == u'\0')
        return "the name is empty";
    return std::nullopt;
}

int HoldSettingsInRange(ProfileRecord& profile)
{
    const ProfileRecord& defaults = Defaults();
    int held = 0;
    ForEachSetting(profile, defaults,
        [&](const char*, int, auto& value, int64_t min, int64_t max, int64_t fallback) {
            if (value >= min && value <= max)
                return;
            value = static_cast<std::remove_reference_t<decltype(value)>>(fallback);
            ++held;
        });
    if (std::none_of(profile.stageEnabled, profile.stageEnabled + kDpiStageCount,
            [](int32_t enabled) { return enabled == 1; })) {
        std::copy(std::begin(defaults.stageEnabled), std::end(defaults.stageEnabled),
            std::begin(profile.stageEnabled));
        ++held;
    }
    for (int k = 0; k < kButtonCount; ++k) {
        if (!IsFunctionCode(profile.buttons[k].functionCode) || !CopyInRange(profile.buttons[k])) {
            ResetButtonSlot(profile.buttons[k], k);
            ++held;
        }
        held += MakeNameText(profile.buttons[k].assignedName) ? 1 : 0;
    }
    if (!HasLeftClick(profile)) {
        ResetButtonSlot(profile.buttons[0], 0);
        ++held;
    }
    held += MakeNameText(profile.name) ? 1 : 0;
    // A name of nothing the user typed, as MakeNameText marks a unit: it shows, and can be renamed.
    if (profile.name[0] == u'\0') {
        WriteName(profile.name, u"\uFFFD");
        ++held;
    }
    return held;
}

} // namespace kestrin
