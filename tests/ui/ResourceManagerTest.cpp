#include "ui/ResourceManager.h"
#include "tests/support/SkinFolder.h"

#include <gtest/gtest.h>

namespace kestrin {
namespace {

TEST(ResourceManager, AnIdTheLanguageLacksShowsAsTheIdItself)
{
    test::SkinFolder skin;
    skin.Write(QStringLiteral("lan.xml"), R"(<?xml version="1.0" encoding="UTF-8"?>
<Language>
  <Text id="warning_title_text">Warning</Text>
  <Text id="amp_text">Drag &amp; drop</Text>
  <Text id="empty_text"></Text>
</Language>
)");
    auto* resources = CResourceManager::GetInstance();
    ASSERT_TRUE(resources->LoadLanguage(QStringLiteral("lan.xml")));
    EXPECT_EQ(resources->GetText(QStringLiteral("warning_title_text")), QStringLiteral("Warning"));
    EXPECT_EQ(resources->GetText(QStringLiteral("amp_text")), QStringLiteral("Drag & drop"));
    EXPECT_EQ(resources->GetText(QStringLiteral("empty_text")), QString())
        << "an empty text is a text, not a missing one";
    EXPECT_EQ(resources->GetText(QStringLiteral("nowhere_text")), QStringLiteral("nowhere_text"));
}

TEST(ResourceManager, ABrokenOrMissingLanguageFileKeepsTheTextsLoadedBefore)
{
    test::SkinFolder skin;
    auto* resources = CResourceManager::GetInstance();
    ASSERT_TRUE(resources->LoadLanguageFromString(
        QStringLiteral("<Language><Text id=\"a_text\">A</Text></Language>")));
    skin.Write(QStringLiteral("broken.xml"), "<Language><Text id=\"a_text\">B</Language>");
    EXPECT_FALSE(resources->LoadLanguage(QStringLiteral("broken.xml")));
    EXPECT_FALSE(resources->LoadLanguage(QStringLiteral("absent.xml")));
    EXPECT_FALSE(resources->LoadLanguageFromString(QStringLiteral("<Other/>")))
        << "not a language file";
    EXPECT_EQ(resources->GetText(QStringLiteral("a_text")), QStringLiteral("A"));
}

TEST(ResourceManager, ALanguageFileAlreadyLoadedIsNotReadAgainButAnotherLanguageIs)
{
    test::SkinFolder skin;
    auto* resources = CResourceManager::GetInstance();
    skin.Write(QStringLiteral("lan.xml"), "<Language><Text id=\"a_text\">A</Text></Language>");
    ASSERT_TRUE(resources->LoadLanguage(QStringLiteral("lan.xml")));
    // The program reads lan.xml before its first window; the window asks again.
    skin.Write(QStringLiteral("lan.xml"), "<Language><Text id=\"a_text\">B</Text></Language>");
    EXPECT_TRUE(resources->LoadLanguageOnce(QStringLiteral("lan.xml")));
    EXPECT_EQ(resources->GetText(QStringLiteral("a_text")), QStringLiteral("A"));
    ASSERT_TRUE(resources->LoadLanguageFromString(QStringLiteral("<Language/>")));
    EXPECT_TRUE(resources->LoadLanguageOnce(QStringLiteral("lan.xml")));
    EXPECT_EQ(resources->GetText(QStringLiteral("a_text")), QStringLiteral("B"));
}

TEST(ResourceManager, ATranslationIsReadOverEnglishAndWhatItLacksStaysEnglish)
{
    test::SkinFolder skin;
    auto* resources = CResourceManager::GetInstance();
    skin.Write(QStringLiteral("lan.xml"),
        "<Language><Text id=\"ok_text\">OK</Text><Text id=\"new_text\">New</Text></Language>");
    skin.Write(
        QStringLiteral("lan.de.xml"), "<Language><Text id=\"ok_text\">Gut</Text></Language>");
    skin.Write(QStringLiteral("lan.fr.xml"), "<Language><Text id=\"ok_text\">Bon</Language>");
    resources->SetLanguage(QStringLiteral("de"));
    ASSERT_TRUE(resources->LoadLanguage(QStringLiteral("lan.xml")));
    EXPECT_EQ(resources->GetText(QStringLiteral("ok_text")), QStringLiteral("Gut"));
    EXPECT_EQ(resources->GetText(QStringLiteral("new_text")), QStringLiteral("New"));
    EXPECT_EQ(resources->GetText(QStringLiteral("nowhere_text")), QStringLiteral("nowhere_text"));
    // Another language is read anew, even from the same English file; a broken one is English.
    resources->SetLanguage(QStringLiteral("fr"));
    EXPECT_TRUE(resources->LoadLanguageOnce(QStringLiteral("lan.xml")));
    EXPECT_EQ(resources->GetText(QStringLiteral("ok_text")), QStringLiteral("OK"));
    resources->SetLanguage(QString());
}

TEST(ResourceManager, TheResourceIndexMustBeThere)
{
    test::SkinFolder skin;
    auto* resources = CResourceManager::GetInstance();
    EXPECT_FALSE(resources->LoadResource(QStringLiteral("main.xml")));
    skin.Write(QStringLiteral("main.xml"), "<ui/>");
    EXPECT_TRUE(resources->LoadResource(QStringLiteral("main.xml")));
    EXPECT_EQ(resources->ResourceFile(QStringLiteral("main.xml")), skin.Path() + "main.xml");
}

} // namespace
} // namespace kestrin
