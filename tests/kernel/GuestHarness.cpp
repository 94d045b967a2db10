// Runs inside the test kernel: the real driver libraries, loaded with dlopen as the program
// loads them, against the virtual mouse behind /dev/uhid. Prints one line per check and a
// verdict line that the host looks for.
//   guest-harness LIBRARY_DIR EXPECTED_DIR
// EXPECTED_DIR holds cable.hex and receiver.hex: every write of a full apply over that link.
#include "base/DriverApi.h"
#include "tests/kernel/GuestChecks.h"
#include "tests/kernel/GuestMessages.h"
#include "tests/kernel/ProgramApply.h"
#include "tools/virtualmouse/UhidMouse.h"
#include "tools/virtualmouse/Wire.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <dlfcn.h>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace kestrin::vmouse;
using namespace kestrin::guest;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr KestrinWindow kWindow = 77;
// Generous: the guest runs under emulation.
constexpr auto kArrival = 10s;
constexpr auto kEvent = 5s;
constexpr auto kQuiet = 500ms;
// The program waits this long after an arrival before it opens the device, so that a device
// with several interfaces has all of them.
constexpr auto kSettle = 1000ms;
const std::vector<uint8_t> kBegin = {0x0C, 0x0A, 0x01, 0xFE, 0x01, 0xFE, 0, 0, 0, 0};

std::string Hex(uintptr_t value)
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%lx", static_cast<unsigned long>(value));
    return text;
}

struct Driver {
    const char* name = "";
    Link link = Link::Cable;
    uint32_t eventMessage = 0;
    uint32_t stateMessage = 0;
    int product = 0;
    UhidNodes nodes = UhidNodes::Combined;
    void* handle = nullptr;
    SetVidPidFn setIds = nullptr;
    OpenDevMonitorFn openMonitor = nullptr;
    CloseDevMonitorFn closeMonitor = nullptr;
    OpenFeatureDeviceFn open = nullptr;
    CloseFeatureDeviceFn close = nullptr;
    SetFeatureFn setFeature = nullptr;
    GetFeatureFn getFeature = nullptr;

    bool Load(const std::string& path)
    {
        handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            return Check(false, std::string("load ") + path, ::dlerror());
        auto find = [&](auto& fn, const char* symbol) {
            fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(::dlsym(handle, symbol));
            return fn != nullptr;
        };
        return Check(find(setIds, "Set_VIDPID") && find(openMonitor, "Open_DevMonitor") &&
                find(closeMonitor, "Close_DevMonitor") && find(open, "Open_FeatureDevice") &&
                find(close, "Close_FeatureDevice") && find(setFeature, "SetFeature") &&
                find(getFeature, "GetFeature"),
            std::string(name) + " library resolves the seven entry points");
    }

    int Write(const std::vector<uint8_t>& bytes) const
    {
        return setFeature(bytes.data(), static_cast<int>(bytes.size()));
    }
};

bool ExpectState(const Driver& driver, uintptr_t wParam, const std::string& what)
{
    const auto posted = WaitFor(driver.stateMessage, kArrival);
    return Check(posted && posted->wParam == wParam && posted->window == kWindow, what,
        posted ? "wParam " + Hex(posted->wParam) : "no state message");
}

bool ExpectEvent(const Driver& driver, uint16_t code, uint16_t value, const std::string& what)
{
    const auto posted = WaitFor(driver.eventMessage, kEvent);
    return Check(posted && posted->wParam == code && (posted->lParam & 0xFFFF) == value, what,
        posted ? "event " + Hex(posted->wParam) + " value " + Hex(posted->lParam & 0xFFFF)
               : "no event message");
}

bool ExpectNoMessage(uint32_t message, const std::string& what)
{
    const auto posted = WaitFor(message, kQuiet);
    return Check(!posted, what,
        posted ? "got " + Hex(posted->message) + " wParam " + Hex(posted->wParam) : "");
}

void DumpLog(UhidMouse& uhid)
{
    for (const LogEntry& entry : uhid.Mouse().Log())
        std::printf("#   mouse log: %s\n", FormatLogEntry(entry).c_str());
}

// Both links absent, then plugged: the monitors announce each device once and it opens.
void EnumerateAndOpen(UhidMouse& uhid, std::vector<Driver>& drivers)
{
    for (Driver& driver : drivers) {
        driver.setIds(0x1D57, driver.product);
        Check(driver.openMonitor(kWindow, driver.eventMessage, driver.stateMessage) != 0,
            std::string(driver.name) + " monitor opens");
        Check(driver.open() == 0, std::string(driver.name) + " does not open while unplugged");
    }
    for (Driver& driver : drivers) {
        Check(uhid.Plug(driver.link, driver.nodes),
            std::string(driver.name) + " uhid device created");
        ExpectState(driver, 1, std::string(driver.name) + " arrival posts state 1");
        std::this_thread::sleep_for(kSettle);
        Check(driver.open() != 0, std::string(driver.name) + " opens after arrival");
    }
    for (Driver& driver : drivers)
        ExpectNoMessage(driver.stateMessage, std::string(driver.name) + " announced only once");
}

