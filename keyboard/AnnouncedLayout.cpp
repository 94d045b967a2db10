#include "keyboard/AnnouncedLayout.h"

#include <fstream>
#include <string_view>

namespace kestrin {
namespace {

std::string Trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

std::string Unquoted(std::string_view text)
{
    std::string value = Trimmed(text);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return value;
}

std::string FirstOfList(std::string_view list) { return Trimmed(list.substr(0, list.find(','))); }

// XKBLAYOUT= and XKBVARIANT= lines of a shell-style configuration file.
std::optional<LayoutNames> ReadShellStyle(const std::filesystem::path& file)
{
    std::ifstream in(file);
    LayoutNames names;
    for (std::string line; std::getline(in, line);) {
        const std::string trimmed = Trimmed(line);
        const auto equals = trimmed.find('=');
        if (trimmed.empty() || trimmed.front() == '#' || equals == std::string::npos)
            continue;
        const std::string key = Trimmed(std::string_view(trimmed).substr(0, equals));
        const std::string value = Unquoted(std::string_view(trimmed).substr(equals + 1));
        if (key == "XKBLAYOUT")
            names.layout = FirstOfList(value);
        else if (key == "XKBVARIANT")
            names.variant = FirstOfList(value);
    }
    if (names.layout.empty())
        return std::nullopt;
    return names;
}

// Option "XkbLayout" "de" lines of an X11 InputClass section.
std::optional<LayoutNames> ReadXorgStyle(const std::filesystem::path& file)
{
    std::ifstream in(file);
    LayoutNames names;
    for (std::string line; std::getline(in, line);) {
        std::string_view rest = line;
        std::string words[3];
        int count = 0;
        while (count < 3) {
            const auto open = rest.find('"');
            if (open == std::string_view::npos)
                break;
            const auto close = rest.find('"', open + 1);
            if (close == std::string_view::npos)
                break;
            words[count++] = std::string(rest.substr(open + 1, close - open - 1));
            rest = rest.substr(close + 1);
        }
        if (Trimmed(line).rfind("Option", 0) != 0 || count != 2)
            continue;
        if (words[0] == "XkbLayout")
            names.layout = FirstOfList(words[1]);
        else if (words[0] == "XkbVariant")
            names.variant = FirstOfList(words[1]);
    }
    if (names.layout.empty())
        return std::nullopt;
    return names;
}

} // namespace

std::optional<LayoutNames> AnnouncedLayout(
    const EnvironmentLookup& environment, const std::filesystem::path& root)
{
    if (environment) {
        const char* layout = environment("XKB_DEFAULT_LAYOUT");
        if (layout && *layout) {
            const char* variant = environment("XKB_DEFAULT_VARIANT");
            return LayoutNames{FirstOfList(layout), variant ? FirstOfList(variant) : ""};
        }
    }
    if (auto names = ReadShellStyle(root / "etc/default/keyboard"))
        return names;
    if (auto names = ReadShellStyle(root / "etc/vconsole.conf"))
        return names;
    return ReadXorgStyle(root / "etc/X11/xorg.conf.d/00-keyboard.conf");
}

} // namespace kestrin
