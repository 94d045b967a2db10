#include "base/Language.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace kestrin {
namespace {

struct Case {
    std::map<std::string, std::string> environment;
    std::string language;
};

TEST(ChooseLanguage, FollowsGettextsOrderOfPrecedence)
{
    const Case cases[] = {
        {{}, ""},
        {{{"LANG", "de_DE.UTF-8"}}, "de"},
        {{{"LANG", "de_AT.UTF-8@euro"}}, "de"},
        {{{"LANG", "fr"}}, "fr"},
        {{{"LANG", "ja_JP.UTF-8"}}, ""},
        {{{"LANG", "de_DE.UTF-8"}, {"LC_MESSAGES", "fr_FR.UTF-8"}}, "fr"},
        {{{"LC_MESSAGES", "fr_FR.UTF-8"}, {"LC_ALL", "de_CH.UTF-8"}}, "de"},
        {{{"LANG", "fr_FR.UTF-8"}, {"LC_ALL", ""}}, "fr"}, // empty counts as unset
        {{{"LANG", "de_DE.UTF-8"}, {"LC_ALL", "C"}}, ""},
        {{{"LANG", "de_DE.UTF-8"}, {"LC_ALL", "C.UTF-8"}}, ""},
        {{{"LC_ALL", "C.UTF-8"}, {"LANGUAGE", "fr"}}, "fr"},
        // LANGUAGE is a list of preferences, but never overrides a C or POSIX locale.
        {{{"LANG", "de_DE.UTF-8"}, {"LANGUAGE", "fr"}}, "fr"},
        {{{"LANG", "en_US.UTF-8"}, {"LANGUAGE", "ja:fr_CA:de"}}, "fr"},
        {{{"LANG", "de_DE.UTF-8"}, {"LANGUAGE", "en:de"}}, ""},
        {{{"LANG", "de_DE.UTF-8"}, {"LANGUAGE", "ja"}}, ""},
        {{{"LANG", "de_DE.UTF-8"}, {"LANGUAGE", "::fr"}}, "fr"},
        {{{"LANGUAGE", "fr"}}, ""},
        {{{"LANG", "POSIX"}, {"LANGUAGE", "fr"}}, ""},
        {{{"LC_ALL", "C"}, {"LANG", "de_DE.UTF-8"}, {"LANGUAGE", "fr"}}, ""},
    };
    for (const Case& c : cases) {
        const auto lookup = [&c](const char* name) -> const char* {
            const auto found = c.environment.find(name);
            return found == c.environment.end() ? nullptr : found->second.c_str();
        };
        const auto available = [](std::string_view language) {
            return language == "de" || language == "fr";
        };
        std::string environment;
        for (const auto& [name, value] : c.environment)
            environment += name + "=" + value + " ";
        EXPECT_EQ(ChooseLanguage(lookup, available), c.language) << environment;
    }
}

TEST(LanguageFileName, PutsTheLanguageBeforeTheExtension)
{
    EXPECT_EQ(LanguageFileName("lan.xml", "de"), "lan.de.xml");
    EXPECT_EQ(LanguageFileName("/opt/k.1/res/lan.xml", "fr"), "/opt/k.1/res/lan.fr.xml");
    EXPECT_EQ(LanguageFileName("/opt/k.1/lan", "fr"), "/opt/k.1/lan.fr");
    EXPECT_EQ(LanguageFileName("lan.xml", ""), "lan.xml");
}

} // namespace
} // namespace kestrin
