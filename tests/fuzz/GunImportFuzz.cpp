// A pattern file may hold anything: what the reader takes is one pattern whose name ends in its
// field and is text, whose count lies in 1..30 and whose counted shots the editor could have set,
// and it joins a library under a name, never empty, that no other pattern has.
#include "patterns/GunExchange.h"
#include "tests/fuzz/StoreCheck.h"

#include <cstdint>

using namespace kestrin;
using kestrin::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    GunFileRead read = ParseGunFile(std::as_bytes(std::span(data, size)));
    if (!read.ok()) {
        Require(read.value.record == nullptr);
        return 0;
    }
    const GunRecord& gun = *read.value.record;
    Require(kestrin::fuzz::Terminated(gun.name) && IsNameText(gun.name));
    Require(gun.shotCount >= 1 && gun.shotCount <= kGunMaxShots);
    for (int i = 0; i < gun.shotCount; ++i) {
        const GunBullet& shot = gun.shots[i];
        Require(shot.x >= kGunMinCoordinate && shot.x <= kGunMaxCoordinate);
        Require(shot.y >= kGunMinCoordinate && shot.y <= kGunMaxCoordinate);
        Require(shot.delay >= 1 && shot.delay <= kGunMaxDelay);
    }

    GunList guns;
    guns.push_back(std::make_unique<GunRecord>(gun));
    const int index = ImportGunRecord(std::move(read.value.record), guns, u"Gun");
    Require(!ReadName(guns[std::size_t(index)]->name).empty());
    kestrin::fuzz::RequireNamesSound(guns);
    return 0;
}
