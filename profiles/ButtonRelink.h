#pragma once

#include "macros/MacroRecord.h"
#include "patterns/GunRecord.h"
#include "profiles/ProfileRecord.h"

#include <string_view>

namespace kestrin {

// Button assignment and re-linking must treat names alike. A slot keeps 23 units of a name;
// a pattern name may be longer. Both store the name cut to the slot (never splitting a
// surrogate pair) and compare over that cut, so re-linking finds what assignment stored.

// Copies macro `index` of the library into the slot: index, name, step count and actions.
// Function code, play mode and repeat count are the caller's.
void CopyMacroIntoSlot(ButtonSlot& slot, const MacroRecord& macro, int index);

// Copies pattern `index` into the slot: index, name (cut to the slot), shot count and shots.
void CopyGunIntoSlot(ButtonSlot& slot, const GunRecord& gun, int index);

// True when the slot's stored name is `recordName` as the slot would store it, without
// regard to case.
bool SlotNameMatches(const ButtonSlot& slot, std::u16string_view recordName);

// Re-links by name every macro and pattern button (slots 0..17) of every profile after a
// library editor closed: a found record refreshes the slot's index, name and copy; a missing
// one turns the button back to its default. True when `current` holds such a button.
bool ResyncButtonAssignments(ProfileList& profiles, const MacroList& macros, const GunList& guns,
    const ProfileRecord* current);

} // namespace kestrin
