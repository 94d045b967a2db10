// How long the macro and the recoil pattern libraries take to open: from the click on their
// button in the main window to their window exposed on the X server (mapped and shown), each
// opened and closed in turn, on the program's own page against an in-process virtual mouse.
// The first opening of each is told apart from the later ones. Targets: the macro library
// within 15 ms, the pattern library within 20 ms. Its peer is what Qt itself needs for the
// pattern library's window as it opens: a window made in code of the same kinds of widget, with
// as many shot rows as the library builds at its opening, under the same style sheet.
// usage: library_open_bench [ROUNDS]   (under an X server; make bench runs it in Xvfb)
#include "app/MainWnd.h"
#include "device/DriverLibraries.h"
#include "tools/virtualmouse/VirtualMouseServer.h"
#include "tools/virtualmouse/Wire.h"
#include "ui/Control.h"
#include "ui/ResourceManager.h"
#include "ui/WindowImplBase.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using namespace kestrin;
using namespace std::chrono_literals;

namespace {

struct Library {
    const char* label;
    const char* button;
    double targetMs;
    double firstMs = -1;
    std::vector<double> laterMs;
};

// Milliseconds from `clock`'s start until `window` is exposed; negative when it never is.
double UntilExposed(QWindow* window, const QElapsedTimer& clock)
{
    while (window && !window->isExposed() && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
    return window && window->isExposed() ? double(clock.nsecsElapsed()) / 1e6 : -1;
}

// The pattern library's window made by hand in Qt: its list, buttons, captions and count, and
// `rows` shot rows of a number, three values and their six step buttons, in a scroll area.
double OpenQtFloor(int rows)
{
    QElapsedTimer clock;
    clock.start();
    QWidget window(nullptr, Qt::FramelessWindowHint);
    window.resize(1000, 660);
    auto* body = new QHBoxLayout(&window);
    auto* column = new QVBoxLayout;
    body->addLayout(column);
    column->addWidget(new QLabel(QStringLiteral("Patterns")));
    column->addWidget(new QListWidget);
    for (const char* name : {"Add", "Delete", "Rename", "Import", "Export"})
        column->addWidget(new QPushButton(QString::fromLatin1(name)));
    auto* shots = new QVBoxLayout;
    body->addLayout(shots, 1);
    auto* count = new QComboBox;
    for (int n = 1; n <= 30; ++n)
        count->addItem(QString::number(n));
    shots->addWidget(count);
    auto* headings = new QHBoxLayout;
    shots->addLayout(headings);
    for (const char* name : {"#", "X", "Y", "Pause"})
        headings->addWidget(new QLabel(QString::fromLatin1(name)));
    auto* area = new QScrollArea;
    area->setWidgetResizable(true);
    auto* content = new QWidget;
    auto* list = new QVBoxLayout(content);
    for (int n = 1; n <= rows; ++n) {
        auto* row = new QWidget;
        row->setFixedHeight(32);
        auto* line = new QHBoxLayout(row);
        line->addWidget(new QLabel(QString::number(n)));
        for (int field = 0; field < 3; ++field) {
            auto* value = new QLineEdit(QStringLiteral("0"));
            value->setFixedSize(64, 28);
            line->addWidget(value);
            for (const char* step : {"-", "+"}) {
                auto* button = new QPushButton(QString::fromLatin1(step));
                button->setFixedSize(26, 26);
                line->addWidget(button);
            }
        }
        list->addWidget(row);
    }
    list->addStretch();
    area->setWidget(content);
    shots->addWidget(area);
    auto* plot = new QWidget;
    plot->setFixedSize(240, 300);
    body->addWidget(plot);
    window.show();
    return UntilExposed(window.windowHandle(), clock);
}

// From the click to the library's window exposed, in milliseconds; negative when it never was.
// `rowsBuilt` counts the library's built shot rows then.
double OpenAndClose(CMainWnd& window, const char* button, int* rowsBuilt = nullptr)
{
    QElapsedTimer clock;
    double shownMs = -1;
    CWindowWnd::SetModalHookForTesting([&](CWindowWnd& library) {
        shownMs = UntilExposed(library.GetWidget()->windowHandle(), clock);
        if (rowsBuilt) {
            auto& controls = dynamic_cast<WindowImplBase&>(library).GetPaintManager();
            *rowsBuilt = 0;
            for (int n = 1; n <= 30; ++n)
                *rowsBuilt += controls.IsBuilt(QStringLiteral("ver_zidan_%1").arg(n)) ? 1 : 0;
        }
        library.Close(1);
    });
    CPaintManagerUI& controls = window.GetPaintManager();
    clock.start();
    controls.SendNotify(controls.FindControl(QLatin1String(button)), DUI_MSGTYPE_CLICK);
    CWindowWnd::SetModalHookForTesting(nullptr);
    // What the closing left behind goes before the next opening.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 50)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    return shownMs;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 11;
    QApplication app(argc, argv);
    CResourceManager* skin = CResourceManager::GetInstance();
    skin->SetResourcePath(QStringLiteral(KESTRIN_PROGRAM_DIR "/res/"));
    if (!skin->LoadLanguage(QStringLiteral("lan.xml")) ||
        !skin->LoadStyleSheet(QStringLiteral("kestrin.qss"))) {
        std::fprintf(stderr, "library_open_bench: no skin in %s/res\n", KESTRIN_PROGRAM_DIR);
        return 1;
    }
    QTemporaryDir root;
    const fs::path program = fs::path(root.path().toStdString()) / "program";
    fs::create_directories(program);
    for (const char* library : {kCableLibraryName, kReceiverLibraryName})
        fs::copy_file(fs::path(KESTRIN_VIRTUAL_DRIVER_DIR) / library, program / library);
    const std::string folder = program.string() + "/";
    vmouse::ServerOptions options;
    options.plugged = {vmouse::Link::Cable};
    options.statusInterval = 0ms;
    vmouse::VirtualMouseServer server(vmouse::SocketName(folder), options);
    std::string error;
    if (!server.Listen(&error)) {
        std::fprintf(stderr, "virtual mouse: %s\n", error.c_str());
        return 1;
    }
    std::thread serving([&server] { server.Run(); });

    int rowsAtOpening = 0;
    double floorFirstMs = -1;
    std::vector<double> floorLaterMs;
    Library libraries[] = {{"macro library", "ms_1_btn_macro", 15, -1, {}},
        {"pattern library", "ms_1_btn_gun", 20, -1, {}}};
    {
        CMainWnd window;
        window.SetHookLibraryFile(folder + "no-hook-library.so");
        window.Page().SetFolders(folder, (program / "Data").string() + "/");
        window.Page().LinkSection().SetBlePresenceProbe([] { return false; });
        window.Create(nullptr, QString(), MAIN_WINDOW_STYLE, 0, 0, 0, 800, 572);
        window.ShowWindow(true, true);
        // The buttons section open, as the user has it when reaching for a library.
        window.GetPaintManager().FindControl(QStringLiteral("ms_1_hor_button"))->SetVisible(true);
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 300)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        for (int round = 0; round <= rounds; ++round) {
            for (Library& library : libraries) {
                const bool pattern = &library == &libraries[1];
                const double ms =
                    OpenAndClose(window, library.button, pattern ? &rowsAtOpening : nullptr);
                if (round == 0)
                    library.firstMs = ms;
                else
                    library.laterMs.push_back(ms);
            }
            const double floorMs = OpenQtFloor(rowsAtOpening);
            if (round == 0)
                floorFirstMs = floorMs;
            else
                floorLaterMs.push_back(floorMs);
            QElapsedTimer settle;
            settle.start();
            while (settle.elapsed() < 50)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        }
    }
    server.Stop();
    serving.join();

    std::printf("library windows: click to exposed, %d rounds after the first, medians\n", rounds);
    for (const Library& library : libraries) {
        const double later = Median(library.laterMs);
        const bool ok = library.firstMs >= 0 && later >= 0 && library.firstMs <= library.targetMs &&
            later <= library.targetMs;
        std::printf("  %-16s first %6.1f ms, again %6.1f ms   target <= %.0f ms   %s\n",
            library.label, library.firstMs, later, library.targetMs, ok ? "met" : "MISSED");
    }
    const double floorLater = Median(floorLaterMs);
    std::printf("  %-16s first %6.1f ms, again %6.1f ms   (the same widgets made in Qt, %d rows)\n",
        "Qt floor", floorFirstMs, floorLater, rowsAtOpening);
    // Made anew each time, the floor is what any first opening of such a window costs.
    if (floorLater > 0)
        std::printf("  pattern library's first opening over the floor: %.2f x\n",
            libraries[1].firstMs / floorLater);
    return 0;
}
