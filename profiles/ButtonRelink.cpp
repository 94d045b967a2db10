#include "profiles/ButtonRelink.h"

#include "base/RecordNames.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace kestrin {
namespace {

// The record a slot's stored name stands for. A slot keeps 23 units of a name, so two longer
// names may look alike there: then the slot's own index decides when it points at one of them,
// else the steps the slot holds do. With neither, nothing is linked rather than the wrong one.
// `nameOf` tells a record's name by its index.
template <class List, class SameSteps, class NameOf>
int FindForSlot(
    const List& list, const ButtonSlot& slot, int32_t index, SameSteps sameSteps, NameOf nameOf)
{
    std::vector<int> matches;
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i] && SlotNameMatches(slot, nameOf(i)))
            matches.push_back(static_cast<int>(i));
    if (matches.size() <= 1)
        return matches.empty() ? -1 : matches.front();
    if (std::ranges::find(matches, index) != matches.end())
        return index;
    int found = -1;
    for (int match : matches) {
        if (!sameSteps(*list[static_cast<std::size_t>(match)]))
            continue;
        if (found >= 0)
            return -1;
        found = match;
    }
    return found;
}

template <class List> auto NamesNow(const List& list)
{
    return [&list](std::size_t i) { return ReadName(list[i]->name); };
}

bool SameMacroSteps(const ButtonSlot& slot, const MacroRecord& m)
{
    return m.actionCount == slot.stepCount &&
        std::equal(m.actions, m.actions + m.actionCount, slot.macroCopy,
            [](const MacroAction& a, const MacroAction& b) {
                return std::memcmp(&a, &b, sizeof a) == 0;
            });
}

bool SameGunSteps(const ButtonSlot& slot, const GunRecord& gun)
{
    return gun.shotCount == slot.stepCount &&
        std::memcmp(gun.shots, slot.patternCopy, gun.shotCount * sizeof(GunBullet)) == 0;
}

// The slot loses its assignment entirely, as a slot that never had one except for the
// button's default function.
void DropAssignment(ButtonSlot& slot, int button, bool macro)
{
    std::memset(&slot, 0, sizeof slot);
    slot.functionCode = kDefaultFunctionCodes[button];
    if (macro)
        slot.macroIndex = -1;
    else
        slot.patternIndex = -1;
}

} // namespace

void CopyMacroIntoSlot(ButtonSlot& slot, const MacroRecord& macro, int index)
{
    slot.macroIndex = index;
    slot.stepCount = static_cast<uint16_t>(macro.actionCount);
    WriteName(slot.assignedName, ReadName(macro.name));
    static_assert(sizeof slot.macroCopy == sizeof macro.actions);
    std::memcpy(slot.macroCopy, macro.actions, sizeof slot.macroCopy);
}

void CopyGunIntoSlot(ButtonSlot& slot, const GunRecord& gun, int index)
{
    slot.patternIndex = index;
    slot.stepCount = gun.shotCount;
    WriteName(slot.assignedName, ReadName(gun.name));
    static_assert(sizeof slot.patternCopy == sizeof gun.shots);
    std::memcpy(slot.patternCopy, gun.shots, sizeof slot.patternCopy);
}

bool SlotNameMatches(const ButtonSlot& slot, std::u16string_view recordName)
{
    const std::u16string stored = ReadName(slot.assignedName);
    return !stored.empty() && NamesEqual(stored, CutName(recordName, kSlotNameUnits - 1));
}

bool DropDanglingIndexes(ProfileRecord& profile, const MacroList& macros, const GunList& guns)
{
    const auto inside = [](int32_t index, std::size_t size) {
        return index == -1 || (index >= 0 && static_cast<std::size_t>(index) < size);
    };
    bool dropped = false;
    for (int button = 0; button < kButtonCount; ++button) {
        ButtonSlot& slot = profile.buttons[button];
        if (!inside(slot.macroIndex, macros.size())) {
            slot.macroIndex = -1;
            dropped = true;
        }
        if (!inside(slot.patternIndex, guns.size())) {
            slot.patternIndex = -1;
            dropped = true;
        }
    }
    return dropped;
}

