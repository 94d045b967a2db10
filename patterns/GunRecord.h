#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <type_traits>
#include <vector>

namespace kestrin {

// One shot of a recoil pattern: a relative correction and the pause after it.
struct GunBullet {
    int32_t x;
    int32_t y;
    uint16_t reserved8;
    uint16_t delay; // ms, at least 1
};

inline constexpr int kGunMaxShots = 30;
inline constexpr int kGunNameUnits = 50;
inline constexpr int kGunDefaultDelay = 5;
inline constexpr int kGunMinCoordinate = -999;
inline constexpr int kGunMaxCoordinate = 999;
// The longest pause after a shot: what the download carries exactly, 255 hundreds and 99 ms.
inline constexpr int kGunMaxDelay = 25599;

struct GunRecord {
    char16_t name[kGunNameUnits];
    uint8_t shotCount; // 1..30
    uint8_t reserved101[15];
    GunBullet shots[kGunMaxShots];
};

static_assert(sizeof(GunBullet) == 12);
static_assert(offsetof(GunBullet, x) == 0);
static_assert(offsetof(GunBullet, y) == 4);
static_assert(offsetof(GunBullet, reserved8) == 8);
static_assert(offsetof(GunBullet, delay) == 10);
static_assert(sizeof(GunRecord) == 476);
static_assert(offsetof(GunRecord, name) == 0);
static_assert(offsetof(GunRecord, shotCount) == 100);
static_assert(offsetof(GunRecord, reserved101) == 101);
static_assert(offsetof(GunRecord, shots) == 116);
static_assert(std::is_trivially_copyable_v<GunRecord>);
static_assert(std::is_standard_layout_v<GunRecord>);

using GunList = std::vector<std::unique_ptr<GunRecord>>;

// Writes the defaults of a new pattern into a zeroed record: 30 shots of (0, 0) with 5 ms.
void SetNewGunDefaults(GunRecord& gun);

// A zeroed record with the given name and the new-pattern defaults.
std::unique_ptr<GunRecord> NewGunRecord(std::u16string_view name);

// Holds each counted shot of a pattern read from a file to what the editor and the mouse take:
// x and y to -999..999, the pause to at most 25599 ms, and no pause at all to the new-pattern
// default. True when a value was held.
bool HoldShotsInRange(GunRecord& gun);

} // namespace kestrin
