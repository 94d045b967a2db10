#include "profiles/ProfileRecord.h"

#include "base/RecordNames.h"

#include <algorithm>
#include <cstring>

namespace kestrin {
namespace {

constexpr int32_t kDefaultDpi[kDpiStageCount] = {16, 24, 32, 64, 112, 520, 0, 0};
constexpr int32_t kDefaultStageEnabled[kDpiStageCount] = {1, 1, 1, 1, 1, 1, 0, 0};

constexpr RgbColor kDefaultStageColors[kDpiStageCount] = {
    {255, 0, 0, 0},
    {0, 255, 0, 0},
    {0, 0, 255, 0},
    {255, 255, 0, 0},
    {0, 255, 255, 0},
    {255, 0, 255, 0},
    {255, 64, 0, 0},
    {255, 255, 255, 0},
};

constexpr RgbColor kDefaultSpareColors[kDpiStageCount] = {
    {255, 0, 0, 0},
    {0, 255, 0, 0},
    {0, 0, 255, 0},
    {255, 0, 255, 0},
    {255, 255, 0, 0},
    {255, 255, 255, 0},
    {255, 255, 255, 0},
    {255, 128, 0, 0},
};

template <class T, std::size_t N> void CopyArray(T (&to)[N], const T (&from)[N])
{
    std::copy(std::begin(from), std::end(from), std::begin(to));
}

} // namespace

void ResetButtonSlot(ButtonSlot& slot, int index)
{
    std::memset(&slot, 0, sizeof slot);
    slot.buttonNumber = static_cast<uint8_t>(index);
    slot.functionCode = index < kButtonCount ? kDefaultFunctionCodes[index] : 0;
    slot.reservedWord = kSlotReservedWord;
    slot.macroIndex = -1;
    slot.patternIndex = -1;
}

void ResetProfileDefaults(ProfileRecord& profile)
{
    std::fill(std::begin(profile.reservedText1), std::end(profile.reservedText1), u'\0');
    std::fill(std::begin(profile.reservedText2), std::end(profile.reservedText2), u'\0');
    profile.reservedValue1 = 420;
    profile.reservedValue2 = 3;
    profile.reservedByte1 = 0;
    std::fill(std::begin(profile.reserved2209), std::end(profile.reserved2209), 0);
    profile.reservedValue3 = 6;
    profile.reservedSensorValue1 = 0;
    profile.liftOffDistance = 0;
    profile.reservedSensorValue2 = 0;
    CopyArray(profile.dpiX, kDefaultDpi);
    CopyArray(profile.dpiY, kDefaultDpi);
    CopyArray(profile.stageEnabled, kDefaultStageEnabled);
    profile.brightness = 8;
    profile.breathSpeed = 6;
    profile.lightOffTimer = 1;
    profile.sleepTimer = 30;
    profile.currentDpiStage = 1;
    profile.reportRate = 3;
    profile.moveMode = 0;
    profile.rippleControl = 1;
    profile.angleSnap = 1;
    profile.motionSync = 1;
    profile.lightingMode = 0;
    profile.bleLightingMode = 0;
    profile.reservedByte2 = 1;
    std::fill(std::begin(profile.reserved2389), std::end(profile.reserved2389), 0);
    profile.reservedLightingValue = 0;
    profile.keyDebounce = 4;
    profile.lightingColor = {0, 255, 0, 0};
    CopyArray(profile.stageColor, kDefaultStageColors);
    CopyArray(profile.spareColor, kDefaultSpareColors);

    std::memset(profile.buttons, 0, sizeof profile.buttons);
    for (int i = 0; i < kButtonCount; ++i)
        ResetButtonSlot(profile.buttons[i], i);
}

std::unique_ptr<ProfileRecord> NewProfileRecord(std::u16string_view name)
{
    auto profile = std::make_unique<ProfileRecord>(); // value-initialised: all bytes zero
    ResetProfileDefaults(*profile);
    WriteName(profile->name, name);
    return profile;
}

uint32_t ToArgb(RgbColor color)
{
    return 0xFF000000u | (uint32_t{color.r} << 16) | (uint32_t{color.g} << 8) | color.b;
}

RgbColor FromArgb(uint32_t argb)
{
    return {static_cast<uint8_t>(argb >> 16), static_cast<uint8_t>(argb >> 8),
        static_cast<uint8_t>(argb), 0};
}

} // namespace kestrin
