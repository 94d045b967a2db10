#include "tools/kestrinctl/DeviceCommands.h"

#include "base/RecordNames.h"
#include "device/ApplyEngine.h"
#include "device/DeviceProfiles.h"
#include "profiles/ProfileRanges.h"
#include "tools/kestrinctl/DirectMouse.h"
#include "tools/kestrinctl/InstanceClient.h"
#include "tools/kestrinctl/Json.h"
#include "tools/kestrinctl/StoreCommands.h"

#include <algorithm>
#include <cstdlib>
#include <ostream>
#include <sstream>
#include <vector>

namespace kestrin::ctl {
namespace {

using namespace std::chrono_literals;

constexpr std::u16string_view kProfileBase = u"Profile";
// An apply through the receiver with macros may take minutes; the program answers when done.
constexpr auto kApplyAnswerTimeout = 15min;
constexpr auto kStatusAnswerTimeout = 5s;
// The mouse reports its battery every few seconds while awake; through the receiver that
// report is what shows it can be written to.
constexpr auto kReportWait = 3s;

// The apply engine's host when there is no window: no window steps, the profile as pro.data
// holds it, and pro.data saved as the program saves it after an apply.
class CommandLineApplyHost final : public ApplyHost {
public:
    CommandLineApplyHost(DeviceProfiles& profiles, const ProfileRecord& profile)
        : profiles_(profiles), profile_(profile)
    {
    }

    void StopReceiverWatchdog() override { }
    void ShowApplyRing() override { }
    void StartReceiverWatchdog() override { }
    void HideApplyRing() override { }
    void ShowUntakenChanges(bool untaken) override { untaken_ = untaken; }
    const ProfileRecord* CopyForApply(ProfileRecord& current, ProfileRecord& snapshot) override
    {
        // Nothing is known of what the mouse holds: everything goes, as `reports` prints it.
        current = profile_;
        snapshot = profile_;
        return &profile_;
    }
    void SaveAppliedProfiles(const ProfileRecord* source, const ProfileRecord& written) override
    {
        saved_ = profiles_.SaveApplied(source, written);
    }
    void FinishApply(const ProfileRecord&, const std::optional<DownloadSlotTable>&) override { }

