#pragma once

#include "base/SafeFile.h"
#include "macros/MacroRecord.h"
#include "patterns/GunRecord.h"
#include "profiles/StoredProfile.h"

#include <cstddef>
#include <memory>
#include <span>
#include <string>

namespace kestrin {

// A *.pro file: one profile record, raw, nothing else.
inline constexpr const char* kProfileFileExtension = "pro";

using ProfileFileRead = FileResult<std::unique_ptr<ProfileRecord>>;

// Reads a profile file: Unreadable, WrongSize, OutOfRange, or the record. Anything but exactly
// one record, with every setting where the program's own controls keep it, is refused whole: a
// file of another size is not a profile, and half a record or a foreign value must never reach
// the mouse.
ProfileFileRead ReadProfileFile(const std::string& path);
// The same check of a profile file's bytes: WrongSize, OutOfRange, or the record.
ProfileFileRead ParseProfileFile(std::span<const std::byte> bytes);

// Writes the profile as a file of its own, replacing any earlier one only once the new one is
// whole on disk.
SaveResult WriteProfileFile(const std::string& path, const ProfileRecord& profile);

struct ProfileImport {
    int profileIndex = -1; // where the profile now stands in the list
    int macrosAdded = 0;   // macro.data needs saving when nonzero
};

// Adds an imported profile to the list under a free name and brings the macros its buttons
// carry into the library, each under a free name, with the button pointing at it. Recoil
// pattern buttons keep their copy and name; the next re-linking ties them to the library.
// Whatever the file held, names end inside their fields, step counts stay within the copies
// and indexes point into the lists or are -1.
ProfileImport ImportProfileRecord(std::unique_ptr<ProfileRecord> imported, ProfileList& profiles,
    MacroList& macros, const GunList& guns);

} // namespace kestrin