namespace {

// ResyncButtonAssignments for one profile; true when it holds a macro or pattern button.
bool ResyncProfile(ProfileRecord& profile, const MacroList& macros, const GunList& guns)
{
    bool hasLink = false;
    DropDanglingIndexes(profile, macros, guns);
    for (int button = 0; button < kButtonCount; ++button) {
        ButtonSlot& slot = profile.buttons[button];
        const bool macro = slot.functionCode == kFunctionMacro;
        if ((!macro && slot.functionCode != kFunctionRecoilPattern) ||
            ReadName(slot.assignedName).empty())
            continue;
        hasLink = true;
        if (macro) {
            const int index = FindForSlot(
                macros, slot, slot.macroIndex,
                [&slot](const MacroRecord& m) { return SameMacroSteps(slot, m); },
                NamesNow(macros));
            if (index >= 0)
                CopyMacroIntoSlot(slot, *macros[static_cast<std::size_t>(index)], index);
            else
                DropAssignment(slot, button, true);
        } else {
            const int index = FindForSlot(
                guns, slot, slot.patternIndex,
                [&slot](const GunRecord& gun) { return SameGunSteps(slot, gun); }, NamesNow(guns));
            if (index >= 0)
                CopyGunIntoSlot(slot, *guns[static_cast<std::size_t>(index)], index);
            else
                DropAssignment(slot, button, false);
        }
    }
    return hasLink;
}

// CarryRenamedMacro and CarryRenamedGun: the slots of `code` that name record `renamed` as it
// was called take its name now.
template <class List, class SameSteps>
bool CarryRenamed(ProfileList& profiles, const List& list, int renamed, std::u16string_view oldName,
    uint8_t code, int32_t ButtonSlot::*index, SameSteps sameSteps)
{
    const auto at = static_cast<std::size_t>(renamed);
    if (renamed < 0 || at >= list.size() || !list[at])
        return false;
    const std::u16string newName = ReadName(list[at]->name);
    const auto namesBefore = [&](std::size_t i) {
        return i == at ? std::u16string(oldName) : ReadName(list[i]->name);
    };
    bool carried = false;
    for (auto& profile : profiles) {
        if (!profile)
            continue;
        carried |= profile.Update([&](ProfileRecord& record) {
            bool changed = false;
            for (int button = 0; button < kButtonCount; ++button) {
                ButtonSlot& slot = record.buttons[button];
                if (slot.functionCode != code || ReadName(slot.assignedName).empty())
                    continue;
                const auto same = [&](const auto& r) { return sameSteps(slot, r); };
                if (FindForSlot(list, slot, slot.*index, same, namesBefore) != renamed)
                    continue;
                WriteName(slot.assignedName, newName);
                changed = true;
            }
            return changed;
        });
    }
    return carried;
}

} // namespace

bool CarryRenamedMacro(
    ProfileList& profiles, const MacroList& macros, int index, std::u16string_view oldName)
{
    return CarryRenamed(
        profiles, macros, index, oldName, kFunctionMacro, &ButtonSlot::macroIndex, SameMacroSteps);
}

bool CarryRenamedGun(
    ProfileList& profiles, const GunList& guns, int index, std::u16string_view oldName)
{
    return CarryRenamed(profiles, guns, index, oldName, kFunctionRecoilPattern,
        &ButtonSlot::patternIndex, SameGunSteps);
}

bool ResyncButtonAssignments(ProfileList& profiles, const MacroList& macros, const GunList& guns,
    const ProfileRecord* current)
{
    bool currentHasLink = false;
    const auto before = std::make_unique_for_overwrite<ProfileRecord>();
    for (auto& profile : profiles) {
        if (!profile)
            continue;
        const bool isCurrent = !profile.IsPacked() && profile.get() == current;
        profile.CopyTo(*before);
        profile.Update([&](ProfileRecord& record) {
            const bool hasLink = ResyncProfile(record, macros, guns);
            currentHasLink |= isCurrent && hasLink;
            return std::memcmp(&record, before.get(), sizeof record) != 0;
        });
    }
    return currentHasLink;
}

} // namespace kestrin
