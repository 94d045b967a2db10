// The real driver libraries as the program uses them, on a machine without the mouse: loaded
// with dlopen from the program folder, posting through the KestrinPostMessage of this harness.
#include "base/DriverApi.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <dlfcn.h>
#include <filesystem>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

std::mutex g_mutex;
int g_posted = 0;

} // namespace

extern "C" __attribute__((visibility("default"))) int KestrinPostMessage(
    KestrinWindow, uint32_t, uintptr_t, intptr_t)
{
    std::lock_guard lock(g_mutex);
    ++g_posted;
    return 1;
}

namespace {

constexpr KestrinWindow kWindow = 77;
constexpr uint32_t kCableEvent = 0x603, kCableState = 0x604;
constexpr uint32_t kReceiverEvent = 0x601, kReceiverState = 0x602;
const uint8_t kBegin[10] = {0x0C, 0x0A, 0x01, 0xFE, 0x01, 0xFE, 0, 0, 0, 0};

int Posted()
{
    std::lock_guard lock(g_mutex);
    return g_posted;
}

std::size_t ThreadCount()
{
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator("/proc/self/task"), fs::directory_iterator{}));
}

// The threads before a test. A sanitizer starts a helper thread with the first thread of the
// process, so one is started first to keep it out of the counts.
std::size_t BaselineThreadCount()
{
    std::thread([] {}).join();
    std::this_thread::sleep_for(10ms);
    return ThreadCount();
}

