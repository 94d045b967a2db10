// The apply engine against the virtual mouse: the virtual driver libraries loaded with dlopen
// from a program folder, acknowledgements coming back through KestrinPostMessage.
#include "device/DriverLibraries.h"
#include "protocol/ApplyPlan.h"
#include "protocol/LinkWrites.h"
#include "tests/device/ApplyFakes.h"
#include "tools/virtualmouse/VirtualMouseServer.h"
#include "tools/virtualmouse/Wire.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr uint32_t kReceiverEvent = 0x601, kReceiverStateMessage = 0x602;
constexpr uint32_t kCableEvent = 0x603, kCableStateMessage = 0x604;
constexpr KestrinWindow kWindow = 5;

std::mutex g_mutex;
std::condition_variable g_acked;
kestrin::LinkState* g_links = nullptr;
int g_acks = 0;    // acknowledgements of either kind
int g_notices = 0; // events without effect, which the test sends to see the monitor is up

} // namespace

// Plays the page's event handling: the acknowledgement sets WriteAcknowledged.
extern "C" __attribute__((visibility("default"))) int KestrinPostMessage(
    KestrinWindow, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    std::lock_guard lock(g_mutex);
    if (wParam == 0x6010 && (message == kReceiverEvent || message == kCableEvent)) {
        ++g_notices;
        g_acked.notify_all();
        return 1;
    }
    if (message != kReceiverEvent || wParam != 0x5010)
        return 1;
    if (g_links)
        g_links->WriteAcknowledged = (lParam & 0xFF) == 0 ? 1 : 0;
    ++g_acks;
    g_acked.notify_all();
    return 1;
}

namespace kestrin {
namespace {

using test::Timeline;

// Virtual time, except that a pause after a whole report through the receiver waits until
// the mouse's answer is in, as a real pause of 500 or 1000 ms would.
class AnsweredClock final : public ApplyClock {
public:
    TimePoint Now() const override { return TimePoint{} + elapsed; }
    void SleepFor(Duration pause) override
    {
        elapsed += pause;
        std::unique_lock lock(g_mutex);
        g_acked.wait_for(lock, 5s, [this] { return g_acks >= expectedAcks; });
    }

    std::atomic<int> expectedAcks{0};
    Duration elapsed{0};
};

class ApplyVirtualMouseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        programFolder = folder.Root() / "program";
        fs::create_directories(programFolder);
        for (const char* name : {kCableLibraryName, kReceiverLibraryName})
            fs::copy_file(fs::path(KESTRIN_VIRTUAL_DRIVER_DIR) / name, programFolder / name);
        std::lock_guard lock(g_mutex);
        g_links = &links;
        g_acks = 0;
        g_notices = 0;
    }

    void TearDown() override
    {
        if (worker)
            ShutDownDeviceLinks(libraries, *engine, *worker);
        if (server) {
            server->Stop();
            serverThread.join();
        }
        std::lock_guard lock(g_mutex);
        g_links = nullptr;
    }

    void StartMouse(std::vector<vmouse::Link> plugged, vmouse::AckMode ack = vmouse::AckMode::On)
    {
        vmouse::ServerOptions options;
        options.plugged = std::move(plugged);
        options.ackMode = ack;
        options.statusInterval = 0ms;
        server = std::make_unique<vmouse::VirtualMouseServer>(
            vmouse::SocketName(programFolder.string()), options);
        std::string error;
        ASSERT_TRUE(server->Listen(&error)) << error;
        serverThread = std::thread([this] { server->Run(); });
    }

    // Opens both links as the page does at start-up and builds the engine on them.
    void OpenLinks(ApplyClock& clock)
    {
        libraries.LoadFrom(programFolder.string() + "/");
        ASSERT_TRUE(libraries.cable.Usable()) << libraries.cable.LoadError();
        ASSERT_TRUE(libraries.receiver.Usable()) << libraries.receiver.LoadError();
        libraries.cable.SetVidPid(KESTRIN_CABLE_VENDOR_ID, KESTRIN_CABLE_PRODUCT_ID);
        libraries.cable.OpenDevMonitor(kWindow, kCableEvent, kCableStateMessage);
        if (libraries.cable.OpenFeatureDevice()) {
            links.CableState = kLinkConnected;
            links.MouseUnreachable = 0;
        }
        libraries.receiver.SetVidPid(KESTRIN_RECEIVER_VENDOR_ID, KESTRIN_RECEIVER_PRODUCT_ID);
        libraries.receiver.OpenDevMonitor(kWindow, kReceiverEvent, kReceiverStateMessage);
        if (libraries.receiver.OpenFeatureDevice())
            links.ReceiverState = kLinkConnected;

        LinkWriters writers = WritersFor(libraries, {});
        writers.receiver = [this, inner = writers.receiver](std::span<const uint8_t> bytes) {
            const int result = inner(bytes);
            if (result != 0 && (bytes[0] != kDownloadReportId || bytes[3] == 2) && answered)
                ++answered->expectedAcks;
            return result;
        };
        engine = std::make_unique<ApplyEngine>(links, std::move(writers), page, clock);
        worker = std::make_unique<DeviceWorker>(*engine);
        worker->Start();
    }