// Every write of a full apply reaches the mouse byte for byte, and none is refused.
void FullApply(
    UhidMouse& uhid, const Driver& driver, const std::vector<std::vector<uint8_t>>& writes)
{
    const std::string name = driver.name;
    uhid.Mouse().ClearLog();
    TakeAll();
    int written = 0;
    for (const auto& bytes : writes)
        written += driver.Write(bytes) != 0 ? 1 : 0;
    Check(!writes.empty() && written == static_cast<int>(writes.size()),
        name + " SetFeature succeeds for every write of the apply",
        std::to_string(written) + " of " + std::to_string(writes.size()));

    const std::vector<LogEntry> log = uhid.Mouse().Log();
    bool same = log.size() == writes.size();
    int whole = 0;
    for (std::size_t i = 0; same && i < log.size(); ++i) {
        same = log[i].link == driver.link && log[i].bytes == writes[i] &&
            (log[i].verdict == LogEntry::Verdict::Accepted ||
                log[i].verdict == LogEntry::Verdict::Partial);
        whole += log[i].verdict == LogEntry::Verdict::Accepted ? 1 : 0;
    }
    if (!Check(same, name + " mouse logs the apply byte for byte, all accepted",
            std::to_string(log.size()) + " entries for " + std::to_string(writes.size()) +
                " writes"))
        DumpLog(uhid);
    const MouseState state = uhid.Mouse().State();
    Check(
        state.hasSettings && state.hasLighting && state.hasButtonMap && state.downloads.size() >= 2,
        name + " mouse took settings, lighting, button map and the downloads");

    if (driver.link == Link::Receiver) {
        int acks = 0;
        while (acks < whole) {
            const auto posted = WaitFor(driver.eventMessage, kEvent);
            if (!posted || posted->wParam != 0x5010 || (posted->lParam & 0xFFFF) != 0)
                break;
            ++acks;
        }
        Check(whole > 0 && acks == whole, name + " acknowledges every whole report with 0x5010/0",
            std::to_string(acks) + " of " + std::to_string(whole));
    } else {
        ExpectNoMessage(driver.eventMessage, name + " sends no acknowledgement");
    }
}

// A report with a bad checksum, and one shorter than its id's length: the link takes both, the
// mouse refuses them, and through the receiver it says so.
void RefusedReports(
    UhidMouse& uhid, const Driver& driver, const std::vector<std::vector<uint8_t>>& writes)
{
    const std::string name = driver.name;
    std::vector<uint8_t> lighting;
    for (const auto& bytes : writes)
        if (bytes.size() == 15 && bytes[0] == 0x05)
            lighting = bytes;
    if (!Check(!lighting.empty(), name + " apply holds a lighting report"))
        return;
    lighting[12] ^= 0x5A;
    const std::vector<uint8_t> shortBegin(kBegin.begin(), kBegin.end() - 1);
    for (const auto& [bytes, kind] :
        {std::pair{lighting, "bad checksum"}, std::pair{shortBegin, "short report"}}) {
        uhid.Mouse().ClearLog();
        Check(driver.Write(bytes) != 0, name + " link takes a " + kind);
        const std::vector<LogEntry> log = uhid.Mouse().Log();
        Check(log.size() == 1 && log[0].verdict == LogEntry::Verdict::Refused &&
                log[0].bytes == bytes,
            name + " mouse refuses the " + kind,
            log.empty() ? "nothing logged" : FormatLogEntry(log.back()));
        if (driver.link == Link::Receiver)
            ExpectEvent(driver, 0x5010, 1, name + " answers the " + kind + " with 0x5010/1");
        else
            ExpectNoMessage(driver.eventMessage, name + " answers nothing to the " + kind);
    }
}

// The mouse's events; pointer motion, on its own node or on the vendor node, is not an event.
void MouseEvents(UhidMouse& uhid, const Driver& cable, const Driver& receiver)
{
    TakeAll();
    Check(uhid.Mouse().SelectDpiStage(3), "mouse switches to DPI stage 3");
    ExpectEvent(cable, 0x1010, 3, "cable posts the DPI stage event");
    for (const Driver* driver : {&cable, &receiver}) {
        const std::string name = driver->name;
        Check(uhid.SendPointer(driver->link, 1, 0x10, 0x10), name + " mouse moves the pointer");
        // A status report, sent on this link whichever link the mouse prefers.
        const uint8_t status[] = {kUhidEventReportId, 0x10, 0x40, 0x02, 85};
        Check(uhid.SendInput(driver->link, status), name + " mouse sends a status report");
        ExpectEvent(*driver, 0x4010, 85 << 8 | 2,
            name + " posts the status event and nothing for the pointer");
    }
}

