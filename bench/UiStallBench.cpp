// The longest stall of the UI event loop while a full apply runs on the worker: the main window
// (offscreen) against the virtual mouse over the cable and over an acknowledging receiver, with
// the real clock. A 1 ms timer ticks on the UI thread; the longest gap between two ticks during
// the apply is set against the longest gap of an idle loop measured as long in the same run.
// Target: under 20 ms.
// usage: ui_stall_bench
#include "app/MainWnd.h"
#include "base/Messages.h"
#include "device/DriverLibraries.h"
#include "tools/virtualmouse/VirtualMouseServer.h"
#include "tools/virtualmouse/Wire.h"
#include "ui/Control.h"
#include "ui/ResourceManager.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <filesystem>
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

// One apply over `link`; returns the longest stall during it and, as its peer, of an idle loop
// run as long. Negative when the apply did not finish.
std::pair<double, double> MeasureOver(vmouse::Link link, const fs::path& root)
{
    const fs::path program = root / vmouse::LinkName(link);
    fs::create_directories(program);
    for (const char* name : {kCableLibraryName, kReceiverLibraryName})
        fs::copy_file(fs::path(KESTRIN_VIRTUAL_DRIVER_DIR) / name, program / name,
            fs::copy_options::overwrite_existing);
    const std::string folder = program.string() + "/";

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
        window.Page().SetFolders(folder, (program / "Data").string() + "/");
        window.Page().DeviceLinks().SetBlePresenceProbe([] { return false; });
        window.Create(nullptr, QString(), MAIN_WINDOW_STYLE, 0, 0, 0, 800, 572);
        RingWatch ring;
        window.GetPaintManager()
            .FindControl(QStringLiteral("apply_ring"))
            ->GetWidget()
            ->installEventFilter(&ring);
        if (link == vmouse::Link::Receiver) {
            // The receiver's mouse must have reported before anything is written to it.
            window.SendMessage(WM_RECEIVER_EVENT, 0x4010, 0x5000);
        }
        RunEventsFor(100ms);

        StallMeter meter;
        QElapsedTimer applyTime;
        applyTime.start();
        meter.Start();
        window.PostMessage(WM_APPLY_REQUEST, 0, 0);
        while (!ring.hidden && applyTime.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        const double during = meter.StopMs();
        const auto span = std::chrono::milliseconds(applyTime.elapsed());

        meter.Start();
        RunEventsFor(span);
        const double idle = meter.StopMs();
        if (ring.hidden)
            result = {during, idle};
        std::printf("apply over the %s: %lld ms\n", vmouse::LinkName(link),
            static_cast<long long>(span.count()));
    }
    server.Stop();
    serving.join();
    return result;
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
    for (vmouse::Link link : {vmouse::Link::Cable, vmouse::Link::Receiver}) {
        const auto [during, idle] = MeasureOver(link, root);
        if (during < 0) {
            std::printf("%s: the apply did not finish\n", vmouse::LinkName(link));
            met = false;
            continue;
        }
        std::printf("longest UI stall during the apply over the %s: %.2f ms "
                    "(idle loop: %.2f ms, ratio %.2f); target < 20 ms: %s\n",
            vmouse::LinkName(link), during, idle, idle > 0 ? during / idle : 0.0,
            during < 20.0 ? "met" : "MISSED");
        met = met && during < 20.0;
    }
    fs::remove_all(root);
    return met ? 0 : 1;
}
