// The virtual driver libraries as the program uses them: loaded with dlopen from a program
// folder, talking to that folder's virtual mouse, posting through KestrinPostMessage.
#include "base/DriverApi.h"
#include "tools/virtualmouse/VirtualMouseServer.h"
#include "tools/virtualmouse/Wire.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <dlfcn.h>
#include <filesystem>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

struct Posted {
    KestrinWindow window;
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
    bool operator==(const Posted&) const = default;
};

std::mutex g_mutex;
std::condition_variable g_arrived;
std::deque<Posted> g_posted;

} // namespace

extern "C" __attribute__((visibility("default"))) int KestrinPostMessage(
    KestrinWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    std::lock_guard lock(g_mutex);
    g_posted.push_back({window, message, wParam, lParam});
    g_arrived.notify_all();
    return 1;
}

namespace kestrin::vmouse {
namespace {

constexpr KestrinWindow kWindow = 77;
constexpr uint32_t kCableEvent = 0x603, kCableState = 0x604;
constexpr uint32_t kReceiverEvent = 0x601, kReceiverState = 0x602;
const uint8_t kBegin[10] = {0x0C, 0x0A, 0x01, 0xFE, 0x01, 0xFE, 0, 0, 0, 0};

std::optional<Posted> NextPosted(std::chrono::milliseconds within = 3s)
{
    std::unique_lock lock(g_mutex);
    if (!g_arrived.wait_for(lock, within, [] { return !g_posted.empty(); }))
        return std::nullopt;
    Posted posted = g_posted.front();
    g_posted.pop_front();
    return posted;
}

// One loaded driver library and its seven entry points.
struct DriverLibrary {
    explicit DriverLibrary(const fs::path& file)
    {
        handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            return;
        setVidPid = reinterpret_cast<SetVidPidFn>(::dlsym(handle, "Set_VIDPID"));
        openMonitor = reinterpret_cast<OpenDevMonitorFn>(::dlsym(handle, "Open_DevMonitor"));
        closeMonitor = reinterpret_cast<CloseDevMonitorFn>(::dlsym(handle, "Close_DevMonitor"));
        open = reinterpret_cast<OpenFeatureDeviceFn>(::dlsym(handle, "Open_FeatureDevice"));
        close = reinterpret_cast<CloseFeatureDeviceFn>(::dlsym(handle, "Close_FeatureDevice"));
        setFeature = reinterpret_cast<SetFeatureFn>(::dlsym(handle, "SetFeature"));
        getFeature = reinterpret_cast<GetFeatureFn>(::dlsym(handle, "GetFeature"));
    }
    ~DriverLibrary()
    {
        if (handle)
            ::dlclose(handle);
    }
    bool Complete() const
    {
        return handle && setVidPid && openMonitor && closeMonitor && open && close && setFeature &&
            getFeature;
    }

    void* handle = nullptr;
    SetVidPidFn setVidPid = nullptr;
    OpenDevMonitorFn openMonitor = nullptr;
    CloseDevMonitorFn closeMonitor = nullptr;
    OpenFeatureDeviceFn open = nullptr;
    CloseFeatureDeviceFn close = nullptr;
    SetFeatureFn setFeature = nullptr;
    GetFeatureFn getFeature = nullptr;
};

class VirtualDriverTest : public testing::Test {
protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path() /
            ("kestrin-vdriver-" + std::to_string(::getpid()) + "-" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        for (const char* name : {"libhiddriver_1.so", "libhiddriver_2.so"})
            fs::copy_file(fs::path(KESTRIN_VIRTUAL_DRIVER_DIR) / name, folder / name);
        std::lock_guard lock(g_mutex);
        g_posted.clear();
    }

    void TearDown() override
    {
        StopMouse();
        fs::remove_all(folder);
    }

    void StartMouse(std::vector<Link> plugged)
    {
        ServerOptions options;
        options.plugged = std::move(plugged);
        options.statusInterval = 0ms;
        server = std::make_unique<VirtualMouseServer>(SocketName(folder.string()), options);
        std::string error;
        ASSERT_TRUE(server->Listen(&error)) << error;
        serverThread = std::thread([this] { server->Run(); });
    }

    void StopMouse()
    {
        if (!server)
            return;
        server->Stop();
        serverThread.join();
        server.reset();
    }

    // Drives the mouse as kestrin-virtual-mouse does.
    std::vector<std::string> Tell(const std::string& request)
    {
        const int fd = ConnectTo(SocketName(folder.string()));
        EXPECT_GE(fd, 0);
        LineReader reader(fd);
        std::vector<std::string> data;
        std::string error;
        EXPECT_TRUE(Exchange(fd, reader, request, data, &error)) << request << ": " << error;
        ::close(fd);
        return data;
    }