// Unplug and plug again, link by link: state messages 0 and 1, writes fail and work again.
void UnplugAndPlug(UhidMouse& uhid, const Driver& driver, const Driver& other)
{
    const std::string name = driver.name;
    TakeAll();
    Check(uhid.Unplug(driver.link), name + " uhid device destroyed");
    ExpectState(driver, 0, name + " removal posts state 0");
    const auto start = Clock::now();
    const int result = driver.Write(kBegin);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    Check(result == 0 && took < 2s, name + " SetFeature fails at once while unplugged",
        "result " + std::to_string(result) + " after " + std::to_string(took.count()) + " ms");
    driver.close();
    Check(driver.open() == 0, name + " does not open while unplugged");
    ExpectNoMessage(other.stateMessage, name + " removal leaves the other link alone");

    // The mouse now talks on the other link.
    Check(uhid.Mouse().SelectLightingMode(3), "mouse changes its lighting mode");
    ExpectEvent(other, 0x7010, 3, std::string(other.name) + " carries the event meanwhile");

    Check(uhid.Plug(driver.link, driver.nodes), name + " uhid device created again");
    ExpectState(driver, 1, name + " arrival posts state 1 again");
    std::this_thread::sleep_for(kSettle);
    Check(driver.open() != 0, name + " opens again");
    uhid.Mouse().ClearLog();
    Check(driver.Write(kBegin) != 0, name + " SetFeature works again");
    const std::vector<LogEntry> log = uhid.Mouse().Log();
    Check(
        log.size() == 1 && log[0].bytes == kBegin && log[0].verdict == LogEntry::Verdict::Accepted,
        name + " mouse takes the write after the plug");
    if (driver.link == Link::Receiver)
        ExpectEvent(driver, 0x5010, 0, name + " acknowledges it");
    ExpectNoMessage(driver.stateMessage, name + " announced once after the plug");
}

// The /dev paths of the hidraw nodes of product `product`, read from sysfs.
std::vector<std::string> HidrawNodesOf(int product)
{
    char id[32];
    std::snprintf(id, sizeof id, "HID_ID=0003:00001D57:0000%04X", product);
    std::vector<std::string> nodes;
    DIR* dir = ::opendir("/sys/class/hidraw");
    if (!dir)
        return nodes;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        std::ifstream uevent(std::string("/sys/class/hidraw/") + entry->d_name + "/device/uevent");
        for (std::string line; std::getline(uevent, line);)
            if (line == id)
                nodes.push_back(std::string("/dev/") + entry->d_name);
    }
    ::closedir(dir);
    return nodes;
}

// A mouse whose nodes the user may not open when it arrives (no access rule yet): announced,
// nothing read, and not tried again while nothing about the nodes changes; once their access
// changes, its events flow. Root's nodes (mode 0600) refuse an ordinary user.
void AccessGrantedLater(UhidMouse& uhid, const Driver& driver)
{
    const std::string name = driver.name;
    TakeAll();
    Check(uhid.Unplug(driver.link), name + " uhid device destroyed");
    ExpectState(driver, 0, name + " removal posts state 0");
    driver.close();
    const bool user = ::setresuid(-1, 65534, -1) == 0;
    if (!Check(user, "the harness acts as an ordinary user", user ? "" : std::strerror(errno)))
        return;
    const bool plugged = uhid.Plug(driver.link, driver.nodes);
    std::this_thread::sleep_for(kSettle);
    const bool root = ::setresuid(-1, 0, -1) == 0;
    Check(plugged && root, name + " plugged while its nodes refuse the user");
    ExpectState(driver, 1, name + " arrival posts state 1 though nothing can be read");
    // Root could open the nodes now, but nothing about them changed: a monitor that polls
    // would open them within this wait.
    std::this_thread::sleep_for(2500ms);
    const uint8_t status[] = {kUhidEventReportId, 0x10, 0x40, 0x02, 60};
    Check(uhid.SendInput(driver.link, status), name + " mouse sends a status report");
    ExpectNoMessage(
        driver.eventMessage, name + " is not tried again while its access is unchanged");

    const std::vector<std::string> nodes = HidrawNodesOf(driver.product);
    bool granted = !nodes.empty();
    for (const std::string& node : nodes)
        granted = ::chmod(node.c_str(), 0660) == 0 && granted;
    Check(granted, name + " nodes opened to the group", std::to_string(nodes.size()) + " nodes");
    // Reports sent before the monitor opens the node are lost: sent until one is read.
    std::optional<Posted> posted;
    for (const auto until = Clock::now() + kEvent; !posted && Clock::now() < until;) {
        uhid.SendInput(driver.link, status);
        posted = WaitFor(driver.eventMessage, 100ms);
    }
    Check(posted && posted->wParam == 0x4010 && (posted->lParam & 0xFFFF) == (60 << 8 | 2),
        name + " events flow once the access changed",
        posted ? "event " + Hex(posted->wParam) : "no event message");
    Check(driver.open() != 0, name + " opens again");
    ExpectNoMessage(driver.stateMessage, name + " announced once");
}

