#include "app/InstanceCommands.h"

#include "app/MainWnd.h"
#include "base/Messages.h"
#include "base/Trace.h"
#include "platform/ModalLoops.h"
#include "ui/MenuWnd.h"

namespace kestrin {
namespace {

// kestrinctl's view of the program, one line: fields, the profile's name last and whole.
QByteArray StatusAnswer(const CMS_1_Page::Status& status)
{
    QString name = QString::fromStdU16String(status.profile);
    for (QChar& c : name)
        if (c.category() == QChar::Other_Control)
            c = QChar::ReplacementCharacter;
    return QStringLiteral("ok cable=%1 receiver=%2 ble=%3 battery=%4 charging=%5 stage=%6 dpi=%7 "
                          "untaken=%8 profile=%9")
        .arg(int(status.cable))
        .arg(int(status.receiver))
        .arg(int(status.ble))
        .arg(status.battery.value_or(-1))
        .arg(int(status.charging))
        .arg(status.stage)
        .arg(status.dpi)
        .arg(int(status.untaken))
        .arg(name)
        .toUtf8();
}

// Answers once the applies asked for so far are over, with how they ended.
void ReplyWhenApplied(CMainWnd& mainWindow, const SingleInstance::Reply& reply)
{
    mainWindow.Page().WhenAppliesDone([reply](CMS_1_Page::ApplyOutcome outcome) {
        switch (outcome) {
        case CMS_1_Page::ApplyOutcome::Taken:
            reply("ok taken");
            break;
        case CMS_1_Page::ApplyOutcome::Untaken:
            reply("ok untaken");
            break;
        case CMS_1_Page::ApplyOutcome::NoMouse:
            reply("ok nomouse");
            break;
        }
    });
}

// Commands that switch, send or choose; "exit" ends the dialogs first and so is taken.
bool ChangesState(const QString& command)
{
    if (command.startsWith(QLatin1String("menu ")))
        return RouteMenuCommand(command.mid(5).trimmed()) != MenuRoute::Exit;
    return command == QLatin1String("apply") || command == QLatin1String("apply wait") ||
        command.startsWith(QLatin1String("use "));
}

} // namespace

bool PostMenuCommand(CMainWnd& mainWindow, const QString& item)
{
    MenuCmd command;
    command.szName = item;
    return PostMenuCommand(mainWindow.GetHWND(), std::move(command));
}

// The instance socket's commands. "apply wait" and "use" answer when the mouse has what they
// asked for (or cannot have it); scripts learn the outcome rather than guess at it.
void RunInstanceCommand(
    CMainWnd& mainWindow, const QString& command, const SingleInstance::Reply& reply)
{
    const auto answer = [&reply](bool ok) { reply(ok ? "ok" : "unknown"); };
    // An edit under way in a dialog must land on the profile it was made for.
    if (InModalLoop() && ChangesState(command))
        return reply("busy");
    if (command == QLatin1String("show"))
        return answer(mainWindow.PostMessage(WM_SHOW_INSTANCE, 0, 0));
    if (command == QLatin1String("apply"))
        return answer(mainWindow.PostMessage(WM_APPLY_REQUEST, 0, 0));
    if (command.startsWith(QLatin1String("menu ")))
        return answer(PostMenuCommand(mainWindow, command.mid(5).trimmed()));
    if (command == QLatin1String("status"))
        return reply(StatusAnswer(mainWindow.Page().CurrentStatus()));
    if (command == QLatin1String("apply wait")) {
        if (!mainWindow.PostMessage(WM_APPLY_REQUEST, 0, 0))
            return answer(false);
        return ReplyWhenApplied(mainWindow, reply);
    }
    if (command.startsWith(QLatin1String("use "))) {
        if (!mainWindow.Page().UseProfile(command.mid(4).trimmed().toStdU16String()))
            return reply("error no-profile");
        return ReplyWhenApplied(mainWindow, reply);
    }
    Trace("instance socket: unknown command\n");
    answer(false);
}

} // namespace kestrin
