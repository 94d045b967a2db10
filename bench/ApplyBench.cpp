// A full apply of the default profile, and of one whose buttons carry a macro and a recoil
// pattern (download reports, with their longer pauses), with the real clock, against the
// virtual mouse over the cable and over an acknowledging receiver. Its wall time, from the request
// to the ring being hidden, is set against the protocol's own floor: the sum of the pauses it
// mandates for that sequence of reports. The writes, the acknowledgements and the save must fit in
// what is left. usage: apply_bench [ROUNDS]
#include "device/AppliedStore.h"
#include "device/DriverLibraries.h"
#include "protocol/ApplyPlan.h"
#include "protocol/SettingsReports.h"
#include "tools/virtualmouse/VirtualMouseServer.h"
#include "tools/virtualmouse/Wire.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace kestrin;
using namespace std::chrono_literals;

namespace {

constexpr uint32_t kReceiverEvent = 0x601, kReceiverState = 0x602;
constexpr uint32_t kCableEvent = 0x603, kCableState = 0x604;
constexpr KestrinWindow kWindow = 1;

std::atomic<LinkState*> g_links{nullptr};
std::atomic<int> g_acks{0};

} // namespace

// The page's part: an accepting acknowledgement sets WriteAcknowledged.
extern "C" __attribute__((visibility("default"))) int KestrinPostMessage(
    KestrinWindow, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    LinkState* links = g_links.load();
    if (links && message == kReceiverEvent && wParam == 0x5010) {
        links->WriteAcknowledged = (lParam & 0xFF) == 0 ? 1 : 0;
        ++g_acks;
    }
    return 1;
}

namespace {

// Holds one profile and saves it for real, as the page does after every apply.
class BenchPage final : public ApplyHost {
public:
    BenchPage(std::string dataFolder, std::unique_ptr<ProfileRecord> profile)
        : dataFolder_(std::move(dataFolder))
    {
        profiles.push_back(std::move(profile));
        header->currentIndex = 0;
    }

    void StopReceiverWatchdog() override { }
    void ShowApplyRing() override { }
    void StartReceiverWatchdog() override { }
    void HideApplyRing() override { done.set_value(); }
    void ShowUntakenChanges(bool) override { }

    const ProfileRecord* CopyForApply(ProfileRecord& current, ProfileRecord& snapshotInto) override
    {
        std::lock_guard lock(mutex);
        current = *profiles.front();
        snapshotInto = *snapshot;
        return profiles.front().get();
    }
    void SaveAppliedProfiles(const ProfileRecord* source, const ProfileRecord& written) override
    {
        if (!SaveAppliedStore(dataFolder_, mutex, profiles, *header, source, written))
            std::fprintf(stderr, "the profile store was not saved\n");
    }
    void FinishApply(const ProfileRecord& written, const std::optional<DownloadSlotTable>&) override
    {
        std::lock_guard lock(mutex);
        *snapshot = written;
    }

    std::mutex mutex;
    ProfileList profiles;
    std::unique_ptr<ProfileRecord> snapshot = std::make_unique<ProfileRecord>();
    std::unique_ptr<ProfileStoreHeader> header = std::make_unique<ProfileStoreHeader>();
    std::promise<void> done;

private:
    std::string dataFolder_;
};

// The pauses the protocol asks for around each report, written out from its rules here rather
// than taken from the engine: over the cable 200 ms per packet of a download; over the
// receiver 1000 ms per packet of a download or 500 ms per attempt of another report (one, as
// the mouse acknowledges at once); then 500 ms after every report.
std::chrono::milliseconds Floor(const ApplyPlan& plan, bool receiver)
{
    std::chrono::milliseconds floor{0};
    for (const Report& report : plan.reports) {
        const bool download = report.id() == kDownloadReportId;
        if (receiver)
            floor += download ? 3 * 1000ms : 500ms;
        else if (download)
            floor += 3 * 200ms;
        floor += 500ms;
    }
    return floor;
}

// The program opens its monitors long before its first apply; here the monitor's thread must
// first reach the mouse, or the first acknowledgement would go unheard.
bool MonitorAnswers(const DriverLibrary& receiver)
{
    const Report begin = BuildBeginReport();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int before = g_acks.load();
        receiver.SetFeature(begin.data());
        for (int wait = 0; wait < 20 && g_acks.load() == before; ++wait)
            std::this_thread::sleep_for(5ms);
        if (g_acks.load() != before)
            return true;
    }
    return false;
}

// Buttons with a macro of four steps and a pattern of 20 shots: four download reports of three
// packets each.
std::unique_ptr<ProfileRecord> ProfileWithDownloads()
{
    auto profile = NewProfileRecord(u"Downloads");
    ButtonSlot& macro = profile->buttons[3];
    macro.functionCode = kFunctionMacro;
    macro.stepCount = 4;
    macro.macroCopy[0] = {0x04, 1, 250};
    macro.macroCopy[1] = {0x04, 2, 3};
    macro.macroCopy[2] = {0xF1, 1, 40};
    macro.macroCopy[3] = {0xF1, 2, 1000};
    ButtonSlot& pattern = profile->buttons[4];
    pattern.functionCode = kFunctionRecoilPattern;
    pattern.playMode = kPatternPlayMode;
    pattern.repeatCount = 2;
    pattern.stepCount = 20;
    for (int k = 0; k < 20; ++k)
        pattern.patternCopy[k] = {k - 10, 3 * k, 0, static_cast<uint16_t>(k == 19 ? 150 : 30)};
    return profile;
}

