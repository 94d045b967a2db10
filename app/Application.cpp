#include "app/Application.h"

#include "app/MainWnd.h"
#include "app/SingleInstance.h"
#include "base/Messages.h"
#include "base/Trace.h"
#include "platform/TraceLog.h"
#include "platform/WindowRegistry.h"
#include "ui/MenuWnd.h"
#include "ui/ResourceManager.h"

#include <QApplication>
#include <QCoreApplication>

#include <cstring>

namespace kestrin {
namespace {

const QString InstanceName = QStringLiteral("VELTRA Kestrin");

// The skin: plain files in res/ beside the program.
void SetupSkinResources()
{
    CPaintManagerUI::SetResourcePath(CPaintManagerUI::GetInstancePath() + QStringLiteral("res/"));
    CResourceManager* resources = CResourceManager::GetInstance();
    resources->LoadResource(QStringLiteral("main.xml"));
    resources->LoadStyleSheet(QStringLiteral("kestrin.qss"));
}

void RunCommand(CMainWnd& mainWindow, const QString& command)
{
    if (command == QLatin1String("show")) {
        mainWindow.PostMessage(WM_SHOW_INSTANCE, 0, 0);
    } else if (command == QLatin1String("apply")) {
        mainWindow.PostMessage(WM_APPLY_REQUEST, 0, 0);
    } else if (command.startsWith(QLatin1String("menu "))) {
        auto* record = new MenuCmd;
        record->szName = command.mid(5).trimmed();
        if (!mainWindow.PostMessage(WM_MENU_COMMAND, reinterpret_cast<uintptr_t>(record), 0))
            delete record;
    } else {
        Trace("instance socket: unknown command\n");
    }
}

} // namespace

int RunKestrin(int argc, char** argv)
{
    SingleInstance instance(InstanceName);
    if (!instance.TryBecomePrimary()) {
        // No display needed to wake the running copy.
        QCoreApplication app(argc, argv);
        instance.SendCommand(QStringLiteral("show"));
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kestrin"));
    QApplication::setDesktopFileName(QStringLiteral("kestrin"));
    // The window lives on in the tray when hidden; only the tray's "exit" ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    RouteTraceToQtLogging();

    size_t commandLineLength = 0;
    for (int i = 1; i < argc; ++i)
        commandLineLength += std::strlen(argv[i]) + (i > 1 ? 1 : 0);
    Trace("ilen = %d\r\n", int(commandLineLength));

    CPaintManagerUI::SetInstance();
    SetupSkinResources();

    // Listening before the window exists narrows the time in which a second start finds no
    // one to wake; commands are read only once the event loop runs.
    std::unique_ptr<CMainWnd> mainWindow;
    instance.Listen([&mainWindow](const QString& command) {
        if (mainWindow)
            RunCommand(*mainWindow, command);
    });
    mainWindow = std::make_unique<CMainWnd>();
    mainWindow->Create(nullptr, QString(), MAIN_WINDOW_STYLE, 0, 0, 0, 800, 572);
    mainWindow->CenterWindow();

    const int result = CPaintManagerUI::MessageLoop();

    mainWindow.reset();
    // Windows retired during the last messages go now, while Qt is still up.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    CPaintManagerUI::Term();
    return result;
}

} // namespace kestrin
