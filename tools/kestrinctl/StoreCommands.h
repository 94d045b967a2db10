#pragma once

#include "profiles/ProfileStore.h"

#include <iosfwd>
#include <string>

namespace kestrin::ctl {

// Exit statuses: done, failed (the files or the mouse said no), bad use of the command line.
inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// pro.data as it is, never made or set right; false with a message on `err` when it cannot be
// read.
bool ReadProfiles(const std::string& dataFolder, ProfileList& list, ProfileStoreHeader& header,
    std::ostream& err);
// The index of the profile named `name` (compared as the program compares names), or -1.
int FindProfile(const ProfileList& list, const std::string& name);

// The profiles of a data folder (its pro.data), the current one marked with '*'; as JSON with
// `json`.
int ListProfiles(const std::string& dataFolder, bool json, std::ostream& out, std::ostream& err);

// Writes the profile named `name` (compared as the program compares names) to `file`.
int ExportProfile(const std::string& dataFolder, const std::string& name, const std::string& file,
    std::ostream& out, std::ostream& err);

// Adds the profile in `file` to the data folder as the program's import does: under a free name,
// its macros into the library. Refused while the program runs, which would save over it.
int ImportProfile(const std::string& dataFolder, const std::string& file, bool programRunning,
    std::ostream& out, std::ostream& err);

// Whether the program answers on its instance socket (in the user's runtime folder).
bool ProgramRunning();

} // namespace kestrin::ctl
