#include "tests/kernel/ProgramApply.h"

#include "device/ApplyEngine.h"
#include "device/DriverLibraries.h"
#include "profiles/ProfileExchange.h"
#include "tests/kernel/GuestChecks.h"
#include "tests/kernel/GuestMessages.h"

#include <chrono>
#include <cstring>

namespace kestrin::guest {
namespace {

constexpr KestrinWindow kWindow = 78;
constexpr uint32_t kReceiverEvent = 0x601, kReceiverState = 0x602;
constexpr uint32_t kCableEvent = 0x603, kCableState = 0x604;

bool LoggedOnce(vmouse::UhidMouse& uhid, vmouse::Link link,
    const std::vector<std::vector<uint8_t>>& writes, std::string& detail)
{
    const std::vector<vmouse::LogEntry> log = uhid.Mouse().Log();
    detail =
        std::to_string(log.size()) + " entries for " + std::to_string(writes.size()) + " writes";
    if (log.size() != writes.size())
        return false;
    for (std::size_t i = 0; i < log.size(); ++i) {
        if (log[i].link != link || log[i].bytes != writes[i] ||
            log[i].verdict == vmouse::LogEntry::Verdict::Refused ||
            log[i].verdict == vmouse::LogEntry::Verdict::Dropped) {
            detail = "entry " + std::to_string(i) + ": " + vmouse::FormatLogEntry(log[i]);
            return false;
        }
    }
    return true;
}

} // namespace

void ApplyThroughTheProgram(vmouse::UhidMouse& uhid, const std::string& libraryDir,
    const std::string& profilePath, const std::vector<std::vector<uint8_t>>& cableWrites,
    const std::vector<std::vector<uint8_t>>& receiverWrites)
{
    const ProfileFileRead read = ReadProfileFile(profilePath);
    if (!Check(read.ok(), "program: profile file read"))
        return;
    DriverLibraries libraries;
    libraries.LoadFrom(libraryDir + "/");
    if (!Check(libraries.cable.Usable() && libraries.receiver.Usable(),
            "program: both libraries load from the program folder",
            libraries.cable.LoadError() + libraries.receiver.LoadError()))
        return;

    LinkState links;
    // As the page does: the mouse's acknowledgement sets WriteAcknowledged.
    WatchPosts([&links](const Posted& posted) {
        if (posted.message == kReceiverEvent && posted.wParam == 0x5010)
            links.WriteAcknowledged = (posted.lParam & 0xFF) == 0 ? 1 : 0;
    });
    libraries.cable.SetVidPid(0x1D57, 0xFA61);
    libraries.cable.OpenDevMonitor(kWindow, kCableEvent, kCableState);
    libraries.receiver.SetVidPid(0x1D57, 0xFA60);
    libraries.receiver.OpenDevMonitor(kWindow, kReceiverEvent, kReceiverState);
    const bool opened = Check(
        libraries.cable.OpenFeatureDevice() != 0 && libraries.receiver.OpenFeatureDevice() != 0,
        "program: both links open");

    ProfileHost host(*read.value);
    RealClock clock;
    ApplyEngine engine(links, WritersFor(libraries, {}), host, clock);
    struct Pass {
        const char* name;
        vmouse::Link link;
        const std::vector<std::vector<uint8_t>>& writes;
    };
    for (const Pass& pass : {Pass{"cable", vmouse::Link::Cable, cableWrites},
             Pass{"receiver", vmouse::Link::Receiver, receiverWrites}}) {
        if (!opened)
            break;
        const bool cable = pass.link == vmouse::Link::Cable;
        links.CableState = cable ? kLinkConnected : kLinkRemoved;
        links.ReceiverState = kLinkConnected;
        links.ReceiverMouseAwake = cable ? 0 : 1;
        links.MouseUnreachable = 0;
        links.ApplyAllPending = 1;
        uhid.Mouse().ClearLog();
        const auto start = std::chrono::steady_clock::now();
        engine.ApplyProfile();
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start);
        std::string detail;
        Check(LoggedOnce(uhid, pass.link, pass.writes, detail),
            std::string("program: a full apply over the ") + pass.name +
                " reaches the mouse once, byte for byte, in " + std::to_string(took.count()) +
                " ms",
            detail);
        Check(host.AllTaken(),
            std::string("program: the mouse took every group over the ") + pass.name);
    }
    WatchPosts({});
    libraries.receiver.CloseFeatureDevice();
    libraries.receiver.CloseDevMonitor();
    libraries.cable.CloseFeatureDevice();
    libraries.cable.CloseDevMonitor();
}

} // namespace kestrin::guest
