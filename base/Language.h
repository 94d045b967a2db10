#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace kestrin {

// Reads one environment variable; null or empty when it is not set.
using EnvironmentLookup = std::function<const char*(const char* name)>;
// Whether the skin has a language file for a language code ("de").
using LanguageAvailable = std::function<bool(std::string_view language)>;

// The language the texts are shown in, chosen as gettext chooses a message catalogue: the locale
// of messages is LC_ALL, else LC_MESSAGES, else LANG; when it is C or POSIX the texts stay
// English; else LANGUAGE, a colon-separated list of preferences, is tried first to last, and
// without LANGUAGE the locale itself ("de_AT.UTF-8" is "de"). The first language available
// wins; "" means English, the language of the base file.
std::string ChooseLanguage(
    const EnvironmentLookup& environment, const LanguageAvailable& available);

// The file holding the texts of `language` beside the base file: "lan.xml" and "de" give
// "lan.de.xml"; the base file itself for "".
std::string LanguageFileName(std::string_view baseFile, std::string_view language);

// ChooseLanguage over the process environment, with the languages whose files lie beside
// `baseFilePath` (the path of the English file).
std::string DesktopLanguage(const std::string& baseFilePath);

} // namespace kestrin
