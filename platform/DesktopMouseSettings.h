#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace kestrin {

// A program to start, with its arguments.
struct DesktopCommand {
    QString program;
    QStringList arguments;
    friend bool operator==(const DesktopCommand&, const DesktopCommand&) = default;
};

// The desktop's own mouse settings for the desktops named in `currentDesktop` (the form of
// XDG_CURRENT_DESKTOP, "ubuntu:GNOME"), falling back to any settings program that is
// installed. `installed` says whether a program is on the path. Nothing when there is none.
std::optional<DesktopCommand> DesktopMouseSettingsCommand(
    const QString& currentDesktop, const std::function<bool(const QString&)>& installed);

// Opens the desktop's mouse settings, detached; false where the desktop has none.
bool OpenDesktopMouseSettings();

} // namespace kestrin
