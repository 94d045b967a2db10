#include "base/RecordNames.h"

#include "macros/MacroRecord.h"
#include "patterns/GunRecord.h"
#include "profiles/ProfileRecord.h"

#include <gtest/gtest.h>

namespace kestrin {
namespace {

MacroList Macros(std::initializer_list<std::u16string_view> names)
{
    MacroList list;
    for (const auto name : names) {
        list.push_back(std::make_unique<MacroRecord>());
        WriteName(list.back()->name, name);
    }
    return list;
}

TEST(NameExistsInList, ComparesWithoutRegardToCaseBeyondAscii)
{
    const MacroList macros = Macros({u"Macro1", u"Écran", u"Ωmega", u"Привет"});
    EXPECT_TRUE(NameExistsInList(macros, u"MACRO1"));
    EXPECT_TRUE(NameExistsInList(macros, u"écran"));
    EXPECT_TRUE(NameExistsInList(macros, u"ωMEGA"));
    EXPECT_TRUE(NameExistsInList(macros, u"пРИВЕТ"));
    EXPECT_FALSE(NameExistsInList(macros, u"Macro"));
    EXPECT_FALSE(NameExistsInList(macros, u"Macro1 "));
    EXPECT_FALSE(NameExistsInList(MacroList{}, u"Macro1")) << "an empty list has no names";
}

TEST(NamesEqual, FoldsTheCommonScripts)
{
    EXPECT_TRUE(NamesEqual(u"ŁÓDŹ", u"łódź"));
    EXPECT_TRUE(NamesEqual(u"ÄÖÜ", u"äöü"));
    EXPECT_TRUE(NamesEqual(u"ΆΈΉ", u"άέή"));
    EXPECT_TRUE(NamesEqual(u"ＡＢＣ", u"ａｂｃ"));
    EXPECT_FALSE(NamesEqual(u"ß", u"ss")) << "no length-changing folds";
    EXPECT_FALSE(NamesEqual(u"a", u"b"));
    EXPECT_FALSE(NamesEqual(u"×", u"÷")) << "the multiplication sign is no letter";
}

TEST(MakeUniqueName, KeepsAFreeNameAndSuffixesATakenOne)
{
    const MacroList macros = Macros({u"Macro1", u"Macro2", u"Macro2_1", u"Macro2_2"});
    EXPECT_EQ(MakeUniqueName(macros, u"Macro3"), u"Macro3");
    EXPECT_EQ(MakeUniqueName(macros, u"MACRO1"), u"MACRO1_1") << "in the wanted name's case";
    EXPECT_EQ(MakeUniqueName(macros, u"Macro2"), u"Macro2_3");
    EXPECT_EQ(MakeUniqueName(MacroList{}, u"Macro1"), u"Macro1");
}

TEST(MakeUniqueName, ShortensTheNameSoThatTheSuffixFitsTheField)
{
    const std::u16string full23(23, u'm');
    const MacroList macros = Macros({full23, std::u16string(21, u'm') + u"_1"});
    const std::u16string made = MakeUniqueName(macros, full23);
    EXPECT_EQ(made, std::u16string(21, u'm') + u"_2");
    EXPECT_LE(made.size(), 23u);

    const MacroList tooLong = Macros({std::u16string(40, u'n')}); // stored cut to 23
    EXPECT_EQ(MakeUniqueName(tooLong, std::u16string(40, u'n')), std::u16string(21, u'n') + u"_1");

    GunList guns;
    guns.push_back(NewGunRecord(std::u16string(49, u'g')));
    EXPECT_EQ(MakeUniqueName(guns, std::u16string(49, u'G')), std::u16string(47, u'G') + u"_1")
        << "patterns keep 49 characters";
}

TEST(ReadName, StopsAtTheTerminatorOrTheFieldsEnd)
{
    MacroRecord macro{};
    for (auto& unit : macro.name)
        unit = u'Z'; // no terminator, as a damaged file may have it
    macro.reserved48[0] = 'A';
    EXPECT_EQ(ReadName(macro.name), std::u16string(24, u'Z'));

    WriteName(macro.name, u"Fire");
    EXPECT_EQ(ReadName(macro.name), u"Fire");
    for (int i = 4; i < 24; ++i)
        EXPECT_EQ(macro.name[i], u'\0') << "zero-filled after the name";
}

TEST(WriteName, CutsToTheFieldAndNeverSplitsASurrogatePair)
{
    MacroRecord macro{};
    macro.reserved48[0] = 0x5A;
    WriteName(macro.name, std::u16string(30, u'x'));
    EXPECT_EQ(ReadName(macro.name).size(), 23u);
    EXPECT_EQ(macro.name[23], u'\0');
    EXPECT_EQ(macro.reserved48[0], 0x5A) << "nothing written past the field";

    const std::u16string emoji = u"\U0001F3AF"; // two code units
    WriteName(macro.name, std::u16string(22, u'a') + emoji);
    EXPECT_EQ(ReadName(macro.name), std::u16string(22, u'a')) << "a half pair is dropped";
}

TEST(WriteName, EndsANameAtAnEmbeddedZero)
{
    MacroRecord macro{};
    const std::u16string withZero(u"ab\0cd", 5);
    WriteName(macro.name, withZero);
    EXPECT_EQ(ReadName(macro.name), u"ab");
    EXPECT_EQ(macro.name[3], u'\0') << "nothing of the name after its zero is kept";
    const MacroList macros = Macros({u"ab"});
    EXPECT_EQ(MakeUniqueName(macros, withZero), u"ab_1");
}

TEST(Utf8Conversion, RoundTripsAndReplacesBrokenInput)
{
    const std::u16string text = u"Réglage ☆ \U0001F3AF";
    EXPECT_EQ(ToU16(ToUtf8(text)), text);
    EXPECT_EQ(ToU16("a\xFF"
                    "b"),
        u"a\uFFFDb");
    EXPECT_EQ(ToU16("\xE2\x82"), u"\uFFFD\uFFFD") << "a truncated sequence";
    EXPECT_EQ(ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD") << "lone surrogate";
}

} // namespace
} // namespace kestrin
