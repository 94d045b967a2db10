#include "patterns/GunExchange.h"

#include "base/RecordFile.h"

#include <algorithm>

namespace kestrin {

GunFileRead ParseGunFile(std::span<const std::byte> bytes)
{
    GunFileRead read = RecordFromBytes<GunRecord>(bytes);
    if (!read.ok())
        return read;
    GunRecord& gun = *read.value.record;
    const auto refused = [](std::string why) {
        return GunFileRead::Failed(FileError::OutOfRange, std::move(why));
    };
    if (std::ranges::find(gun.name, u'\0') == std::end(gun.name))
        return refused("the name has no end inside its field");
    if (gun.shotCount < 1 || gun.shotCount > kGunMaxShots)
        return refused("shot count " + std::to_string(gun.shotCount) + " outside 1..30");
    SetFileNameRight(gun.name);
    // Shots past the count are taken as they are, as the store takes them.
    read.value.held = HoldShotsInRange(gun);
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

int ImportGunRecord(
    std::unique_ptr<GunRecord> imported, GunList& guns, std::u16string_view baseText)
{
    return AppendUnderFreeName(std::move(imported), guns, baseText);
}

} // namespace kestrin
