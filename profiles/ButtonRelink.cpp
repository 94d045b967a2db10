#include "profiles/ButtonRelink.h"

#include "base/RecordNames.h"

#include <cstring>

namespace kestrin {
namespace {

template <class List> int FindBySlotName(const List& list, const ButtonSlot& slot)
{
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i] && SlotNameMatches(slot, ReadName(list[i]->name)))
            return static_cast<int>(i);
    return -1;
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

bool ResyncButtonAssignments(ProfileList& profiles, const MacroList& macros, const GunList& guns,
    const ProfileRecord* current)
{
    bool currentHasLink = false;
    for (const auto& profile : profiles) {
        if (!profile)
            continue;
        DropDanglingIndexes(*profile, macros, guns);
        for (int button = 0; button < kButtonCount; ++button) {
            ButtonSlot& slot = profile->buttons[button];
            const bool macro = slot.functionCode == kFunctionMacro;
            if ((!macro && slot.functionCode != kFunctionRecoilPattern) ||
                ReadName(slot.assignedName).empty())
                continue;
            if (profile.get() == current)
                currentHasLink = true;
            if (macro) {
                const int index = FindBySlotName(macros, slot);
                if (index >= 0)
                    CopyMacroIntoSlot(slot, *macros[static_cast<std::size_t>(index)], index);
                else
                    DropAssignment(slot, button, true);
            } else {
                const int index = FindBySlotName(guns, slot);
                if (index >= 0)
                    CopyGunIntoSlot(slot, *guns[static_cast<std::size_t>(index)], index);
                else
                    DropAssignment(slot, button, false);
            }
        }
    }
    return currentHasLink;
}

} // namespace kestrin
