#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace kestrin {

// The layout names a desktop announces ("fr", variant "oss"); the first of a list.
struct LayoutNames {
    std::string layout;
    std::string variant;
};

using EnvironmentLookup = std::function<const char*(const char* name)>;

// The layout the desktop announces without a display to ask: XKB_DEFAULT_LAYOUT, else the
// system keyboard configuration below `root` (/etc/default/keyboard, /etc/vconsole.conf,
// the X11 keyboard configuration written by localectl). Nothing when none names one.
std::optional<LayoutNames> AnnouncedLayout(
    const EnvironmentLookup& environment, const std::filesystem::path& root = "/");

} // namespace kestrin