struct Result {
    double wallMs;
    double floorMs;
    std::size_t reports;
    std::size_t downloads;
};

Result RunOnce(bool receiver, int round, std::unique_ptr<ProfileRecord> profile)
{
    const fs::path root = fs::temp_directory_path() /
        ("kestrin-apply-bench-" + std::to_string(::getpid()) + "-" + std::to_string(round) +
            (receiver ? "-receiver" : "-cable"));
    fs::remove_all(root);
    const fs::path program = root / "program";
    fs::create_directories(program);
    for (const char* name : {kCableLibraryName, kReceiverLibraryName})
        fs::copy_file(fs::path(KESTRIN_VIRTUAL_DRIVER_DIR) / name, program / name);

    vmouse::ServerOptions options;
    options.plugged = {receiver ? vmouse::Link::Receiver : vmouse::Link::Cable};
    options.statusInterval = 0ms;
    vmouse::VirtualMouseServer server(vmouse::SocketName(program.string()), options);
    std::string error;
    if (!server.Listen(&error)) {
        std::fprintf(stderr, "virtual mouse: %s\n", error.c_str());
        std::exit(1);
    }
    std::thread serverThread([&] { server.Run(); });

    LinkState links;
    g_links = &links;
    DriverLibraries libraries;
    libraries.LoadFrom(program.string() + "/");
    libraries.cable.SetVidPid(KESTRIN_CABLE_VENDOR_ID, KESTRIN_CABLE_PRODUCT_ID);
    libraries.cable.OpenDevMonitor(kWindow, kCableEvent, kCableState);
    if (libraries.cable.OpenFeatureDevice())
        links.CableState = kLinkConnected;
    libraries.receiver.SetVidPid(KESTRIN_RECEIVER_VENDOR_ID, KESTRIN_RECEIVER_PRODUCT_ID);
    libraries.receiver.OpenDevMonitor(kWindow, kReceiverEvent, kReceiverState);
    if (libraries.receiver.OpenFeatureDevice()) {
        links.ReceiverState = kLinkConnected;
        links.ReceiverMouseAwake = 1; // as after the mouse's first status report
    }
    if (links.CableState != kLinkConnected && links.ReceiverState != kLinkConnected) {
        std::fprintf(stderr, "the virtual mouse's link did not open\n");
        std::exit(1);
    }
    if (receiver && !MonitorAnswers(libraries.receiver)) {
        std::fprintf(stderr, "the receiver's monitor never reported an acknowledgement\n");
        std::exit(1);
    }
    links.MouseUnreachable = 0;
    links.ApplyAllPending = 1;

    BenchPage page((root / "Data").string() + "/", std::move(profile));
    const ApplyPlan plan = PlanApply(*page.profiles.front(), *page.snapshot, true);
    RealClock clock;
    ApplyEngine engine(links, WritersFor(libraries, {}), page, clock);
    DeviceWorker worker(engine);
    worker.Start();

    auto finished = page.done.get_future();
    const auto start = std::chrono::steady_clock::now();
    worker.Post(kApplyThreadMessage);
    finished.wait();
    const auto wall = std::chrono::steady_clock::now() - start;

    ShutDownDeviceLinks(libraries, engine, worker);
    g_links = nullptr;
    server.Stop();
    serverThread.join();
    fs::remove_all(root);
    return {std::chrono::duration<double, std::milli>(wall).count(),
        std::chrono::duration<double, std::milli>(Floor(plan, receiver)).count(),
        plan.reports.size(),
        static_cast<std::size_t>(std::count_if(plan.reports.begin(), plan.reports.end(),
            [](const Report& report) { return report.id() == kDownloadReportId; }))};
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
    std::printf("full apply against the virtual mouse, real clock\n");
    const std::pair<const char*, std::unique_ptr<ProfileRecord> (*)()> profiles[] = {
        {"default profile", [] { return NewProfileRecord(u"Profile1"); }},
        {"macro and pattern", ProfileWithDownloads},
    };
    bool met = true;
    for (const auto& [name, make] : profiles) {
        for (const bool receiver : {false, true}) {
            double worst = 0;
            Result last{};
            for (int round = 0; round < rounds; ++round) {
                last = RunOnce(receiver, round, make());
                worst = std::max(worst, last.wallMs / last.floorMs);
            }
            met = met && worst <= 1.02;
            std::printf("  %-17s %-9s %2zu reports (%zu downloads)  wall %8.1f ms  floor %6.0f ms"
                        "  ratio %.4f  (worst of %d, target <= 1.02)\n",
                name, receiver ? "receiver" : "cable", last.reports, last.downloads, last.wallMs,
                last.floorMs, worst, rounds);
        }
    }
    std::printf("apply: %s\n",
        met ? "every case within 1.02x of the protocol's floor"
            : "a case is over 1.02x of the protocol's floor");
    return 0;
}