// A thread that has been joined may linger in /proc for a moment.
bool ThreadCountSettlesAt(std::size_t expected)
{
    for (int i = 0; i < 200; ++i) {
        if (ThreadCount() == expected)
            return true;
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

struct DriverLibrary {
    explicit DriverLibrary(const char* name)
    {
        handle = ::dlopen((fs::path(KESTRIN_PROGRAM_DIR) / name).c_str(), RTLD_NOW | RTLD_LOCAL);
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
    ~DriverLibrary() { Unload(); }
    void Unload()
    {
        if (handle)
            ::dlclose(handle);
        handle = nullptr;
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

// The names a library defines in its dynamic symbol table, as binutils reads them.
std::set<std::string> ExportedNames(const fs::path& file)
{
    std::set<std::string> names;
    const std::string command = "nm -D --defined-only '" + file.string() + "'";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return names;
    char line[4096];
    while (std::fgets(line, sizeof line, pipe)) {
        std::istringstream words(line);
        std::string address, type, name;
        if (words >> address >> type >> name)
            names.insert(name);
    }
    ::pclose(pipe);
    return names;
}

TEST(HidDriverTest, BothLibrariesExportTheSevenEntryPointsAndNothingElse)
{
    const std::set<std::string> seven = {"Set_VIDPID", "Open_DevMonitor", "Close_DevMonitor",
        "Open_FeatureDevice", "Close_FeatureDevice", "SetFeature", "GetFeature"};
    for (const char* name : {"libhiddriver_1.so", "libhiddriver_2.so"}) {
        DriverLibrary library(name);
        ASSERT_TRUE(library.Complete()) << name << ": " << ::dlerror();
        EXPECT_EQ(ExportedNames(fs::path(KESTRIN_PROGRAM_DIR) / name), seven) << name;
    }
}

TEST(HidDriverTest, WithoutIdsNothingOpensAndEveryCallIsHarmless)
{
    DriverLibrary cable("libhiddriver_2.so");
    ASSERT_TRUE(cable.Complete());
    EXPECT_EQ(cable.closeMonitor(), 1);
    EXPECT_EQ(cable.close(), 1);
    EXPECT_EQ(cable.openMonitor(kWindow, kCableEvent, kCableState), 0);
    EXPECT_EQ(cable.open(), 0);
    EXPECT_EQ(cable.setFeature(kBegin, 10), 0);
    EXPECT_EQ(cable.getFeature(nullptr, 0), 0);
    // Ids that are no USB ids choose nothing; 0:0 would mean every device to hidapi.
    for (const auto& [vendor, product] :
        {std::pair{0, 0}, {-1, 0xFA61}, {0x10000, 0xFA61}, {0x1D57, -5}, {0x1D57, 0x10000}}) {
        EXPECT_EQ(cable.setVidPid(vendor, product), 0) << vendor << ':' << product;
        EXPECT_EQ(cable.openMonitor(kWindow, kCableEvent, kCableState), 0);
        EXPECT_EQ(cable.open(), 0);
    }
    EXPECT_EQ(Posted(), 0);
}

TEST(HidDriverTest, AnAbsentMouseIsNotOpenAndTakesNoWrites)
{
    const std::size_t threadsBefore = BaselineThreadCount();
    DriverLibrary cable("libhiddriver_2.so");
    ASSERT_TRUE(cable.Complete());
    EXPECT_EQ(cable.setVidPid(KESTRIN_CABLE_VENDOR_ID, KESTRIN_CABLE_PRODUCT_ID), 1);
    ASSERT_EQ(cable.openMonitor(kWindow, kCableEvent, kCableState), 1);
    EXPECT_EQ(ThreadCount(), threadsBefore + 1) << "the monitor runs on a thread of its own";
    EXPECT_EQ(cable.open(), 0);
    EXPECT_EQ(cable.setFeature(kBegin, 10), 0);
    EXPECT_EQ(cable.setFeature(nullptr, 10), 0);
    EXPECT_EQ(cable.setFeature(kBegin, 0), 0);
    EXPECT_EQ(cable.setFeature(kBegin, -1), 0);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(Posted(), 0) << "the state at start is not posted";

    EXPECT_EQ(cable.closeMonitor(), 1);
    EXPECT_TRUE(ThreadCountSettlesAt(threadsBefore)) << "Close_DevMonitor joins its thread";
    EXPECT_EQ(cable.closeMonitor(), 1);
    EXPECT_EQ(cable.close(), 1);
    EXPECT_EQ(cable.close(), 1);
}

TEST(HidDriverTest, CallsInOddOrdersAndRestartsLeaveOneMonitor)
{
    const std::size_t threadsBefore = BaselineThreadCount();
    DriverLibrary receiver("libhiddriver_1.so");
    ASSERT_TRUE(receiver.Complete());
    EXPECT_EQ(receiver.open(), 0) << "opened before any ids";
    receiver.setVidPid(KESTRIN_RECEIVER_VENDOR_ID, KESTRIN_RECEIVER_PRODUCT_ID);
    EXPECT_EQ(receiver.open(), 0);
    EXPECT_EQ(receiver.close(), 1);
    EXPECT_EQ(receiver.setFeature(kBegin, 10), 0) << "written after a close";
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(receiver.openMonitor(kWindow, kReceiverEvent, kReceiverState), 1);
    EXPECT_EQ(ThreadCount(), threadsBefore + 1) << "a second Open_DevMonitor replaces the first";
    // Other ids while monitoring: the running monitor keeps its device until reopened.
    receiver.setVidPid(KESTRIN_CABLE_VENDOR_ID, KESTRIN_CABLE_PRODUCT_ID);
    EXPECT_EQ(receiver.openMonitor(kWindow, kCableEvent, kCableState), 1);
    EXPECT_EQ(receiver.close(), 1);
    EXPECT_EQ(receiver.closeMonitor(), 1);
    EXPECT_TRUE(ThreadCountSettlesAt(threadsBefore));
}

TEST(HidDriverTest, TheTwoLibrariesKeepApartAndUnloadWhileMonitoring)
{
    const std::size_t threadsBefore = BaselineThreadCount();
    {
        DriverLibrary cable("libhiddriver_2.so");
        DriverLibrary receiver("libhiddriver_1.so");
        ASSERT_TRUE(cable.Complete() && receiver.Complete());
        cable.setVidPid(KESTRIN_CABLE_VENDOR_ID, KESTRIN_CABLE_PRODUCT_ID);
        receiver.setVidPid(KESTRIN_RECEIVER_VENDOR_ID, KESTRIN_RECEIVER_PRODUCT_ID);
        ASSERT_EQ(cable.openMonitor(kWindow, kCableEvent, kCableState), 1);
        ASSERT_EQ(receiver.openMonitor(kWindow, kReceiverEvent, kReceiverState), 1);
        EXPECT_EQ(ThreadCount(), threadsBefore + 2);
        cable.closeMonitor();
        EXPECT_TRUE(ThreadCountSettlesAt(threadsBefore + 1)) << "closing one leaves the other";
        cable.openMonitor(kWindow, kCableEvent, kCableState);
        // Both unloaded with their monitors running: each library ends its own thread.
    }
    EXPECT_TRUE(ThreadCountSettlesAt(threadsBefore));

    // And loads again from scratch.
    DriverLibrary again("libhiddriver_2.so");
    ASSERT_TRUE(again.Complete());
    again.setVidPid(KESTRIN_CABLE_VENDOR_ID, KESTRIN_CABLE_PRODUCT_ID);
    EXPECT_EQ(again.openMonitor(kWindow, kCableEvent, kCableState), 1);
    again.Unload();
    EXPECT_TRUE(ThreadCountSettlesAt(threadsBefore));
    EXPECT_EQ(Posted(), 0);
}

} // namespace