// Closing monitors and devices, then unloading, while the mouse sends as fast as it can.
void CloseWhileSending(UhidMouse& uhid, std::vector<Driver>& drivers)
{
    std::atomic<bool> sending{true};
    std::atomic<int> sent{0};
    std::thread sender([&] {
        const uint8_t status[] = {kUhidEventReportId, 0x10, 0x40, 0x01, 0x32};
        while (sending) {
            for (const Link link : {Link::Cable, Link::Receiver}) {
                uhid.SendInput(link, status);
                uhid.SendPointer(link, 0, 1, -1);
            }
            ++sent;
            std::this_thread::sleep_for(1ms);
        }
    });
    std::this_thread::sleep_for(300ms);
    const auto start = Clock::now();
    for (Driver& driver : drivers) {
        driver.closeMonitor();
        driver.close();
    }
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    Check(took < 3s, "monitors and devices close while the mouse sends",
        std::to_string(took.count()) + " ms");
    const std::size_t posted = PostedCount();
    std::this_thread::sleep_for(kQuiet);
    Check(PostedCount() == posted, "nothing is posted after the monitors closed",
        std::to_string(PostedCount() - posted) + " more");
    for (Driver& driver : drivers)
        Check(
            driver.Write(kBegin) == 0, std::string(driver.name) + " SetFeature fails once closed");
    for (Driver& driver : drivers)
        Check(::dlclose(driver.handle) == 0, std::string(driver.name) + " library unloads");
    std::this_thread::sleep_for(100ms);
    sending = false;
    sender.join();
    Check(
        sent > 100, "the mouse kept sending throughout", std::to_string(sent.load()) + " reports");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: guest-harness LIBRARY_DIR EXPECTED_DIR\n");
        return 2;
    }
    const std::string libraries = argv[1];
    const std::string expected = argv[2];
    std::string error;
    std::unique_ptr<UhidMouse> uhid = UhidMouse::Open(error);
    if (!Check(uhid != nullptr, "virtual mouse on /dev/uhid", error)) {
        std::printf("KESTRIN-GUEST-VERDICT: FAIL (no /dev/uhid)\n");
        return 1;
    }
    std::vector<Driver> drivers(2);
    // The cable as a USB mouse with a pointer and a vendor interface, the receiver as one
    // device with both collections.
    drivers[0] = {"cable", Link::Cable, 0x603, 0x604, 0xFA61, UhidNodes::Separate};
    drivers[1] = {"receiver", Link::Receiver, 0x601, 0x602, 0xFA60, UhidNodes::Combined};
    const bool loaded = drivers[0].Load(libraries + "/libhiddriver_2.so") &&
        drivers[1].Load(libraries + "/libhiddriver_1.so");
    if (loaded) {
        Driver& cable = drivers[0];
        Driver& receiver = drivers[1];
        const auto cableWrites = ReadWrites(expected + "/cable.hex");
        const auto receiverWrites = ReadWrites(expected + "/receiver.hex");
        Check(cableWrites.size() > 10 && receiverWrites.size() > 10, "expected writes read",
            std::to_string(cableWrites.size()) + " and " + std::to_string(receiverWrites.size()));

        EnumerateAndOpen(*uhid, drivers);
        FullApply(*uhid, cable, cableWrites);
        FullApply(*uhid, receiver, receiverWrites);
        RefusedReports(*uhid, cable, cableWrites);
        RefusedReports(*uhid, receiver, receiverWrites);
        MouseEvents(*uhid, cable, receiver);
        UnplugAndPlug(*uhid, cable, receiver);
        UnplugAndPlug(*uhid, receiver, cable);
        AccessGrantedLater(*uhid, cable);
        CloseWhileSending(*uhid, drivers);
        ApplyThroughTheProgram(
            *uhid, libraries, expected + "/apply.pro", cableWrites, receiverWrites);
    }
    uhid.reset();
    const int failures = Failures();
    if (failures == 0 && loaded)
        std::printf("KESTRIN-GUEST-VERDICT: PASS (%d checks)\n", Checks());
    else
        std::printf("KESTRIN-GUEST-VERDICT: FAIL (%d of %d checks failed)\n", failures, Checks());
    std::fflush(stdout);
    return failures == 0 && loaded ? 0 : 1;
}
