#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace kestrin::ctl {

// The window's texts by id, from the language file of the program folder (res/lan.xml), so that
// the command line names things as the window does.
class LanguageTexts {
public:
    // Nothing when the file cannot be read or holds no text; `error` says why.
    static std::optional<LanguageTexts> Load(const std::string& path, std::string& error);
    // From the file's contents; the entities XML defines are read, markup inside a text is not.
    static LanguageTexts Parse(std::string_view xml);

    // The text, or the id itself when the file has none (as the window shows a missing text).
    std::u16string Text(std::string_view id) const;
    std::size_t Size() const { return texts_.size(); }

private:
    std::map<std::string, std::u16string, std::less<>> texts_;
};

} // namespace kestrin::ctl
