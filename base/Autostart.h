#pragma once

#include "base/FileResult.h"

#include <string>

namespace kestrin {

// The XDG autostart entry that starts the program at login, quietly: into the notification area
// where the desktop has one. The window's "Start with the desktop" and `kestrinctl autostart`
// both go through here.

// The option that starts the program hidden in the notification area.
inline constexpr const char* kStartInTrayOption = "--tray";

// $XDG_CONFIG_HOME/autostart/org.kestrin.Kestrin.desktop, by default under ~/.config/; empty
// when neither names an absolute folder.
std::string AutostartFile(const char* xdgConfigHome, const char* home);
// The same from the environment.
std::string AutostartFile();

// The entry's text: the program of `programFolder` (absolute, with a trailing '/'; kestrinctl's
// is the program's) started with kStartInTrayOption.
std::string AutostartEntry(const std::string& programFolder);

// Whether `file` starts something at login: it exists and is neither hidden nor disabled (the
// way desktops' session settings turn an entry off without removing it).
bool AutostartEnabled(const std::string& file);

// Writes the entry, creating its folder; the one there before is replaced.
SaveResult EnableAutostart(const std::string& file, const std::string& programFolder);
// Removes the entry; none there is no failure.
SaveResult DisableAutostart(const std::string& file);

} // namespace kestrin