    // The receiver's mouse has reported: the page marks it awake and reachable. By then the
    // monitors are listening (the mouse talks on the cable when it is plugged), so no
    // acknowledgement goes unheard.
    void ReceiverMouseReports()
    {
        for (int attempt = 0; attempt < 100; ++attempt) {
            Tell("event 6010 0001");
            std::unique_lock lock(g_mutex);
            if (g_acked.wait_for(lock, 50ms, [] { return g_notices > 0; }))
                break;
        }
        links.ReceiverMouseAwake = 1;
        links.MouseUnreachable = 0;
    }

    void ApplyAndWait()
    {
        // The quit queues behind the request, so the join waits for the whole apply.
        worker->Post(kApplyThreadMessage);
        worker->QuitAndJoin();
    }

    std::vector<std::string> Tell(const std::string& request)
    {
        const int fd = vmouse::ConnectTo(vmouse::SocketName(programFolder.string()));
        EXPECT_GE(fd, 0);
        vmouse::LineReader reader(fd);
        std::vector<std::string> data;
        std::string error;
        EXPECT_TRUE(vmouse::Exchange(fd, reader, request, data, &error)) << error;
        ::close(fd);
        return data;
    }

    // The log lines the mouse should hold after the plan went over `link`.
    static std::vector<std::string> Expected(const ApplyPlan& plan, LinkKind link)
    {
        const std::string name = link == LinkKind::Cable ? "cable" : "receiver";
        std::vector<std::string> lines;
        for (const Report& report : plan.reports)
            for (const Report& write : LinkWrites(report, link)) {
                const bool partial = write.id() == kDownloadReportId && write.bytes[3] != 2;
                lines.push_back(
                    name + " " + ToHex(write.data()) + (partial ? " partial" : " accepted"));
            }
        return lines;
    }

    void GiveButtonsDownloads()
    {
        page.Edit([](ProfileRecord& p) {
            test::GivePattern(p.buttons[3], 12, 60);
            test::GiveMacro(p.buttons[7], 6);
        });
    }

    test::TempFolder folder;
    fs::path programFolder;
    Timeline timeline;
    LinkState links;
    test::FakePage page{timeline, folder.Data()};
    DriverLibraries libraries;
    // The clocks outlive the engine and its worker, which interrupt them on shutdown.
    AnsweredClock answeredClock;
    test::FakeClock fakeClock{timeline};
    AnsweredClock* answered = nullptr;
    std::unique_ptr<ApplyEngine> engine;
    std::unique_ptr<DeviceWorker> worker;
    std::unique_ptr<vmouse::VirtualMouseServer> server;
    std::thread serverThread;
};

TEST_F(ApplyVirtualMouseTest, AFullApplyOverTheCableIsLoggedWriteForWriteAndAccepted)
{
    StartMouse({vmouse::Link::Cable, vmouse::Link::Receiver});
    AnsweredClock& clock = answeredClock;
    OpenLinks(clock);
    ReceiverMouseReports(); // the cable still carries everything
    GiveButtonsDownloads();
    links.ApplyAllPending = 1;
    const ApplyPlan plan = PlanApply(*page.current, *page.snapshot, true);

    ApplyAndWait();
    EXPECT_EQ(Tell("log"), Expected(plan, LinkKind::Cable));
    EXPECT_TRUE(page.saved);
    // Nine reports, three of them downloads (the 12-shot pattern takes two slots) of three
    // packets: 500 ms after each report and 200 ms after each packet.
    EXPECT_EQ(clock.elapsed.count(), 500 * 9 + 200 * 3 * 3);
}

