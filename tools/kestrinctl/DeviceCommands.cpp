#include "tools/kestrinctl/DeviceCommands.h"

#include "base/RecordNames.h"
#include "device/ApplyEngine.h"
#include "device/DeviceProfiles.h"
#include "profiles/ProfileRanges.h"
#include "tools/kestrinctl/DirectMouse.h"
#include "tools/kestrinctl/InstanceClient.h"
#include "tools/kestrinctl/Json.h"
#include "tools/kestrinctl/StoreCommands.h"
#include "tools/kestrinctl/Words.h"

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
        err << "kestrinctl: " << Say("ctl_profiles_damaged_text") << "\n";
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
        err << "kestrinctl: "
            << Say("ctl_drivers_unusable_text", {context.programFolder, mouse.LoadError()}) << "\n";
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
        err << "kestrinctl: " << Say("ctl_reports_untaken_text") << "\n";
        return Direct::Failed;
    }
    if (!host.Saved().ok()) {
        err << "kestrinctl: " << Say("ctl_taken_not_saved_text", {host.Saved().error}) << "\n";
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
        err << "kestrinctl: " << Say("ctl_program_own_data_text") << "\n";
        status = kExitUsage;
        return ProgramReply{};
    }
    ProgramReply reply = AskProgram(command, kApplyAnswerTimeout);
    if (reply.state == ProgramReply::State::NotRunning)
        return std::nullopt; // it ended just now
    if (reply.state == ProgramReply::State::NoAnswer) {
        err << "kestrinctl: " << Say("ctl_program_no_answer_text") << "\n";
        status = kExitFailed;
    }
    return reply;
}

// The program's answer to "use" or "apply wait", told as `done` when the mouse took it, and as
// `later` when a switch waits for the mouse (a plain apply with no mouse fails).
int TellApplyAnswer(const std::string& answer, const std::string& done,
    const std::optional<std::string>& later, std::ostream& out, std::ostream& err)
{
    if (answer == "ok taken") {
        out << done << "\n";
        return kExitDone;
    }
    if (answer == "ok nomouse" && later) {
        out << *later << "\n";
        return kExitDone;
    }
    if (answer == "ok nomouse") {
        err << "kestrinctl: " << Say("ctl_no_mouse_for_program_text") << "\n";
        return kExitFailed;
    }
    if (answer == "busy") {
        err << "kestrinctl: " << Say("ctl_program_busy_text") << "\n";
        return kExitFailed;
    }
    if (answer == "ok untaken") {
        err << "kestrinctl: " << Say("ctl_changes_untaken_text") << "\n";
        return kExitFailed;
    }
    err << "kestrinctl: " << Say("ctl_program_answer_text", {answer}) << "\n";
    return kExitFailed;
}

} // namespace

int UseProfile(
    const DeviceContext& context, const std::string& name, std::ostream& out, std::ostream& err)
{
    // One command per line on the socket: a name never carries a line of its own.
    if (std::any_of(name.begin(), name.end(), [](char c) { return c == '\n' || c == '\r'; })) {
        err << "kestrinctl: " << Say("ctl_no_profile_text", {name}) << "\n";
        return kExitFailed;
    }
    int status = kExitDone;
    if (const auto reply = AskRunningProgram(context, "use " + name, err, status)) {
        if (status != kExitDone)
            return status;
        if (reply->line == "error no-profile") {
            err << "kestrinctl: " << Say("ctl_no_profile_text", {name}) << "\n";
            return kExitFailed;
        }
        return TellApplyAnswer(reply->line, Say("ctl_use_done_text", {name}),
            Say("ctl_use_later_text", {name}), out, err);
    }

    DeviceProfiles profiles;
    profiles.dataFolder = context.dataFolder;
    ProfileList& list = profiles.list;
    if (!LoadProfiles(context, list, *profiles.header, err))
        return kExitFailed;
    const int index = FindProfile(list, name);
    if (index < 0) {
        err << "kestrinctl: " << Say("ctl_no_profile_text", {name}) << "\n";
        return kExitFailed;
    }
    // Saved first, mouse or not: the program sends the whole current profile when it starts.
    profiles.header->currentIndex = index;
    if (const SaveResult saved = SaveProfileStore(context.dataFolder, list, *profiles.header);
        !saved.ok()) {
        err << "kestrinctl: " << Say("ctl_profiles_not_saved_text", {saved.error}) << "\n";
        return kExitFailed;
    }
    const std::string named = ToUtf8(ReadName(list[static_cast<std::size_t>(index)]->name));
    switch (ApplyDirectly(context, profiles, err)) {
    case Direct::Taken:
        out << Say("ctl_use_done_text", {named}) << "\n";
        return kExitDone;
    case Direct::NoMouse:
        out << Say("ctl_use_next_start_text", {named}) << "\n";
        return kExitDone;
    case Direct::Failed:
        break;
    }
    return kExitFailed;
}

