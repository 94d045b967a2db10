#include "base/RecordNames.h"
#include "keys/KeyNames.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>

namespace kestrin {
namespace {

std::string Unescaped(std::string text)
{
    static const std::pair<std::string, std::string> kEntities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
    for (const auto& [entity, character] : kEntities) {
        for (auto at = text.find(entity); at != std::string::npos;
             at = text.find(entity, at + character.size()))
            text.replace(at, entity.size(), character);
    }
    return text;
}

// id -> text of every entry of the shipped language file.
std::map<std::string, std::string> LanguageTexts()
{
    std::ifstream in(KESTRIN_SOURCE_DIR "/skin/lan.xml");
    std::stringstream content;
    content << in.rdbuf();
    const std::string xml = content.str();
    const std::regex entry(R"re(<Text id="([^"]*)">([^<]*)</Text>)re");
    std::map<std::string, std::string> texts;
    for (auto match = std::sregex_iterator(xml.begin(), xml.end(), entry);
         match != std::sregex_iterator(); ++match)
        texts.emplace(Unescaped((*match)[1]), Unescaped((*match)[2]));
    return texts;
}

TEST(LanguageFile, NamesEveryKeyTextId)
{
    const auto texts = LanguageTexts();
    ASSERT_FALSE(texts.empty());
    for (unsigned code = 0; code < 0x100; ++code) {
        for (const auto id : {VirtualKeyTextId(code), UsageTextId(code)}) {
            if (!id || id->empty())
                continue;
            const auto text = texts.find(ToUtf8(*id));
            ASSERT_NE(text, texts.end()) << ToUtf8(*id);
            EXPECT_FALSE(text->second.empty()) << ToUtf8(*id);
        }
    }
}

TEST(LanguageFile, KeepsTheOddIdsIntact)
{
    const auto texts = LanguageTexts();
    EXPECT_EQ(texts.at("key_Page Up"), "Page Up");
    EXPECT_EQ(texts.at("key_\\"), "\\");
    EXPECT_EQ(texts.at("`"), "`");
    EXPECT_EQ(texts.at("key_Num_Enter"), "Num Enter");
    EXPECT_EQ(texts.at("L_Button"), "Left Button");
    EXPECT_FALSE(texts.contains("")) << "the empty id names nothing";
}

} // namespace
} // namespace kestrin
