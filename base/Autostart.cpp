#include "base/Autostart.h"

#include "base/Folders.h"
#include "base/SafeFile.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace kestrin {
namespace {

const char* const kEntryName = "org.kestrin.Kestrin.desktop";

// One Exec argument, quoted whole as desktop entries allow, then escaped as a string value.
std::string ExecArgument(const std::string& argument)
{
    std::string quoted = "\"";
    for (const char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        // Exec expands field codes even inside quotes.
        if (c == '%')
            quoted += '%';
        quoted += c;
    }
    quoted += '"';
    std::string value;
    for (const char c : quoted) {
        switch (c) {
        case '\\':
            value += "\\\\";
            break;
        case '\n':
            value += "\\n";
            break;
        case '\t':
            value += "\\t";
            break;
        case '\r':
            value += "\\r";
            break;
        default:
            value += c;
        }
    }
    return value;
}

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

} // namespace

std::string AutostartFile(const char* xdgConfigHome, const char* home)
{
    // A relative XDG_CONFIG_HOME is invalid by the XDG rules.
    std::string config;
    if (xdgConfigHome && xdgConfigHome[0] == '/')
        config = xdgConfigHome;
    else if (home && home[0] == '/')
        config = std::string(home) + "/.config";
    else
        return {};
    if (config.back() != '/')
        config += '/';
    return config + "autostart/" + kEntryName;
}

std::string AutostartFile()
{
    return AutostartFile(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
}

std::string AutostartEntry(const std::string& programFolder)
{
    return std::string("[Desktop Entry]\n"
                       "Type=Application\n"
                       "Name=Kestrin\n"
                       "Comment=Keeps your mouse's settings at hand in the notification area\n"
                       "Exec=") +
        ExecArgument(programFolder + "kestrin") + ' ' + kStartInTrayOption +
        "\n"
        "Icon=kestrin\n"
        "Terminal=false\n"
        "X-GNOME-Autostart-enabled=true\n";
}

bool AutostartEnabled(const std::string& file)
{
    std::ifstream in(file);
    if (!in)
        return false;
    bool inEntry = false;
    for (std::string line; std::getline(in, line);) {
        line = Trimmed(line);
        if (line.starts_with('[')) {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        const auto equals = line.find('=');
        if (!inEntry || equals == std::string::npos)
            continue;
        const std::string key = Trimmed(line.substr(0, equals));
        const std::string value = Trimmed(line.substr(equals + 1));
        if ((key == "Hidden" && value == "true") ||
            (key == "X-GNOME-Autostart-enabled" && value == "false"))
            return false;
    }
    return true;
}

SaveResult EnableAutostart(const std::string& file, const std::string& programFolder)
{
    if (file.empty())
        return SaveResult::Failed(FileError::WriteFailed,
            "no folder for the autostart entry: neither XDG_CONFIG_HOME nor HOME is set");
    if (!EnsureFolder(fs::path(file).parent_path().string()))
        return SaveResult::Failed(FileError::WriteFailed,
            "cannot create the folder " + fs::path(file).parent_path().string());
    const std::string entry = AutostartEntry(programFolder);
    const ByteRun runs[] = {std::as_bytes(std::span(entry))};
    return WriteFileSafely(file, runs);
}

SaveResult DisableAutostart(const std::string& file)
{
    if (file.empty())
        return SaveResult::Ok();
    std::error_code error;
    fs::remove(file, error);
    if (error)
        return SaveResult::Failed(
            FileError::WriteFailed, "cannot remove " + file + ": " + error.message());
    return SaveResult::Ok();
}

} // namespace kestrin
