// The longest stall of the UI event loop while a full apply runs on the worker (the main window,
// offscreen, against the virtual mouse over the cable and over an acknowledging receiver, with
// the real clock), and while a burst of 2000 DPI presses comes from the mouse and is saved. A
// 1 ms timer ticks on the UI thread; the longest gap between two ticks is set against the
// longest gap of an idle loop measured as long in the same run. Target: under 20 ms.
// usage: ui_stall_bench
#include "app/MainWnd.h"
#include "base/Messages.h"
#include "device/DriverLibraries.h"
#include "profiles/ProfileStore.h"
#include "tools/virtualmouse/VirtualMouseServer.h"
#include "tools/virtualmouse/Wire.h"
#include "ui/Control.h"
#include "ui/ResourceManager.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace kestrin;
using namespace std::chrono_literals;

namespace {

// The longest gap between the ticks of a 1 ms timer while `running` holds.
class StallMeter final {
public:
    StallMeter()
    {
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.nsecsElapsed();
            longest_ = std::max(longest_, now - last_);
            last_ = now;
        });
    }
    void Start()
    {
        longest_ = 0;
        clock_.start();
        last_ = 0;
        timer_.start(1);
    }
    double StopMs()
    {
        timer_.stop();
        return double(longest_) / 1e6;
    }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 longest_ = 0;
};

// Whether "apply_ring" has shown and hidden again.
class RingWatch final : public QObject {
public:
    bool shown = false;
    bool hidden = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            shown = true;
        if (event->type() == QEvent::Hide && shown)
            hidden = true;
        return false;
    }
};

void RunEventsFor(std::chrono::milliseconds span)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (elapsed.elapsed() < span.count())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

// The longest stall while `scenario` runs on the main window against a virtual mouse on `link`
// and, as its peer, of an idle loop run as long. `scenario` returns false when it did not finish
// (then both are negative).
std::pair<double, double> Measure(vmouse::Link link, const fs::path& root, const char* name,
    const std::function<bool(CMainWnd&, const std::string& dataFolder)>& scenario)
{
    const fs::path program = root / name;
    fs::create_directories(program);
    for (const char* library : {kCableLibraryName, kReceiverLibraryName})
        fs::copy_file(fs::path(KESTRIN_VIRTUAL_DRIVER_DIR) / library, program / library,
            fs::copy_options::overwrite_existing);
    const std::string folder = program.string() + "/";
    const std::string dataFolder = (program / "Data").string() + "/";

    vmouse::ServerOptions options;
    options.plugged = {link};
    options.statusInterval = 0ms;
    vmouse::VirtualMouseServer server(vmouse::SocketName(folder), options);
    std::string error;
    if (!server.Listen(&error)) {
        std::fprintf(stderr, "virtual mouse: %s\n", error.c_str());
        return {-1, -1};
    }
    std::thread serving([&server] { server.Run(); });

    std::pair<double, double> result{-1, -1};
    {
        CMainWnd window;
        window.SetHookLibraryFile(folder + "no-hook-library.so");
        window.Page().SetFolders(folder, dataFolder);
        window.Page().LinkSection().SetBlePresenceProbe([] { return false; });
        window.Create(nullptr, QString(), MAIN_WINDOW_STYLE, 0, 0, 0, 800, 572);
        if (link == vmouse::Link::Receiver) {
            // The receiver's mouse must have reported before anything is written to it.
            window.SendMessage(WM_RECEIVER_EVENT, 0x4010, 0x5000);
        }
        RunEventsFor(100ms);

        StallMeter meter;
        QElapsedTimer elapsed;
        elapsed.start();
        meter.Start();
        const bool finished = scenario(window, dataFolder);
        const double during = meter.StopMs();
        const auto span = std::chrono::milliseconds(elapsed.elapsed());

        meter.Start();
        RunEventsFor(span);
        const double idle = meter.StopMs();
        if (finished)
            result = {during, idle};
        std::printf("%s: %lld ms\n", name, static_cast<long long>(span.count()));
    }
    server.Stop();
    serving.join();
    return result;
}

bool FullApply(CMainWnd& window, const std::string&)
{
    RingWatch ring;
    window.GetPaintManager()
        .FindControl(QStringLiteral("apply_ring"))
        ->GetWidget()
        ->installEventFilter(&ring);
    QElapsedTimer elapsed;
    elapsed.start();
    window.PostMessage(WM_APPLY_REQUEST, 0, 0);
    while (!ring.hidden && elapsed.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    return ring.hidden;
}

// 2000 DPI presses posted from another thread as the device worker posts them, as fast as it
// can (the worst case: events piled up while the worker was busy), until pro.data holds the last
// stage.
bool DpiBurst(CMainWnd& window, const std::string& dataFolder)
{
    constexpr int kPresses = 2000;
    constexpr int kLastStage = (kPresses - 1) % 6;
    std::atomic<bool> posted{false};
    std::thread mouse([&window, &posted] {
        for (int i = 0; i < kPresses; ++i) {
            window.PostMessage(WM_CABLE_EVENT, 0x1010, 1 + i % 6);
        }
        posted = true;
    });
    const auto stored = [&dataFolder] {
        ProfileList list;
        auto header = std::make_unique<ProfileStoreHeader>();
        LoadProfileStore(dataFolder, list, *header, u"Profile");
        return !list.empty() &&
            list[std::size_t(header->currentIndex)]->currentDpiStage == kLastStage;
    };
    QElapsedTimer elapsed;
    elapsed.start();
    QElapsedTimer sinceRead;
    sinceRead.start();
    bool done = false;
    while (!done && elapsed.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        // Read from the disk after the burst and seldom, so the reading does not weigh on the
        // loop.
        if (posted && sinceRead.elapsed() >= 50) {
            done = stored();
            sinceRead.restart();
        }
    }
    mouse.join();
    return done;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    CResourceManager* resources = CResourceManager::GetInstance();
    resources->SetResourcePath(QStringLiteral(KESTRIN_PROGRAM_DIR "/res/"));
    resources->LoadLanguage(QStringLiteral("lan.xml"));
    resources->LoadStyleSheet(QStringLiteral("kestrin.qss"));

    const fs::path root =
        fs::temp_directory_path() / ("kestrin-ui-stall-bench-" + std::to_string(::getpid()));
    fs::create_directories(root);
    bool met = true;
    const auto report = [&met](const char* what, std::pair<double, double> stall) {
        const auto [during, idle] = stall;
        if (during < 0) {
            std::printf("%s did not finish\n", what);
            met = false;
            return;
        }
        std::printf("longest UI stall during %s: %.2f ms "
                    "(idle loop: %.2f ms, ratio %.2f); target < 20 ms: %s\n",
            what, during, idle, idle > 0 ? during / idle : 0.0, during < 20.0 ? "met" : "MISSED");
        met = met && during < 20.0;
    };
    report("the apply over the cable", Measure(vmouse::Link::Cable, root, "cable", FullApply));
    report("the apply over the receiver",
        Measure(vmouse::Link::Receiver, root, "receiver", FullApply));
    report("a burst of 2000 DPI presses and its save",
        Measure(vmouse::Link::Cable, root, "dpi-burst", DpiBurst));
    fs::remove_all(root);
    return met ? 0 : 1;
}
