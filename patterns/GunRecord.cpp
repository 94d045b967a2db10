#include "patterns/GunRecord.h"

#include "base/RecordNames.h"

#include <algorithm>
#include <span>

namespace kestrin {

void SetNewGunDefaults(GunRecord& gun)
{
    gun.shotCount = kGunMaxShots;
    for (GunBullet& shot : gun.shots) {
        shot.x = 0;
        shot.y = 0;
        shot.delay = kGunDefaultDelay;
    }
}

std::unique_ptr<GunRecord> NewGunRecord(std::u16string_view name)
{
    auto gun = std::make_unique<GunRecord>();
    WriteName(gun->name, name);
    SetNewGunDefaults(*gun);
    return gun;
}

bool HoldShotsInRange(GunRecord& gun)
{
    bool held = false;
    const int count = std::clamp<int>(gun.shotCount, 0, kGunMaxShots);
    for (GunBullet& shot : std::span(gun.shots).first(std::size_t(count))) {
        const GunBullet kept{std::clamp(shot.x, kGunMinCoordinate, kGunMaxCoordinate),
            std::clamp(shot.y, kGunMinCoordinate, kGunMaxCoordinate), shot.reserved8,
            shot.delay < 1 ? uint16_t(kGunDefaultDelay)
                           : std::min(shot.delay, uint16_t(kGunMaxDelay))};
        if (kept.x != shot.x || kept.y != shot.y || kept.delay != shot.delay) {
            shot = kept;
            held = true;
        }
    }
    return held;
}

} // namespace kestrin
