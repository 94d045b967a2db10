#include "tools/kestrinctl/LanguageTexts.h"

#include "base/Language.h"
#include "base/RecordNames.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace kestrin::ctl {
namespace {

void AppendCodePoint(std::string& out, unsigned long c)
{
    if (c == 0 || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return;
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

std::string Unescape(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t end = text[i] == '&' ? text.find(';', i) : std::string_view::npos;
        if (end == std::string_view::npos) {
            out += text[i];
            continue;
        }
        const std::string_view entity = text.substr(i + 1, end - i - 1);
        if (entity == "amp")
            out += '&';
        else if (entity == "lt")
            out += '<';
        else if (entity == "gt")
            out += '>';
        else if (entity == "quot")
            out += '"';
        else if (entity == "apos")
            out += '\'';
        else if (entity.size() > 1 && entity[0] == '#') {
            const bool hex = entity[1] == 'x' || entity[1] == 'X';
            const std::string digits(entity.substr(hex ? 2 : 1));
            AppendCodePoint(out, std::strtoul(digits.c_str(), nullptr, hex ? 16 : 10));
        } else {
            out += text.substr(i, end - i + 1); // not ours to read: kept as written
        }
        i = end;
    }
    return out;
}

} // namespace

LanguageTexts LanguageTexts::Parse(std::string_view xml)
{
    LanguageTexts texts;
    constexpr std::string_view kOpen = "<Text id=\"";
    constexpr std::string_view kClose = "</Text>";
    for (std::size_t at = xml.find(kOpen); at != std::string_view::npos; at = xml.find(kOpen, at)) {
        const std::size_t idStart = at + kOpen.size();
        const std::size_t idEnd = xml.find('"', idStart);
        const std::size_t textStart =
            idEnd == std::string_view::npos ? idEnd : xml.find('>', idEnd);
        const std::size_t textEnd =
            textStart == std::string_view::npos ? textStart : xml.find(kClose, textStart);
        if (textEnd == std::string_view::npos)
            break;
        texts.texts_.insert_or_assign(std::string(xml.substr(idStart, idEnd - idStart)),
            ToU16(Unescape(xml.substr(textStart + 1, textEnd - textStart - 1))));
        at = textEnd + kClose.size();
    }
    return texts;
}

std::optional<LanguageTexts> LanguageTexts::Load(
    const std::string& path, const std::string& language)
{
    const auto read = [](const std::string& file) -> std::optional<std::string> {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream contents;
        if (!(in && contents << in.rdbuf()))
            return std::nullopt;
        return contents.str();
    };
    const auto english = read(path);
    if (!english)
        return std::nullopt;
    LanguageTexts texts = Parse(*english);
    if (texts.Size() == 0)
        return std::nullopt;
    const auto translated =
        language.empty() ? std::nullopt : read(LanguageFileName(path, language));
    if (translated)
        for (auto& [id, text] : Parse(*translated).texts_)
            texts.texts_.insert_or_assign(id, std::move(text));
    return texts;
}

std::u16string LanguageTexts::Text(std::string_view id) const
{
    const auto found = texts_.find(id);
    return found != texts_.end() ? found->second : ToU16(std::string(id));
}

std::string LanguageTexts::Format(
    std::string_view id, std::initializer_list<std::string_view> arguments) const
{
    const std::string text = ToUtf8(Text(id));
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t n =
            i + 1 < text.size() ? std::size_t(text[i + 1] - '1') : arguments.size();
        if (text[i] == '%' && n < arguments.size()) {
            out += arguments.begin()[n];
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace kestrin::ctl
