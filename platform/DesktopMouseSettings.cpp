#include "platform/DesktopMouseSettings.h"

#include "base/Trace.h"

#include <QProcess>
#include <QStandardPaths>

#include <span>

namespace kestrin {

namespace {

struct Candidate {
    const char* desktop; // as XDG_CURRENT_DESKTOP names it
    DesktopCommand command;
};

// Newer programs first where a desktop renamed its settings tool.
std::span<const Candidate> Candidates()
{
    static const Candidate candidates[] = {
        {"KDE", {QStringLiteral("systemsettings"), {QStringLiteral("kcm_mouse")}}},
        {"KDE", {QStringLiteral("kcmshell6"), {QStringLiteral("kcm_mouse")}}},
        {"KDE", {QStringLiteral("kcmshell5"), {QStringLiteral("mouse")}}},
        {"GNOME", {QStringLiteral("gnome-control-center"), {QStringLiteral("mouse")}}},
        {"X-Cinnamon", {QStringLiteral("cinnamon-settings"), {QStringLiteral("mouse")}}},
        {"MATE", {QStringLiteral("mate-mouse-properties"), {}}},
        {"XFCE", {QStringLiteral("xfce4-mouse-settings"), {}}},
        {"LXQt", {QStringLiteral("lxqt-config-input"), {}}},
        {"Budgie", {QStringLiteral("gnome-control-center"), {QStringLiteral("mouse")}}},
        {"Unity", {QStringLiteral("gnome-control-center"), {QStringLiteral("mouse")}}},
    };
    return candidates;
}

} // namespace

std::optional<DesktopCommand> DesktopMouseSettingsCommand(
    const QString& currentDesktop, const std::function<bool(const QString&)>& installed)
{
    const QStringList desktops = currentDesktop.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString& desktop : desktops) {
        for (const Candidate& candidate : Candidates()) {
            if (desktop.compare(QLatin1String(candidate.desktop), Qt::CaseInsensitive) == 0 &&
                installed(candidate.command.program))
                return candidate.command;
        }
    }
    // An unnamed or unknown desktop: whichever settings program is there.
    for (const Candidate& candidate : Candidates()) {
        if (installed(candidate.command.program))
            return candidate.command;
    }
    return std::nullopt;
}

bool OpenDesktopMouseSettings()
{
    const auto command = DesktopMouseSettingsCommand(qEnvironmentVariable("XDG_CURRENT_DESKTOP"),
        [](const QString& program) { return !QStandardPaths::findExecutable(program).isEmpty(); });
    if (!command) {
        Trace("no mouse settings program on this desktop\r\n");
        return false;
    }
    return QProcess::startDetached(command->program, command->arguments);
}

} // namespace kestrin
