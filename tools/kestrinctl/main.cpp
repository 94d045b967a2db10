// kestrinctl: the companion command-line tool.
#include "base/Autostart.h"
#include "base/Folders.h"
#include "base/RecordNames.h"
#include "keyboard/AnnouncedLayout.h"
#include "keyboard/KeyboardLayout.h"
#include "keys/KeyNames.h"
#include "tools/kestrinctl/DeviceCommands.h"
#include "tools/kestrinctl/LanguageTexts.h"
#include "tools/kestrinctl/ProfileFile.h"
#include "tools/kestrinctl/ReportsCommand.h"
#include "tools/kestrinctl/RulesCommands.h"
#include "tools/kestrinctl/ShowCommand.h"
#include "tools/kestrinctl/StoreCommands.h"
#include "tools/kestrinctl/Words.h"

#include <filesystem>
#include <vector>

#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

namespace {

using kestrin::ctl::kExitUsage;

constexpr std::string_view kUsage =
    R"(usage: kestrinctl list [--json] [--data DIR]
       kestrinctl show [PROFILE] [--json] [--data DIR]
       kestrinctl use PROFILE [--data DIR]
       kestrinctl apply [--data DIR]
       kestrinctl status [--json] [--data DIR]
       kestrinctl export PROFILE FILE.pro [--data DIR]
       kestrinctl import FILE.pro [--data DIR]
       kestrinctl rules list [--json] [--data DIR]
       kestrinctl rules add PROGRAM PROFILE [--data DIR]
       kestrinctl rules remove PROGRAM [--data DIR]
       kestrinctl run PROFILE [--data DIR] -- COMMAND [ARGUMENT...]
       kestrinctl reports FILE.pro [--link cable|receiver|ble]
       kestrinctl autostart [on|off]
       kestrinctl --help

Commands:
  list               the profiles of the data folder, the current one marked with '*'
  show [PROFILE]     every setting of PROFILE (the current one when none is named) as the
                     window shows it: DPI stages, report rate, sensor, lighting, timers, buttons
  use PROFILE        make PROFILE current and send it to the mouse. While Kestrin runs it
                     switches as its profile list would; otherwise kestrinctl sends it through
                     the cable or the receiver itself and saves the choice
  apply              send the current profile to the mouse, the same way
  status             the links up, the battery, the current profile and DPI stage; from
                     Kestrin when it runs, else from the mouse (a few seconds) and the data folder
  export PROFILE FILE.pro
                     write the profile named PROFILE to FILE.pro, as the window's export does
  import FILE.pro    add the profile in FILE.pro under a free name, its macros into the macro
                     library, as the window's import does; refused while Kestrin runs (it would
                     save its own profiles over it)
  rules list         the rules of app-profiles.conf beside pro.data: which program (its window
                     class, instance or executable's name) switches to which profile
  rules add PROGRAM PROFILE
                     make PROGRAM switch to the existing profile PROFILE, in place of the
                     rule it had
  rules remove PROGRAM
                     remove the rule of PROGRAM
  run PROFILE -- COMMAND [ARGUMENT...]
                     switch to PROFILE as use does, run COMMAND, and when it ends switch back
                     to the profile that was current; exits with COMMAND's status. When the
                     switch fails COMMAND is not run
  reports FILE.pro   print what a full apply of the profile in FILE.pro writes to the mouse,
                     one write per line in lower-case hex. Over the cable and the receiver
                     each download report goes as three 64-byte packets; over Bluetooth
                     (ble) every report goes whole and the report-rate report is not sent.
                     The link is the cable unless --link names another.
  autostart [on|off] start Kestrin at login, quietly into the notification area, or no longer:
                     writes or removes its entry in $XDG_CONFIG_HOME/autostart/ (by default
                     ~/.config/autostart/), as the window's "Start with the desktop" does.
                     Without on or off, prints whether it is on

Options:
  --data DIR         the data folder (the one holding ms_1/pro.data); by default Kestrin's own
  --json             list, show, status and rules list as JSON
  --link LINK        cable (default), receiver or ble
  -h, --help         show this help

Exit status: 0 done, 1 failed (a file could not be read or written, no such profile, no mouse
to send to, the mouse did not take it), 2 bad use of the command line.
)";

int UsageError(const std::string& message)
{
    std::cerr << "kestrinctl: " << message << "\n"
              << kestrin::ctl::Say("ctl_try_help_text") << "\n";
    return kExitUsage;
}

std::optional<kestrin::LinkKind> ParseLink(std::string_view name)
{
    if (name == "cable")
        return kestrin::LinkKind::Cable;
    if (name == "receiver")
        return kestrin::LinkKind::Receiver;
    if (name == "ble")
        return kestrin::LinkKind::Bluetooth;
    return std::nullopt;
}