    bool Untaken() const { return untaken_; }
    const SaveResult& Saved() const { return saved_; }

private:
    DeviceProfiles& profiles_;
    const ProfileRecord& profile_;
    bool untaken_ = true;
    SaveResult saved_;
};

// Without the program kestrinctl reaches the cable and the receiver; the program reaches
// Bluetooth as well.
const char* const kNoMouse = "no mouse is connected: plug in the cable or the receiver (and wake "
                             "the mouse); over Bluetooth only Kestrin itself reaches it";
const char* const kNoMouseForProgram = "no mouse is connected: plug in the cable or the receiver, "
                                       "wake the mouse, or connect it over Bluetooth";

// The data folder's profiles, set right as the program would load them; false with a message.
bool LoadProfiles(
    const DeviceContext& context, ProfileList& list, ProfileStoreHeader& header, std::ostream& err)
{
    // Read first as it is: a missing store is told, not made.
    ProfileList asItIs;
    if (!ReadProfiles(context.dataFolder, asItIs, header, err))
        return false;
    const StoreLoadReport loaded = LoadProfileStore(context.dataFolder, list, header, kProfileBase);
    if (loaded.Damaged() || (loaded.createdFresh && !loaded.freshSave.ok()) || list.empty()) {
        err << "kestrinctl: the saved profiles were damaged; start Kestrin, which tells what it "
               "kept, then try again\n";
        return false;
    }
    return true;
}

enum class Direct {
    Taken,   // the mouse took everything, and pro.data is saved
    NoMouse, // no link reaches the mouse
    Failed,  // told on `err`
};

// Sends the current profile of `list` straight to the mouse, as the program's first apply does.
Direct ApplyDirectly(const DeviceContext& context, DeviceProfiles& profiles, std::ostream& err)
{
    DirectMouse mouse(context.programFolder);
    if (!mouse.LibrariesUsable()) {
        err << "kestrinctl: the driver libraries cannot be loaded from " << context.programFolder
            << ": " << mouse.LoadError() << "\n";
        return Direct::Failed;
    }
    if (!mouse.Cable() && mouse.Receiver())
        mouse.WaitForBatteryReport(kReportWait);
    if (mouse.Links().MouseUnreachable.load() == 1)
        return Direct::NoMouse;
    const ProfileRecord& profile =
        *profiles.list[static_cast<std::size_t>(profiles.header->currentIndex)];
    CommandLineApplyHost host(profiles, profile);
    RealClock clock;
    ApplyEngine engine(mouse.Links(), mouse.Writers(), host, clock);
    mouse.Links().ApplyAllPending = 1;
    engine.ApplyProfile();
    if (host.Untaken()) {
        err << "kestrinctl: the mouse did not take every report; try again\n";
        return Direct::Failed;
    }
    if (!host.Saved().ok()) {
        err << "kestrinctl: the mouse took it, but the profiles could not be saved: "
            << host.Saved().error << "\n";
        return Direct::Failed;
    }
    return Direct::Taken;
}

// Asks the running program; nothing when it is not running.
std::optional<ProgramReply> AskRunningProgram(
    const DeviceContext& context, const std::string& command, std::ostream& err, int& status)
{
    if (!ProgramListening())
        return std::nullopt;
    if (context.dataGiven) {
        err << "kestrinctl: Kestrin is running with its own data folder: leave out --data, or end "
               "Kestrin first\n";
        status = kExitUsage;
        return ProgramReply{};
    }
    ProgramReply reply = AskProgram(command, kApplyAnswerTimeout);
    if (reply.state == ProgramReply::State::NotRunning)
        return std::nullopt; // it ended just now
    if (reply.state == ProgramReply::State::NoAnswer) {
        err << "kestrinctl: Kestrin did not answer (it may have ended); try again\n";
        status = kExitFailed;
    }
    return reply;
}

// The program's answer to "use" or "apply wait", told as `done` when the mouse took it.
int TellApplyAnswer(const std::string& answer, const std::string& done, bool switched,
    std::ostream& out, std::ostream& err)
{
    if (answer == "ok taken") {
        out << done << "\n";
        return kExitDone;
    }
    if (answer == "ok nomouse" && switched) {
        out << done << "; " << kNoMouseForProgram << ", so Kestrin sends it when one is\n";
        return kExitDone;
    }
    if (answer == "ok nomouse") {
        err << "kestrinctl: " << kNoMouseForProgram << "\n";
        return kExitFailed;
    }
    if (answer == "busy") {
        err << "kestrinctl: Kestrin has a window open that waits for an answer; answer it and try "
               "again\n";
        return kExitFailed;
    }
    if (answer == "ok untaken") {
        err << "kestrinctl: the mouse did not take every change; Kestrin sends them again when it "
               "can\n";
        return kExitFailed;
    }
    err << "kestrinctl: Kestrin answered '" << answer << "'; is it an older version?\n";
    return kExitFailed;
}

} // namespace

int UseProfile(
    const DeviceContext& context, const std::string& name, std::ostream& out, std::ostream& err)
{
    // One command per line on the socket: a name never carries a line of its own.
    if (std::any_of(name.begin(), name.end(), [](char c) { return c == '\n' || c == '\r'; })) {
        err << "kestrinctl: no profile named '" << name << "' (kestrinctl list shows them)\n";
        return kExitFailed;
    }
    const std::string done = "'" + name + "' is the current profile, and on the mouse";
    int status = kExitDone;
    if (const auto reply = AskRunningProgram(context, "use " + name, err, status)) {
        if (status != kExitDone)
            return status;
        if (reply->line == "error no-profile") {
            err << "kestrinctl: no profile named '" << name << "' (kestrinctl list shows them)\n";
            return kExitFailed;
        }
        return TellApplyAnswer(reply->line, done, true, out, err);
    }

    DeviceProfiles profiles;
    profiles.dataFolder = context.dataFolder;
    ProfileList& list = profiles.list;
    if (!LoadProfiles(context, list, *profiles.header, err))
        return kExitFailed;
    const int index = FindProfile(list, name);
    if (index < 0) {
        err << "kestrinctl: no profile named '" << name << "' (kestrinctl list shows them)\n";
        return kExitFailed;
    }
    // Saved first, mouse or not: the program sends the whole current profile when it starts.
    profiles.header->currentIndex = index;
    if (const SaveResult saved = SaveProfileStore(context.dataFolder, list, *profiles.header);
        !saved.ok()) {
        err << "kestrinctl: the profiles could not be saved: " << saved.error << "\n";
        return kExitFailed;
    }
    const std::string named = ToUtf8(ReadName(list[static_cast<std::size_t>(index)]->name));
    switch (ApplyDirectly(context, profiles, err)) {
    case Direct::Taken:
        out << "'" << named << "' is the current profile, and on the mouse\n";
        return kExitDone;
    case Direct::NoMouse:
        out << "'" << named << "' is the current profile; " << kNoMouse
            << ", so Kestrin sends it when it next starts with the mouse\n";
        return kExitDone;
    case Direct::Failed:
        break;
    }
    return kExitFailed;
}

int ApplyCurrent(const DeviceContext& context, std::ostream& out, std::ostream& err)
{
    const std::string done = "the current profile is on the mouse";
    int status = kExitDone;
    if (const auto reply = AskRunningProgram(context, "apply wait", err, status)) {
        if (status != kExitDone)
            return status;
        return TellApplyAnswer(reply->line, done, false, out, err);
    }
    DeviceProfiles profiles;
    profiles.dataFolder = context.dataFolder;
    if (!LoadProfiles(context, profiles.list, *profiles.header, err))
        return kExitFailed;
    const std::string named = ToUtf8(
        ReadName(profiles.list[static_cast<std::size_t>(profiles.header->currentIndex)]->name));
    switch (ApplyDirectly(context, profiles, err)) {
    case Direct::Taken:
        out << "'" << named << "' is on the mouse\n";
        return kExitDone;
    case Direct::NoMouse:
        err << "kestrinctl: " << kNoMouse << "\n";
        return kExitFailed;
    case Direct::Failed:
        break;
    }
    return kExitFailed;
}

std::optional<MouseStatus> ParseStatusAnswer(const std::string& line)
{
    if (!line.starts_with("ok "))
        return std::nullopt;
    MouseStatus status;
    status.running = true;
    const std::size_t profile = line.find(" profile=");
    if (profile == std::string::npos)
        return std::nullopt;
    status.profile = line.substr(profile + 9);
    std::istringstream fields(line.substr(3, profile - 3));
    std::string field;
    while (fields >> field) {
        const std::size_t equals = field.find('=');
        if (equals == std::string::npos)
            return std::nullopt;
        const std::string key = field.substr(0, equals);
        const int value = std::atoi(field.c_str() + equals + 1);
        if (key == "cable")
            status.cable = value != 0;
        else if (key == "receiver")
            status.receiver = value != 0;
        else if (key == "ble")
            status.ble = value != 0;
        else if (key == "battery" && value >= 0)
            status.battery = value;
        else if (key == "charging")
            status.charging = value != 0;
        else if (key == "stage")
            status.stage = value;
        else if (key == "dpi")
            status.dpi = value;
        else if (key == "untaken")
            status.untaken = value != 0;
    }
    return status;
}

void WriteStatus(const MouseStatus& status, bool json, std::ostream& out)
{
    std::vector<std::string> links;
    if (status.cable)
        links.emplace_back("cable");
    if (status.receiver)
        links.emplace_back("receiver");
    if (status.ble)
        links.emplace_back("ble");
    const auto flag = [](bool value) { return value ? "true" : "false"; };
    if (json) {
        out << "{\n  \"running\": " << flag(status.running) << ",\n  \"links\": [";
        for (std::size_t i = 0; i < links.size(); ++i)
            out << (i ? ", " : "") << '"' << links[i] << '"';
        out << "],\n  \"battery\": "
            << (status.battery ? std::to_string(*status.battery) : std::string("null"))
            << ",\n  \"charging\": " << flag(status.charging)
            << ",\n  \"profile\": " << JsonString(status.profile)
            << ",\n  \"stage\": " << status.stage << ",\n  \"dpi\": " << status.dpi
            << ",\n  \"untaken\": " << flag(status.untaken) << "\n}\n";
        return;
    }
    std::string linkText;
    for (const std::string& link : links)
        linkText += (linkText.empty() ? "" : ", ") + link;
    out << "Kestrin:  "
        << (status.running ? "running" : "not running (the mouse was asked directly)")
        << "\nLinks:    " << (linkText.empty() ? "none" : linkText) << "\nBattery:  ";
    if (status.battery)
        out << *status.battery << " %" << (status.charging ? ", charging" : "");
    else
        out << (status.charging ? "charging" : "not reported");
    out << "\nProfile:  " << status.profile << "\nStage:    ";
    if (status.stage > 0)
        out << status.stage << " (" << status.dpi << " DPI)";
    else
        out << "none";
    out << "\n";
    if (status.untaken)
        out << "Changes:  not all on the mouse yet; Kestrin sends them when it can\n";
}

std::optional<std::string> CurrentProfile(const DeviceContext& context, std::ostream& err)
{
    int exit = kExitDone;
    if (const auto reply = AskRunningProgram(context, "status", err, exit)) {
        if (exit != kExitDone)
            return std::nullopt;
        const auto status = ParseStatusAnswer(reply->line);
        if (!status || status->profile.empty()) {
            err << "kestrinctl: Kestrin answered '" << reply->line
                << "'; is it an older version?\n";
            return std::nullopt;
        }
        return status->profile;
    }
    ProfileList list;
    ProfileStoreHeader header{};
    if (!ReadProfiles(context.dataFolder, list, header, err))
        return std::nullopt;
    if (header.currentIndex < 0 || static_cast<std::size_t>(header.currentIndex) >= list.size()) {
        err << "kestrinctl: no profile is current; choose one with kestrinctl use\n";
        return std::nullopt;
    }
    return ToUtf8(ReadName(list[static_cast<std::size_t>(header.currentIndex)]->name));
}

int ShowStatus(const DeviceContext& context, bool json, std::ostream& out, std::ostream& err)
{
    int exit = kExitDone;
    if (const auto reply = AskRunningProgram(context, "status", err, exit)) {
        if (exit != kExitDone)
            return exit;
        const auto status = ParseStatusAnswer(reply->line);
        if (!status) {
            err << "kestrinctl: Kestrin answered '" << reply->line
                << "'; is it an older version?\n";
            return kExitFailed;
        }
        WriteStatus(*status, json, out);
        return out ? kExitDone : kExitFailed;
    }

    MouseStatus status;
    ProfileList list;
    ProfileStoreHeader header{};
    if (!ReadProfiles(context.dataFolder, list, header, err))
        return kExitFailed;
    if (header.currentIndex >= 0 && static_cast<std::size_t>(header.currentIndex) < list.size()) {
        const ProfileRecord& current = *list[static_cast<std::size_t>(header.currentIndex)];
        status.profile = ToUtf8(ReadName(current.name));
        if (current.currentDpiStage >= 0 && current.currentDpiStage < kDpiStageCount) {
            status.stage = current.currentDpiStage + 1;
            status.dpi = int(DpiOfUnits(current.dpiX[current.currentDpiStage]));
        }
    }
    DirectMouse mouse(context.programFolder);
    if (mouse.Cable() || mouse.Receiver())
        mouse.WaitForBatteryReport(kReportWait);
    status.cable = mouse.Cable();
    status.receiver = mouse.Receiver();
    if (const auto battery = mouse.LastBattery()) {
        status.battery = battery->percent;
        status.charging = battery->charging;
    }
    WriteStatus(status, json, out);
    return out ? kExitDone : kExitFailed;
}

} // namespace kestrin::ctl
