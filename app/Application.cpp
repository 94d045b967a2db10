#include "app/Application.h"

#include "app/InstanceCommands.h"
#include "app/MainWnd.h"
#include "app/SingleInstance.h"
#include "base/Autostart.h"
#include "base/Messages.h"
#include "base/Trace.h"
#include "platform/QuitSignals.h"
#include "platform/TraceLog.h"
#include "platform/WindowRegistry.h"
#include "ui/MenuWnd.h"
#include "ui/MsgWnd.h"
#include "ui/ResourceManager.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFontDatabase>

#include <chrono>
#include <cstring>
#include <future>

namespace kestrin {
namespace {

const QString InstanceName = QStringLiteral("VELTRA Kestrin");

// The skin: plain files in res/ beside the program. The texts come first, so that each layout
// shows them as it is built.
void SetupSkinResources()
{
    CPaintManagerUI::SetResourcePath(CPaintManagerUI::GetInstancePath() + QStringLiteral("res/"));
    CResourceManager* resources = CResourceManager::GetInstance();
    resources->LoadResource(QStringLiteral("main.xml"));
    resources->UseDesktopLanguage(QStringLiteral("lan.xml"));
    resources->LoadLanguage(QStringLiteral("lan.xml"));
    resources->LoadStyleSheet(QStringLiteral("kestrin.qss"));
}

// How long a second start waits for the running copy's answer, and then for a copy it ends.
constexpr int kWakeTimeoutMs = 5000;
constexpr int kEndGraceMs = 3000;
// How long a start at login waits for a panel's notification area before it shows the window.
constexpr std::chrono::seconds kTrayPatience{10};

// A second start whose running copy holds the lock but has not answered: it may hang, and
// waking it would leave the user with no window. The user may end it and start anew.
bool TakeOverFromUnansweringCopy(SingleInstance& instance)
{
    if (CMsgWnd::Ask(nullptr, QStringLiteral("instance_unanswered_text")) != 1)
        return false;
    if (instance.EndUnansweringCopy(kEndGraceMs))
        return true;
    Trace("the running copy could not be ended\n");
    return false;
}

} // namespace

int RunKestrin(int argc, char** argv)
{
    // Qt would read options of its own from the command line (-platform, -style, -reverse…): Qt
    // is given the program's name alone.
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    bool startInTray = false;
    for (int i = 1; i < argc; ++i)
        startInTray |= std::strcmp(argv[i], kStartInTrayOption) == 0;
    SingleInstance instance(InstanceName);
    bool primary = instance.TryBecomePrimary();
    // A start at login leaves a copy that already runs as it is.
    if (!primary && startInTray)
        return 1;
    if (!primary) {
        // No display needed to wake the running copy.
        SingleInstance::Wake woken = SingleInstance::Wake::Unanswered;
        {
            QCoreApplication probe(qtArgc, qtArgv);
            woken = instance.WakeRunningCopy(kWakeTimeoutMs);
        }
        if (woken == SingleInstance::Wake::Woken)
            return 1;
        primary = woken == SingleInstance::Wake::BecamePrimary;
    }

    // On X11, Qt hands each repaint to the server through shared memory and then wakes for the
    // server's word that it is done: with the charging ring's frame every 30 ms that was two
    // wake-ups a frame more and a third of the program's CPU while it sat shown. The window is
    // small; its pixels go over the socket. Only for our own connection: children inherit
    // nothing, and a user's own setting stands.
    const bool sharedMemoryChosen = qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM");
    if (!sharedMemoryChosen)
        qputenv("QT_XCB_NO_MITSHM", "1");
    QApplication app(qtArgc, qtArgv);
    if (!sharedMemoryChosen)
        qunsetenv("QT_XCB_NO_MITSHM");
    // The font database is read on a thread of its own while the skin is read: the first
    // window's first text waits for it otherwise.
    const std::future<void> fonts =
        std::async(std::launch::async, [] { (void)QFontDatabase::families(); });
    QApplication::setApplicationName(QStringLiteral("kestrin"));
    QApplication::setDesktopFileName(QStringLiteral("org.kestrin.Kestrin"));
    // The window lives on in the tray when hidden; only the tray's "exit" ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    RouteTraceToQtLogging();

    size_t commandLineLength = 0;
    for (int i = 1; i < argc; ++i)
        commandLineLength += std::strlen(argv[i]) + (i > 1 ? 1 : 0);
    Trace("ilen = %d\r\n", int(commandLineLength));

    CPaintManagerUI::SetInstance();
    SetupSkinResources();
    if (!primary && !TakeOverFromUnansweringCopy(instance))
        return 1;

    // Listening before the window exists narrows the time in which a second start finds no
    // one to wake; commands are read only once the event loop runs.
    std::unique_ptr<CMainWnd> mainWindow;
    instance.Listen([&mainWindow](const QString& command, const SingleInstance::Reply& reply) {
        if (mainWindow)
            RunInstanceCommand(*mainWindow, command, reply);
        else
            reply("unknown");
    });
    mainWindow = std::make_unique<CMainWnd>();
    mainWindow->Page().ReadStoresAhead();
    mainWindow->Create(nullptr, QString(),
        startInTray ? MAIN_WINDOW_STYLE & ~WS_VISIBLE : MAIN_WINDOW_STYLE, 0, 0, 0, 800, 572);
    mainWindow->CenterWindow();
    // Without a notification area to wait in, the window is the program and shows after all.
    if (startInTray)
        mainWindow->ShowUnlessATrayAppears(kTrayPatience);
    // Leaves as the tray's "Exit" does, saving what it holds.
    const QuitSignals quitSignals([&mainWindow] {
        if (mainWindow)
            PostMenuCommand(*mainWindow, QStringLiteral("exit"));
    });

    const int result = CPaintManagerUI::MessageLoop();
    // A copy on its way out takes no more commands: a second start now waits for the lock.
    instance.StopListening();

    mainWindow.reset();
    // Windows retired during the last messages go now, while Qt is still up.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    CPaintManagerUI::Term();
    return result;
}

} // namespace kestrin
