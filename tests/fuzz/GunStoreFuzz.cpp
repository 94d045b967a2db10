// gun.data may hold anything: every record read has 1..30 shots and a sound name, put on a
// button it passes the profile's range check, and a button linked to any of them re-links to
// that very record, however alike long names are in the 23 units a button keeps.
#include "patterns/GunStore.h"
#include "profiles/ButtonRelink.h"
#include "profiles/ProfileRanges.h"
#include "tests/fuzz/StoreCheck.h"

#include <cstdint>

using namespace kestrin;
using kestrin::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    GunList list;
    StoreLoadReport report;
    ParseGunStore(std::as_bytes(std::span(data, size)), list, report);
    Require(list.size() == size / sizeof(GunRecord));
    Require(report.droppedTailBytes == size % sizeof(GunRecord));
    kestrin::fuzz::RequireNamesSound(list);
    for (const auto& gun : list) {
        Require(gun->shotCount >= 1 && gun->shotCount <= kGunMaxShots);
        auto profile = NewProfileRecord(u"q");
        profile->buttons[1].functionCode = kFunctionRecoilPattern;
        CopyGunIntoSlot(profile->buttons[1], *gun, 0);
        Require(!SettingOutOfRange(*profile));
    }

    ProfileList profiles;
    profiles.push_back(NewProfileRecord(u"p"));
    for (std::size_t i = 0; i < list.size() && i < kButtonCount; ++i) {
        ButtonSlot& slot = profiles[0]->buttons[i];
        slot.functionCode = kFunctionRecoilPattern;
        CopyGunIntoSlot(slot, *list[i], static_cast<int>(i));
    }
    ResyncButtonAssignments(profiles, {}, list, profiles[0].get());
    for (std::size_t i = 0; i < list.size() && i < kButtonCount; ++i) {
        const ButtonSlot& slot = profiles[0]->buttons[i];
        if (ReadName(list[i]->name).empty())
            continue;
        Require(slot.functionCode == kFunctionRecoilPattern &&
            slot.patternIndex == static_cast<int32_t>(i));
    }
    return 0;
}
