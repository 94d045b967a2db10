#pragma once

#include "macros/MacroRecord.h"
#include "patterns/GunRecord.h"
#include "profiles/StoredProfile.h"

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

// Sets every macro or pattern index of buttons 0..17 that points outside its library to -1:
// a damaged or foreign file must never lead a button outside the lists. True when it had to.
bool DropDanglingIndexes(ProfileRecord& profile, const MacroList& macros, const GunList& guns);

// After macro `index` of the library was renamed from `oldName`: every macro button (slots 0..17
// of every profile) that names it as it was called, as re-linking would find it, takes its new
// name, so that re-linking keeps the button. True when a button changed.
bool CarryRenamedMacro(
    ProfileList& profiles, const MacroList& macros, int index, std::u16string_view oldName);
// The same for pattern `index` and the pattern buttons.
bool CarryRenamedGun(
    ProfileList& profiles, const GunList& guns, int index, std::u16string_view oldName);

// Re-links by name every macro and pattern button (slots 0..17) of every profile after a
// library editor closed: a found record refreshes the slot's index, name and copy; a missing
// one turns the button back to its default. Where two records look alike in the slot's 23
// units, the slot's index, else its steps, decide; a slot neither decides is not guessed at
// but turned back to its default too. Indexes outside the libraries are dropped in every
// slot, also in those without a name to re-link by. True when `current` holds such a button.
// A packed profile that keeps every byte stays packed.
bool ResyncButtonAssignments(ProfileList& profiles, const MacroList& macros, const GunList& guns,
    const ProfileRecord* current);

} // namespace kestrin