int RunReports(int argc, char** argv)
{
    std::optional<std::string> file;
    kestrin::LinkKind link = kestrin::LinkKind::Cable;
    for (int i = 2; i < argc; ++i) {
        const std::string_view arg = argv[i];
        std::optional<std::string_view> linkName;
        if (arg == "--link") {
            if (i + 1 >= argc)
                return UsageError(kestrin::ctl::Say("ctl_link_needs_text"));
            linkName = argv[++i];
        } else if (arg.starts_with("--link=")) {
            linkName = arg.substr(7);
        } else if (arg == "-h" || arg == "--help") {
            std::cout << kUsage;
            return 0;
        } else if (arg.starts_with("-")) {
            return UsageError(kestrin::ctl::Say("ctl_unknown_option_text", {arg}));
        } else if (file) {
            return UsageError(kestrin::ctl::Say("ctl_reports_one_file_text", {*file, arg}));
        } else {
            file = std::string(arg);
        }
        if (linkName) {
            const auto parsed = ParseLink(*linkName);
            if (!parsed)
                return UsageError(kestrin::ctl::Say("ctl_unknown_link_text", {*linkName}));
            link = *parsed;
        }
    }
    if (!file)
        return UsageError(kestrin::ctl::Say("ctl_reports_needs_file_text"));

    auto result = kestrin::ctl::ReadProfileFile(*file);
    if (auto* error = std::get_if<std::string>(&result)) {
        std::cerr << "kestrinctl: " << *error << "\n";
        return kExitUsage;
    }
    const auto& profile = std::get<std::unique_ptr<kestrin::ProfileRecord>>(result);
    kestrin::ctl::PrintApplyWrites(*profile, link, std::cout);
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "kestrinctl: " << kestrin::ctl::Say("ctl_output_failed_text") << "\n";
        return 1;
    }
    return 0;
}

// The arguments of list, export and import: the words, and the options they share.
struct StoreArguments {
    std::vector<std::string> words;
    std::optional<std::string> data;
    bool json = false;
};

std::optional<StoreArguments> ParseStoreArguments(int argc, char** argv, std::string& problem)
{
    StoreArguments parsed;
    for (int i = 2; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--data") {
            if (i + 1 >= argc) {
                problem = kestrin::ctl::Say("ctl_data_needs_folder_text");
                return std::nullopt;
            }
            parsed.data = argv[++i];
        } else if (arg.starts_with("--data=")) {
            parsed.data = std::string(arg.substr(7));
        } else if (arg == "--json") {
            parsed.json = true;
        } else if (arg.starts_with("-") && arg != "-") {
            problem = kestrin::ctl::Say("ctl_unknown_option_text", {arg});
            return std::nullopt;
        } else {
            parsed.words.emplace_back(arg);
        }
    }
    return parsed;
}

// The data folder as given (which must exist: a typo must not start a new store), else the
// program's own, found as the program finds it beside this tool.
std::optional<std::string> DataFolder(const StoreArguments& arguments)
{
    if (!arguments.data)
        return kestrin::GetDataFolder();
    std::error_code error;
    if (!std::filesystem::is_directory(*arguments.data, error))
        return std::nullopt;
    std::string folder = *arguments.data;
    if (!folder.ends_with('/'))
        folder += '/';
    return folder;
}

// The window's texts and the keyboard's key names, for labels as the window shows them; in
// English for JSON, which scripts read.
kestrin::ctl::Labels WindowLabels(bool json)
{
    const kestrin::ctl::LanguageTexts* texts =
        json ? &kestrin::ctl::EnglishWords() : &kestrin::ctl::Words();
    std::shared_ptr<const kestrin::KeyLayout> layout;
    if (const auto names =
            kestrin::AnnouncedLayout([](const char* name) { return std::getenv(name); }))
        layout = kestrin::XkbKeyboardLayout::FromNames(names->layout, names->variant);
    if (!layout)
        layout = kestrin::XkbKeyboardLayout::FromNames("us");
    if (!layout)
        layout = std::make_shared<kestrin::NoKeyLayout>();
    return {
        [texts](std::string_view id) { return texts->Text(id); },
        [texts, layout](unsigned key) {
            return kestrin::UsageName(key, *layout,
                [texts](std::u16string_view id) { return texts->Text(kestrin::ToUtf8(id)); });
        },
    };
}

int RunAutostart(int argc, char** argv)
{
    if (argc > 3)
        return UsageError(kestrin::ctl::Say("ctl_autostart_takes_text"));
    const std::string file = kestrin::AutostartFile();
    if (argc == 2) {
        std::cout << (kestrin::AutostartEnabled(file) ? "on" : "off") << "\n";
        return 0;
    }
    const std::string_view choice = argv[2];
    if (choice != "on" && choice != "off")
        return UsageError(kestrin::ctl::Say("ctl_autostart_not_text", {choice}));
    const kestrin::SaveResult result = choice == "on"
        ? kestrin::EnableAutostart(file, kestrin::GetProgramFolder())
        : kestrin::DisableAutostart(file);
    if (!result) {
        std::cerr << "kestrinctl: " << result.error << "\n";
        return 1;
    }
    return 0;
}

