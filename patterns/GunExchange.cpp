#include "patterns/GunExchange.h"

#include "base/RecordFile.h"

#include <algorithm>

namespace kestrin {

GunFileRead ParseGunFile(std::span<const std::byte> bytes)
{
    GunFileRead read = RecordFromBytes<GunRecord>(bytes);
    if (!read.ok())
        return read;
    const GunRecord& gun = *read.value;
    const auto refused = [](std::string why) {
        return GunFileRead::Failed(FileError::OutOfRange, std::move(why));
    };
    if (std::ranges::find(gun.name, u'\0') == std::end(gun.name))
        return refused("the name has no end inside its field");
    if (!IsNameText(gun.name))
        return refused("the name is not text");
    if (gun.shotCount < 1 || gun.shotCount > kGunMaxShots)
        return refused("shot count " + std::to_string(gun.shotCount) + " outside 1..30");
    // Shots past the count are taken as they are, as the store takes them.
    const auto inRange = [](const GunBullet& shot) {
        const auto coordinate = [](int32_t v) {
            return v >= kGunMinCoordinate && v <= kGunMaxCoordinate;
        };
        return coordinate(shot.x) && coordinate(shot.y) && shot.delay >= 1 &&
            shot.delay <= kGunMaxDelay;
    };
    if (!std::all_of(gun.shots, gun.shots + gun.shotCount, inRange))
        return refused("a shot outside x and y -999..999, pause 1..25599 ms");
    return read;
}

GunFileRead ReadGunFile(const std::string& path)
{
    return ReadRecordFile<GunRecord>(path, ParseGunFile, "pattern");
}

SaveResult WriteGunFile(const std::string& path, const GunRecord& gun)
{
    return WriteRecordFile(path, gun);
}

int ImportGunRecord(std::unique_ptr<GunRecord> imported, GunList& guns)
{
    return AppendUnderFreeName(std::move(imported), guns);
}

} // namespace kestrin
