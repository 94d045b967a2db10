#include "patterns/GunStore.h"

#include "base/RecordNameRules.h"
#include "base/RecordStore.h"

#include <algorithm>

namespace kestrin {
namespace {

// A count outside 1..30 goes to the nearest valid one and every stored shot stays: damage set
// right. A shot's values held to the editor's ranges are values the store may hold, not damage.
bool RepairGun(GunRecord& gun)
{
    bool repaired = MakeNameText(gun.name);
    if (gun.shotCount < 1 || gun.shotCount > kGunMaxShots) {
        gun.shotCount = gun.shotCount < 1 ? 1 : kGunMaxShots;
        repaired = true;
    }
    if (HoldShotsInRange(gun))
        Trace("gun.data: shots of a pattern held to the ranges the mouse takes\n");
    return repaired;
}

std::mutex saveMutex;

} // namespace

void ParseGunStore(std::span<const std::byte> bytes, GunList& list, StoreLoadReport& report)
{
    detail::ParseRecordStore(bytes, list, report, RepairGun);
}

StoreLoadReport LoadGunStore(const std::string& dataFolder, GunList& list)
{
    return detail::LoadRecordStore(GunStorePath(dataFolder), list, RepairGun);
}

SaveResult SaveGunStore(const std::string& dataFolder, const GunList& list)
{
    return detail::SaveRecordStore(GunStorePath(dataFolder), list, saveMutex);
}

GunRecord& CreateGun(
    const std::string& dataFolder, GunList& list, std::u16string_view baseText, SaveResult* saved)
{
    // Made whole at once (30 shots of 5 ms), so the store never holds a pattern of 0 shots.
    list.push_back(NewGunRecord(DefaultRecordName(list, baseText)));
    SaveResult result = SaveGunStore(dataFolder, list);
    if (saved)
        *saved = std::move(result);
    return *list.back();
}

} // namespace kestrin