struct CommandShape {
    std::string_view name;
    std::size_t fewestWords;
    std::size_t mostWords;
    const char* words; // the text id of the message when the count is wrong
    bool json;         // takes --json
};
constexpr CommandShape kStoreCommands[] = {
    {"list", 0, 0, "ctl_takes_nothing_text", true},
    {"show", 0, 1, "ctl_takes_profile_or_nothing_text", true},
    {"use", 1, 1, "ctl_takes_profile_text", false},
    {"apply", 0, 0, "ctl_takes_nothing_text", false},
    {"status", 0, 0, "ctl_takes_nothing_text", true},
    {"export", 2, 2, "ctl_takes_profile_file_text", false},
    {"import", 1, 1, "ctl_takes_file_text", false},
    {"rules", 1, 3, "ctl_rules_takes_text", true},
};

int RunRules(const std::vector<std::string>& words, bool json, const std::string& folder)
{
    const std::string& action = words[0];
    if (action == "list" && words.size() == 1)
        return kestrin::ctl::ListRules(folder, json, std::cout, std::cerr);
    if (json)
        return UsageError(kestrin::ctl::Say("ctl_json_for_text"));
    if (action == "add" && words.size() == 3)
        return kestrin::ctl::AddRule(folder, words[1], words[2], std::cout, std::cerr);
    if (action == "remove" && words.size() == 2)
        return kestrin::ctl::RemoveRule(folder, words[1], std::cout, std::cerr);
    return UsageError(kestrin::ctl::Say("ctl_rules_takes_text", {"rules"}));
}

const CommandShape* FindCommand(std::string_view name)
{
    for (const CommandShape& shape : kStoreCommands)
        if (shape.name == name)
            return &shape;
    return nullptr;
}

int RunStoreCommand(const CommandShape& shape, int argc, char** argv)
{
    std::string problem;
    const auto arguments = ParseStoreArguments(argc, argv, problem);
    if (!arguments)
        return UsageError(problem);
    const std::vector<std::string>& words = arguments->words;
    if (words.size() < shape.fewestWords || words.size() > shape.mostWords)
        return UsageError(kestrin::ctl::Say(shape.words, {shape.name}));
    if (arguments->json && !shape.json)
        return UsageError(kestrin::ctl::Say("ctl_json_for_text"));
    const auto folder = DataFolder(*arguments);
    if (!folder)
        return UsageError(kestrin::ctl::Say("ctl_no_data_folder_text", {*arguments->data}));
    const std::string_view command = shape.name;
    if (command == "rules")
        return RunRules(words, arguments->json, *folder);
    if (command == "list")
        return kestrin::ctl::ListProfiles(*folder, arguments->json, std::cout, std::cerr);
    if (command == "show")
        return kestrin::ctl::ShowProfile(*folder,
            words.empty() ? std::nullopt : std::optional<std::string>(words[0]), arguments->json,
            WindowLabels(arguments->json), std::cout, std::cerr);
    if (command == "export")
        return kestrin::ctl::ExportProfile(*folder, words[0], words[1], std::cout, std::cerr);
    if (command == "import")
        return kestrin::ctl::ImportProfile(
            *folder, words[0], kestrin::ctl::ProgramRunning(), std::cout, std::cerr);
    const kestrin::ctl::DeviceContext context{
        *folder, arguments->data.has_value(), kestrin::GetProgramFolder()};
    if (command == "use")
        return kestrin::ctl::UseProfile(context, words[0], std::cout, std::cerr);
    if (command == "apply")
        return kestrin::ctl::ApplyCurrent(context, std::cout, std::cerr);
    return kestrin::ctl::ShowStatus(context, arguments->json, std::cout, std::cerr);
}

// The options and the profile come before "--"; everything after it is the command, untouched.
int RunRun(int argc, char** argv)
{
    int dashes = 2;
    while (dashes < argc && std::string_view(argv[dashes]) != "--")
        ++dashes;
    if (dashes + 1 >= argc)
        return UsageError(kestrin::ctl::Say("ctl_run_needs_text"));
    std::string problem;
    const auto arguments = ParseStoreArguments(dashes, argv, problem);
    if (!arguments)
        return UsageError(problem);
    if (arguments->words.size() != 1)
        return UsageError(kestrin::ctl::Say("ctl_run_one_profile_text"));
    if (arguments->json)
        return UsageError(kestrin::ctl::Say("ctl_json_for_text"));
    const auto folder = DataFolder(*arguments);
    if (!folder)
        return UsageError(kestrin::ctl::Say("ctl_no_data_folder_text", {*arguments->data}));
    const kestrin::ctl::DeviceContext context{
        *folder, arguments->data.has_value(), kestrin::GetProgramFolder()};
    return kestrin::ctl::RunWithProfile(context, arguments->words[0],
        std::vector<std::string>(argv + dashes + 1, argv + argc), std::cerr);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return UsageError(kestrin::ctl::Say("ctl_no_command_text"));
    const std::string_view command = argv[1];
    if (command == "-h" || command == "--help" || command == "help") {
        std::cout << kUsage;
        return 0;
    }
    if (command == "reports")
        return RunReports(argc, argv);
    if (command == "autostart")
        return RunAutostart(argc, argv);
    if (command == "run")
        return RunRun(argc, argv);
    if (const CommandShape* shape = FindCommand(command))
        return RunStoreCommand(*shape, argc, argv);
    return UsageError(kestrin::ctl::Say("ctl_unknown_command_text", {command}));
}
