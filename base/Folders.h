#pragma once

#include <string>

namespace kestrin {

// The running program's folder with a trailing '/', from /proc/self/exe.
std::string GetProgramFolder();

// Where the data files live, with a trailing '/'; created when missing (a failure is logged to
// the trace and the path is still returned, so later saves fail and say so).
// Normally the program folder + "Data/"; where the program folder is not writable or lies under
// /usr (a system-wide install), $XDG_DATA_HOME/kestrin/Data/, by default
// ~/.local/share/kestrin/Data/.
std::string GetDataFolder();

// The decision behind GetDataFolder, for a given program folder and environment.
// `xdgDataHome` and `home` may be null or empty, as in the environment.
std::string ChooseDataFolder(const std::string& programFolder, bool programFolderWritable,
    const char* xdgDataHome, const char* home);

// Creates `folder` and its parents when missing. False when it is not a folder afterwards
// (a file in the way, no permission); the reason goes to the trace.
bool EnsureFolder(const std::string& folder);

} // namespace kestrin
