#pragma once

#include "macros/MacroRecord.h"
#include "patterns/GunRecord.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <type_traits>
#include <vector>

namespace kestrin {

// A stored colour: red, green, blue, then a zero byte.
struct RgbColor {
    uint8_t r;
    uint8_t g;
    uint8_t b;
    uint8_t zero;

    friend bool operator==(const RgbColor&, const RgbColor&) = default;
};

// Bit masks of ButtonSlot::shortcutModifiers.
inline constexpr uint8_t kModifierCtrl = 0x01;
inline constexpr uint8_t kModifierShift = 0x02;
inline constexpr uint8_t kModifierAlt = 0x04;
inline constexpr uint8_t kModifierWin = 0x08;

// Function codes with a meaning of their own beyond the button-map table.
inline constexpr uint8_t kFunctionKeyShortcut = 16;
inline constexpr uint8_t kFunctionMacro = 17;
inline constexpr uint8_t kFunctionRecoilPattern = 18;

inline constexpr int kButtonSlotCount = 24;
inline constexpr int kButtonCount = 18; // slots 18..23 are carried but never used
inline constexpr int kSlotNameUnits = 24;
inline constexpr uint16_t kSlotReservedWord = 562;
inline constexpr int kPatternPlayMode = 2;

// The assignment of one button position.
struct ButtonSlot {
    uint8_t buttonNumber;
    uint8_t functionCode;
    uint8_t reserved2;
    uint8_t shortcutKey;
    uint8_t reserved4[3];
    uint8_t shortcutModifiers;
    uint16_t reservedWord; // 562 at creation
    uint8_t reserved10[2];
    int32_t playMode;
    char16_t assignedName[kSlotNameUnits];
    int32_t repeatCount;
    uint16_t stepCount;
    uint8_t reserved70[1002];
    int32_t macroIndex;   // into the MacroList, -1 for none
    int32_t patternIndex; // into the GunList, -1 for none
    uint8_t reserved1080[4];
    GunBullet patternCopy[kGunMaxShots];
    uint8_t downloadOptions[4];
    MacroAction macroCopy[kMacroMaxActions];
};

inline constexpr int kDpiStageCount = 8;
inline constexpr int kProfileNameUnits = 100;

// One complete set of mouse settings; the same bytes in memory, in pro.data and in a .pro file.
struct ProfileRecord {
    char16_t name[kProfileNameUnits];
    char16_t reservedText1[500];
    char16_t reservedText2[500];
    int32_t reservedValue1;
    int32_t reservedValue2;
    uint8_t reservedByte1;
    uint8_t reserved2209[3];
    int32_t reservedValue3;
    uint8_t reserved2216[8];
    int32_t reservedSensorValue1;
    int32_t liftOffDistance;
    int32_t reservedSensorValue2;
    uint8_t reserved2236[8];
    int32_t dpiX[kDpiStageCount]; // units of 50 DPI, 1..520
    int32_t dpiY[kDpiStageCount];
    int32_t stageEnabled[kDpiStageCount];
    int32_t brightness;
    int32_t breathSpeed;
    int32_t lightOffTimer; // half units
    int32_t sleepTimer;
    int32_t currentDpiStage; // 0..7
    int32_t reportRate;      // 0..3 = 125, 250, 500, 1000 Hz
    int32_t moveMode;
    int32_t rippleControl;
    int32_t angleSnap;
    int32_t motionSync;
    int32_t lightingMode;
    int32_t bleLightingMode;
    uint8_t reservedByte2;
    uint8_t reserved2389[3];
    int32_t reservedLightingValue;
    int32_t keyDebounce; // units of 2 ms
    RgbColor lightingColor;
    RgbColor stageColor[kDpiStageCount];
    RgbColor spareColor[kDpiStageCount];
    ButtonSlot buttons[kButtonSlotCount];
};

static_assert(sizeof(RgbColor) == 4);

static_assert(sizeof(ButtonSlot) == 1632);
static_assert(offsetof(ButtonSlot, buttonNumber) == 0);
static_assert(offsetof(ButtonSlot, functionCode) == 1);
static_assert(offsetof(ButtonSlot, reserved2) == 2);
static_assert(offsetof(ButtonSlot, shortcutKey) == 3);
static_assert(offsetof(ButtonSlot, reserved4) == 4);
static_assert(offsetof(ButtonSlot, shortcutModifiers) == 7);
static_assert(offsetof(ButtonSlot, reservedWord) == 8);
static_assert(offsetof(ButtonSlot, reserved10) == 10);
static_assert(offsetof(ButtonSlot, playMode) == 12);
static_assert(offsetof(ButtonSlot, assignedName) == 16);
static_assert(offsetof(ButtonSlot, repeatCount) == 64);
static_assert(offsetof(ButtonSlot, stepCount) == 68);
static_assert(offsetof(ButtonSlot, reserved70) == 70);
static_assert(offsetof(ButtonSlot, macroIndex) == 1072);
static_assert(offsetof(ButtonSlot, patternIndex) == 1076);
static_assert(offsetof(ButtonSlot, reserved1080) == 1080);
static_assert(offsetof(ButtonSlot, patternCopy) == 1084);
static_assert(offsetof(ButtonSlot, downloadOptions) == 1444);
static_assert(offsetof(ButtonSlot, macroCopy) == 1448);
// The copies are the record tails byte for byte.
static_assert(sizeof(ButtonSlot::patternCopy) == sizeof(GunRecord) - offsetof(GunRecord, shots));
static_assert(
    sizeof(ButtonSlot::macroCopy) == sizeof(MacroRecord) - offsetof(MacroRecord, actions));

static_assert(sizeof(ProfileRecord) == 41636);
static_assert(offsetof(ProfileRecord, name) == 0);
static_assert(offsetof(ProfileRecord, reservedText1) == 200);
static_assert(offsetof(ProfileRecord, reservedText2) == 1200);
static_assert(offsetof(ProfileRecord, reservedValue1) == 2200);
static_assert(offsetof(ProfileRecord, reservedValue2) == 2204);
static_assert(offsetof(ProfileRecord, reservedByte1) == 2208);
static_assert(offsetof(ProfileRecord, reserved2209) == 2209);
static_assert(offsetof(ProfileRecord, reservedValue3) == 2212);
static_assert(offsetof(ProfileRecord, reserved2216) == 2216);
static_assert(offsetof(ProfileRecord, reservedSensorValue1) == 2224);
static_assert(offsetof(ProfileRecord, liftOffDistance) == 2228);
static_assert(offsetof(ProfileRecord, reservedSensorValue2) == 2232);
static_assert(offsetof(ProfileRecord, reserved2236) == 2236);
static_assert(offsetof(ProfileRecord, dpiX) == 2244);
static_assert(offsetof(ProfileRecord, dpiY) == 2276);
static_assert(offsetof(ProfileRecord, stageEnabled) == 2308);
static_assert(offsetof(ProfileRecord, brightness) == 2340);
static_assert(offsetof(ProfileRecord, breathSpeed) == 2344);
static_assert(offsetof(ProfileRecord, lightOffTimer) == 2348);
static_assert(offsetof(ProfileRecord, sleepTimer) == 2352);
static_assert(offsetof(ProfileRecord, currentDpiStage) == 2356);
static_assert(offsetof(ProfileRecord, reportRate) == 2360);
static_assert(offsetof(ProfileRecord, moveMode) == 2364);
static_assert(offsetof(ProfileRecord, rippleControl) == 2368);
static_assert(offsetof(ProfileRecord, angleSnap) == 2372);
static_assert(offsetof(ProfileRecord, motionSync) == 2376);
static_assert(offsetof(ProfileRecord, lightingMode) == 2380);
static_assert(offsetof(ProfileRecord, bleLightingMode) == 2384);
static_assert(offsetof(ProfileRecord, reservedByte2) == 2388);
static_assert(offsetof(ProfileRecord, reserved2389) == 2389);
static_assert(offsetof(ProfileRecord, reservedLightingValue) == 2392);
static_assert(offsetof(ProfileRecord, keyDebounce) == 2396);
static_assert(offsetof(ProfileRecord, lightingColor) == 2400);
static_assert(offsetof(ProfileRecord, stageColor) == 2404);
static_assert(offsetof(ProfileRecord, spareColor) == 2436);
static_assert(offsetof(ProfileRecord, buttons) == 2468);
static_assert(std::is_trivially_copyable_v<ProfileRecord>);
static_assert(std::is_standard_layout_v<ProfileRecord>);

// The function each of the 18 buttons has by default, and falls back to when its macro or
// pattern disappears.
inline constexpr uint8_t kDefaultFunctionCodes[kButtonCount] = {
    1, 2, 3, 6, 6, 52, 5, 4, 0, 0, 0, 0, 0, 0, 0, 0, 12, 11};

// Resets a button slot to its defaults for button position `index` (0..17).
void ResetButtonSlot(ButtonSlot& slot, int index);

// Writes every default into an existing record; keeps the name and the reserved zero ranges.
void ResetProfileDefaults(ProfileRecord& profile);

// A zeroed record with every default and the given name (cut to 99 characters).
std::unique_ptr<ProfileRecord> NewProfileRecord(std::u16string_view name);

// Stored colour <-> the UI's ARGB value with alpha 255.
uint32_t ToArgb(RgbColor color);
RgbColor FromArgb(uint32_t argb);

} // namespace kestrin
