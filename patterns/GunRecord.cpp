#include "patterns/GunRecord.h"

#include "base/RecordNames.h"

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

} // namespace kestrin
