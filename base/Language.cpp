#include "base/Language.h"

#include <cstdlib>
#include <filesystem>

namespace kestrin {
namespace {

const char* Variable(const EnvironmentLookup& environment, const char* name)
{
    const char* value = environment(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

// The locale whose output POSIX fixes. As in gettext, "C.UTF-8" is not one: it can show any
// language, so LANGUAGE counts there.
bool IsPlainLocale(std::string_view locale) { return locale == "C" || locale == "POSIX"; }

// The language part of a locale name: "de_AT.UTF-8@euro" is "de".
std::string_view LanguageOf(std::string_view locale)
{
    return locale.substr(0, locale.find_first_of("_.@"));
}

} // namespace

std::string ChooseLanguage(const EnvironmentLookup& environment, const LanguageAvailable& available)
{
    const char* locale = Variable(environment, "LC_ALL");
    if (locale == nullptr)
        locale = Variable(environment, "LC_MESSAGES");
    if (locale == nullptr)
        locale = Variable(environment, "LANG");
    if (locale == nullptr || IsPlainLocale(locale))
        return {};
    const char* preferences = Variable(environment, "LANGUAGE");
    std::string_view list = preferences != nullptr ? preferences : locale;
    while (!list.empty()) {
        const std::size_t colon = list.find(':');
        const std::string_view entry = list.substr(0, colon);
        list = colon == std::string_view::npos ? std::string_view() : list.substr(colon + 1);
        if (IsPlainLocale(entry))
            return {}; // gettext's own untranslated texts: English here
        const std::string_view language = LanguageOf(entry);
        if (language == "en")
            return {};
        if (!language.empty() && available(language))
            return std::string(language);
    }
    return {};
}

std::string LanguageFileName(std::string_view baseFile, std::string_view language)
{
    std::string name(baseFile);
    if (language.empty())
        return name;
    const std::size_t slash = name.rfind('/');
    const std::size_t dot = name.rfind('.');
    const bool extension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    name.insert(extension ? dot : name.size(), "." + std::string(language));
    return name;
}

std::string DesktopLanguage(const std::string& baseFilePath)
{
    return ChooseLanguage([](const char* name) { return std::getenv(name); },
        [&baseFilePath](std::string_view language) {
            std::error_code error;
            return std::filesystem::is_regular_file(
                LanguageFileName(baseFilePath, language), error);
        });
}

} // namespace kestrin