int ApplyCurrent(const DeviceContext& context, std::ostream& out, std::ostream& err)
{
    int status = kExitDone;
    if (const auto reply = AskRunningProgram(context, "apply wait", err, status)) {
        if (status != kExitDone)
            return status;
        return TellApplyAnswer(
            reply->line, Say("ctl_apply_done_program_text"), std::nullopt, out, err);
    }
    DeviceProfiles profiles;
    profiles.dataFolder = context.dataFolder;
    if (!LoadProfiles(context, profiles.list, *profiles.header, err))
        return kExitFailed;
    const std::string named = ToUtf8(
        ReadName(profiles.list[static_cast<std::size_t>(profiles.header->currentIndex)]->name));
    switch (ApplyDirectly(context, profiles, err)) {
    case Direct::Taken:
        out << Say("ctl_apply_done_text", {named}) << "\n";
        return kExitDone;
    case Direct::NoMouse:
        err << "kestrinctl: " << Say("ctl_no_mouse_text") << "\n";
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
    for (const auto& [up, id] : {std::pair(status.cable, "ctl_link_cable_text"),
             std::pair(status.receiver, "ctl_link_receiver_text"),
             std::pair(status.ble, "ctl_link_ble_text")})
        if (up)
            linkText += (linkText.empty() ? "" : ", ") + Say(id);
    std::string battery;
    if (status.battery)
        battery =
            Say(status.charging ? "ctl_status_percent_charging_text" : "ctl_status_percent_text",
                {std::to_string(*status.battery)});
    else
        battery =
            Say(status.charging ? "ctl_status_charging_text" : "ctl_status_not_reported_text");
    const std::pair<std::string, std::string> lines[] = {
        {Say("ctl_status_kestrin_text"),
            Say(status.running ? "ctl_status_running_text" : "ctl_status_not_running_text")},
        {Say("ctl_status_links_text"), linkText.empty() ? Say("ctl_status_none_text") : linkText},
        {Say("ctl_status_battery_text"), battery},
        {Say("ctl_status_profile_text"), status.profile},
        {Say("ctl_status_stage_text"),
            status.stage > 0 ? Say("ctl_status_stage_dpi_text",
                                   {std::to_string(status.stage), std::to_string(status.dpi)})
                             : Say("ctl_status_none_text")},
        {Say("ctl_status_changes_text"), status.untaken ? Say("ctl_status_untaken_text") : ""},
    };
    // The values line up after the longest label, however long the language makes it.
    std::size_t width = 0;
    for (const auto& [label, value] : lines)
        if (!value.empty())
            width = std::max(width, ToU16(label).size());
    for (const auto& [label, value] : lines)
        if (!value.empty())
            out << label << ":" << std::string(width + 2 - ToU16(label).size(), ' ') << value
                << "\n";
}

std::optional<std::string> CurrentProfile(const DeviceContext& context, std::ostream& err)
{
    int exit = kExitDone;
    if (const auto reply = AskRunningProgram(context, "status", err, exit)) {
        if (exit != kExitDone)
            return std::nullopt;
        const auto status = ParseStatusAnswer(reply->line);
        if (!status || status->profile.empty()) {
            err << "kestrinctl: " << Say("ctl_program_answer_text", {reply->line}) << "\n";
            return std::nullopt;
        }
        return status->profile;
    }
    ProfileList list;
    ProfileStoreHeader header{};
    if (!ReadProfiles(context.dataFolder, list, header, err))
        return std::nullopt;
    if (header.currentIndex < 0 || static_cast<std::size_t>(header.currentIndex) >= list.size()) {
        err << "kestrinctl: " << Say("ctl_no_current_profile_text") << "\n";
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
            err << "kestrinctl: " << Say("ctl_program_answer_text", {reply->line}) << "\n";
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
