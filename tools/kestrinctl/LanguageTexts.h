#pragma once

#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace kestrin::ctl {

// The window's texts by id, from the language files of the program folder (res/lan.xml and its
// translations), so that the command line names things as the window does, in its language.
class LanguageTexts {
public:
    // The English file at `path`, and over it the file of `language` ("de": lan.de.xml) when
    // one is given, so an id the translation lacks reads in English. Nothing when the English
    // file cannot be read or holds no text.
    static std::optional<LanguageTexts> Load(const std::string& path, const std::string& language);
    // From the file's contents; the entities XML defines are read, markup inside a text is not.
    static LanguageTexts Parse(std::string_view xml);

    // The text, or the id itself when the file has none (as the window shows a missing text).
    std::u16string Text(std::string_view id) const;
    // The text in UTF-8 with %1, %2, ... replaced by `arguments` in their order.
    std::string Format(
        std::string_view id, std::initializer_list<std::string_view> arguments) const;
    std::size_t Size() const { return texts_.size(); }

private:
    std::map<std::string, std::u16string, std::less<>> texts_;
};

} // namespace kestrin::ctl