    fs::path folder;
    std::unique_ptr<VirtualMouseServer> server;
    std::thread serverThread;
};

TEST_F(VirtualDriverTest, TheCableWritesReportsThatTheMouseLogs)
{
    StartMouse({Link::Cable});
    DriverLibrary cable(folder / "libhiddriver_2.so");
    ASSERT_TRUE(cable.Complete()) << ::dlerror();
    cable.setVidPid(KESTRIN_CABLE_VENDOR_ID, KESTRIN_CABLE_PRODUCT_ID);
    ASSERT_EQ(cable.openMonitor(kWindow, kCableEvent, kCableState), 1);
    EXPECT_EQ(cable.setFeature(kBegin, 10), 0) << "nothing is written before the open";
    ASSERT_NE(cable.open(), 0);
    EXPECT_NE(cable.setFeature(kBegin, 10), 0);
    EXPECT_EQ(Tell("log"), std::vector<std::string>{"cable 0c0a01fe01fe00000000 accepted"});

    Tell("dpi 3");
    EXPECT_EQ(NextPosted(), (Posted{kWindow, kCableEvent, 0x1010, 3}));
    cable.closeMonitor();
    cable.close();
}

TEST_F(VirtualDriverTest, TheReceiverFollowsPlugAndAcknowledgesWrites)
{
    StartMouse({});
    DriverLibrary receiver(folder / "libhiddriver_1.so");
    ASSERT_TRUE(receiver.Complete());
    receiver.setVidPid(KESTRIN_RECEIVER_VENDOR_ID, KESTRIN_RECEIVER_PRODUCT_ID);
    receiver.openMonitor(kWindow, kReceiverEvent, kReceiverState);
    EXPECT_EQ(receiver.open(), 0) << "the receiver is not plugged in";

    Tell("plug receiver");
    EXPECT_EQ(NextPosted(), (Posted{kWindow, kReceiverState, 1, 0}));
    ASSERT_NE(receiver.open(), 0);
    EXPECT_NE(receiver.setFeature(kBegin, 10), 0);
    EXPECT_EQ(NextPosted(), (Posted{kWindow, kReceiverEvent, 0x5010, 0}));

    Tell("unplug receiver");
    EXPECT_EQ(NextPosted(), (Posted{kWindow, kReceiverState, 0, 0}));
    EXPECT_EQ(receiver.setFeature(kBegin, 10), 0) << "an unplugged receiver takes nothing";
    receiver.closeMonitor();
}

TEST_F(VirtualDriverTest, AMouseThatGoesAwayIsARemovalAndOneThatComesBackAnArrival)
{
    StartMouse({Link::Cable});
    DriverLibrary cable(folder / "libhiddriver_2.so");
    cable.setVidPid(KESTRIN_CABLE_VENDOR_ID, KESTRIN_CABLE_PRODUCT_ID);
    cable.openMonitor(kWindow, kCableEvent, kCableState);
    ASSERT_NE(cable.open(), 0);

    StopMouse();
    EXPECT_EQ(NextPosted(), (Posted{kWindow, kCableState, 0, 0}));
    EXPECT_EQ(cable.setFeature(kBegin, 10), 0);

    StartMouse({Link::Cable});
    EXPECT_EQ(NextPosted(), (Posted{kWindow, kCableState, 1, 0}));
    EXPECT_NE(cable.open(), 0);
    EXPECT_NE(cable.setFeature(kBegin, 10), 0) << "writes work again after the reconnect";
    cable.closeMonitor();
}

TEST_F(VirtualDriverTest, UnknownIdsAndUnloadingWhileWatchingAreHarmless)
{
    StartMouse({Link::Cable});
    {
        DriverLibrary other(folder / "libhiddriver_1.so");
        other.setVidPid(0x1234, 0x5678);
        EXPECT_EQ(other.openMonitor(kWindow, 1, 2), 0);
        EXPECT_EQ(other.open(), 0);
        EXPECT_EQ(other.setFeature(kBegin, 10), 0);
        EXPECT_EQ(other.getFeature(nullptr, 0), 0);
    }
    {
        DriverLibrary cable(folder / "libhiddriver_2.so");
        cable.setVidPid(KESTRIN_CABLE_VENDOR_ID, KESTRIN_CABLE_PRODUCT_ID);
        cable.openMonitor(kWindow, kCableEvent, kCableState);
        cable.open();
        EXPECT_EQ(cable.setFeature(nullptr, 10), 0);
        // Unloaded with its monitor thread running: the library must end the thread itself.
    }
    Tell("dpi 2");
    EXPECT_EQ(NextPosted(300ms), std::nullopt) << "nothing is posted after the unload";
}

} // namespace
} // namespace kestrin::vmouse