TEST_F(ApplyVirtualMouseTest, AFullApplyOverAnAcknowledgingReceiverWritesEachReportOnce)
{
    StartMouse({vmouse::Link::Receiver});
    AnsweredClock& clock = answeredClock;
    answered = &clock;
    OpenLinks(clock);
    ReceiverMouseReports();
    GiveButtonsDownloads();
    links.ApplyAllPending = 1;
    const ApplyPlan plan = PlanApply(*page.current, *page.snapshot, true);

    ApplyAndWait();
    EXPECT_EQ(Tell("log"), Expected(plan, LinkKind::Receiver));
    // Six short reports at 500 + 500 ms, three downloads at 3 x 1000 + 500 ms.
    EXPECT_EQ(clock.elapsed.count(), 6 * 1000 + 3 * 3500);
}

TEST_F(ApplyVirtualMouseTest, AReceiverThatNeverAnswersGetsEachReportTenTimes)
{
    StartMouse({vmouse::Link::Receiver}, vmouse::AckMode::Off);
    OpenLinks(fakeClock);
    ReceiverMouseReports();
    page.Edit([](ProfileRecord& p) { p.reportRate = 2; });

    ApplyAndWait();
    const std::vector<std::string> log = Tell("log");
    ASSERT_EQ(log.size(), 20u);
    EXPECT_EQ(log.front(), "receiver 0c0a01fe01fe00000000 accepted");
    EXPECT_EQ(log.back(), "receiver 06090102fd00000000 accepted");
}

TEST_F(ApplyVirtualMouseTest, AfterShutdownTheLibrariesAreGoneAndNothingMoreIsPosted)
{
    StartMouse({vmouse::Link::Receiver});
    OpenLinks(fakeClock);
    ReceiverMouseReports(); // its monitor is listening
    ShutDownDeviceLinks(libraries, *engine, *worker);
    worker.reset();
    EXPECT_FALSE(libraries.cable.Usable());
    EXPECT_FALSE(libraries.receiver.Usable());
    EXPECT_EQ(libraries.receiver.SetFeature(std::vector<uint8_t>(10, 1)), 0);
    {
        std::lock_guard lock(g_mutex);
        g_acks = 0;
    }
    Tell("event 5010 0000");
    std::this_thread::sleep_for(100ms);
    std::lock_guard lock(g_mutex);
    EXPECT_EQ(g_acks, 0) << "the receiver's monitor was closed";
}

// --- Loading the libraries -----------------------------------------------------------------

TEST(DriverLibraryTest, AMissingLibraryIsNeverCalledAndItsLinkNeverOpens)
{
    DriverLibrary library;
    EXPECT_FALSE(library.Load("/nonexistent/libhiddriver_2.so"));
    EXPECT_FALSE(library.Usable());
    EXPECT_FALSE(library.LoadError().empty());
    EXPECT_EQ(library.SetVidPid(1, 2), 0);
    EXPECT_EQ(library.OpenDevMonitor(kWindow, 1, 2), 0);
    EXPECT_EQ(library.OpenFeatureDevice(), 0);
    EXPECT_EQ(library.SetFeature(std::vector<uint8_t>(10, 1)), 0);
    EXPECT_EQ(library.CloseFeatureDevice(), 0);
    EXPECT_EQ(library.CloseDevMonitor(), 0);
}

TEST(DriverLibraryTest, ALibraryLackingEntryPointsIsNotCalledEvenThroughThoseItHas)
{
    DriverLibrary library;
    EXPECT_FALSE(library.Load(KESTRIN_PARTIAL_DRIVER));
    EXPECT_FALSE(library.Usable());
    // Its own Open_FeatureDevice and SetFeature would answer nonzero.
    EXPECT_EQ(library.OpenFeatureDevice(), 0);
    EXPECT_EQ(library.SetFeature(std::vector<uint8_t>(10, 1)), 0);
}

TEST(DriverLibraryTest, TheTwoLibrariesStayApartAndEmptyWritesAreRefused)
{
    DriverLibraries libraries;
    libraries.LoadFrom(std::string(KESTRIN_VIRTUAL_DRIVER_DIR) + "/");
    ASSERT_TRUE(libraries.cable.Usable());
    ASSERT_TRUE(libraries.receiver.Usable());
    // Each library keeps its own link: the ids set on one do not reach the other.
    libraries.cable.SetVidPid(0x1234, 0x5678);
    libraries.receiver.SetVidPid(KESTRIN_RECEIVER_VENDOR_ID, KESTRIN_RECEIVER_PRODUCT_ID);
    EXPECT_EQ(libraries.cable.OpenDevMonitor(kWindow, 1, 2), 0) << "unknown ids";
    EXPECT_EQ(libraries.receiver.OpenDevMonitor(kWindow, 1, 2), 1);
    libraries.receiver.CloseDevMonitor();
    EXPECT_EQ(libraries.cable.SetFeature({}), 0);
}

} // namespace
} // namespace kestrin
