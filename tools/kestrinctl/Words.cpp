#include "tools/kestrinctl/Words.h"

#include "base/Folders.h"
#include "base/Language.h"

namespace kestrin::ctl {
namespace {

constexpr std::string_view kBuiltInEnglish =
#include "EnglishTexts.inc"
    ;

// The program folder's English file (the built-in copy when it is missing), and over it the
// translation the desktop asks for.
LanguageTexts LoadWords(bool inDesktopLanguage)
{
    const std::string path = GetProgramFolder() + "res/lan.xml";
    if (auto texts = LanguageTexts::Load(path, inDesktopLanguage ? DesktopLanguage(path) : ""))
        return std::move(*texts);
    return LanguageTexts::Parse(kBuiltInEnglish);
}

} // namespace

const LanguageTexts& Words()
{
    static const LanguageTexts texts = LoadWords(true);
    return texts;
}

const LanguageTexts& EnglishWords()
{
    static const LanguageTexts texts = LoadWords(false);
    return texts;
}

std::string Say(std::string_view id, std::initializer_list<std::string_view> arguments)
{
    return Words().Format(id, arguments);
}

} // namespace kestrin::ctl
