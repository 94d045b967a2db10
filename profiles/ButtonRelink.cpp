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
template <class List, class SameSteps>
int FindForSlot(const List& list, const ButtonSlot& slot, int32_t index, SameSteps sameSteps)
{
    std::vector<int> matches;
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i] && SlotNameMatches(slot, ReadName(list[i]->name)))
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
            const int index =
                FindForSlot(macros, slot, slot.macroIndex, [&slot](const MacroRecord& m) {
                    return m.actionCount == slot.stepCount &&
                        std::equal(m.actions, m.actions + m.actionCount, slot.macroCopy,
                            [](const MacroAction& a, const MacroAction& b) {
                                return std::memcmp(&a, &b, sizeof a) == 0;
                            });
                });
            if (index >= 0)
                CopyMacroIntoSlot(slot, *macros[static_cast<std::size_t>(index)], index);
            else
                DropAssignment(slot, button, true);
        } else {
            const int index =
                FindForSlot(guns, slot, slot.patternIndex, [&slot](const GunRecord& gun) {
                    return gun.shotCount == slot.stepCount &&
                        std::memcmp(
                            gun.shots, slot.patternCopy, gun.shotCount * sizeof(GunBullet)) == 0;
                });
            if (index >= 0)
                CopyGunIntoSlot(slot, *guns[static_cast<std::size_t>(index)], index);
            else
                DropAssignment(slot, button, false);
        }
    }
    return hasLink;
}

} // namespace

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
