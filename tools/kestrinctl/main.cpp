// kestrinctl: the companion command-line tool.
#include "tools/kestrinctl/ProfileFile.h"
#include "tools/kestrinctl/ReportsCommand.h"

#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

namespace {

constexpr int kExitUsage = 2;

constexpr std::string_view kUsage =
    R"(usage: kestrinctl reports FILE.pro [--link cable|receiver|ble]
       kestrinctl --help

Commands:
  reports FILE.pro   print what a full apply of the profile in FILE.pro writes to the mouse,
                     one write per line in lower-case hex. Over the cable and the receiver
                     each download report goes as three 64-byte packets; over Bluetooth
                     (ble) every report goes whole and the report-rate report is not sent.
                     The link is the cable unless --link names another.

Options:
  --link LINK        cable (default), receiver or ble
  -h, --help         show this help

Exit status: 0 on success, 2 for a bad command line or a file that is not one profile
record (exactly 41636 bytes).
)";

int UsageError(const std::string& message)
{
    std::cerr << "kestrinctl: " << message << "\n"
              << "Try 'kestrinctl --help' for more information.\n";
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
                return UsageError("--link needs one of cable, receiver, ble");
            linkName = argv[++i];
        } else if (arg.starts_with("--link=")) {
            linkName = arg.substr(7);
        } else if (arg == "-h" || arg == "--help") {
            std::cout << kUsage;
            return 0;
        } else if (arg.starts_with("-")) {
            return UsageError("unknown option '" + std::string(arg) + "'");
        } else if (file) {
            return UsageError(
                "reports takes one file, got '" + *file + "' and '" + std::string(arg) + "'");
        } else {
            file = std::string(arg);
        }
        if (linkName) {
            const auto parsed = ParseLink(*linkName);
            if (!parsed)
                return UsageError(
                    "unknown link '" + std::string(*linkName) + "' (use cable, receiver or ble)");
            link = *parsed;
        }
    }
    if (!file)
        return UsageError("reports needs a profile file");

    auto result = kestrin::ctl::ReadProfileFile(*file);
    if (auto* error = std::get_if<std::string>(&result)) {
        std::cerr << "kestrinctl: " << *error << "\n";
        return kExitUsage;
    }
    const auto& profile = std::get<std::unique_ptr<kestrin::ProfileRecord>>(result);
    kestrin::ctl::PrintApplyWrites(*profile, link, std::cout);
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "kestrinctl: cannot write the output\n";
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return UsageError("no command given");
    const std::string_view command = argv[1];
    if (command == "-h" || command == "--help" || command == "help") {
        std::cout << kUsage;
        return 0;
    }
    if (command == "reports")
        return RunReports(argc, argv);
    return UsageError("unknown command '" + std::string(command) + "'");
}
