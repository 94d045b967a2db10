#include "keyboard/KeyboardLayout.h"
#include "keys/KeyNames.h"
#include "keys/KeyTable.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <string>

namespace kestrin {
namespace {

std::u16string Id(std::u16string_view id) { return std::u16string(id); }

class NamedLayout : public testing::Test {
protected:
    static const XkbKeyboardLayout& Layout(const std::string& name)
    {
        static std::map<std::string, std::unique_ptr<XkbKeyboardLayout>> layouts;
        auto& layout = layouts[name];
        if (!layout)
            layout = XkbKeyboardLayout::FromNames(name);
        if (!layout)
            throw std::runtime_error("layout " + name + " is missing");
        return *layout;
    }

    static std::u16string Name(const std::string& layout, unsigned usage)
    {
        return UsageName(usage, Layout(layout), Id);
    }

    static unsigned Usage(const std::string& layout, int virtualKey)
    {
        unsigned usage = 0;
        EXPECT_TRUE(VirtualKeyToUsage(virtualKey, usage, Layout(layout)));
        return usage;
    }
};

TEST_F(NamedLayout, NamesTheKeyAtTheUsAPositionByItsLetter)
{
    EXPECT_EQ(Name("us", 0x04), u"A");
    EXPECT_EQ(Name("fr", 0x04), u"Q");
    EXPECT_EQ(Name("fr", 0x14), u"A");
    EXPECT_EQ(Name("fr", 0x1A), u"Z") << "the US W position";
    EXPECT_EQ(Name("fr", 0x33), u"M") << "the US semicolon position";
    EXPECT_EQ(Name("fr", 0x10), u",") << "the US M position";
    EXPECT_EQ(Name("us", 0x0E), u"K");
}

TEST_F(NamedLayout, CapturedLettersKeepTheirPosition)
{
    EXPECT_EQ(Usage("us", 'A'), 0x04u);
    EXPECT_EQ(Usage("fr", 'A'), 0x14u);
    EXPECT_EQ(Usage("fr", 'Q'), 0x04u);
    EXPECT_EQ(Usage("fr", 'M'), 0x33u);
    EXPECT_EQ(Usage("de", 'Z'), 0x1Cu);
    EXPECT_EQ(Usage("de", 'Y'), 0x1Du);
    // A name shown for a captured key is the letter that was pressed.
    for (const char* layout : {"us", "fr", "de"}) {
        for (int letter = 'A'; letter <= 'Z'; ++letter) {
            EXPECT_EQ(Name(layout, Usage(layout, letter)), std::u16string(1, char16_t(letter)))
                << layout << " " << char(letter);
        }
    }
}

TEST_F(NamedLayout, GermanSwapsZAndYButNotTheirUsages)
{
    EXPECT_EQ(Name("de", 0x1C), u"Z") << "usage Y is the key labelled Z";
    EXPECT_EQ(Name("de", 0x1D), u"Y");
    EXPECT_EQ(Name("de", 0x2D), u"\u00DF");
    EXPECT_EQ(Name("de", 0x2F), u"\u00DC");
    EXPECT_EQ(Name("de", 0x38), u"-");
}

TEST_F(NamedLayout, NamesAccentedAndDeadKeys)
{
    EXPECT_EQ(Name("fr", 0x1F), u"\u00C9") << "the 2 key gives e acute";
    EXPECT_EQ(Name("fr", 0x2F), u"^") << "dead circumflex";
    EXPECT_EQ(Name("fr", 0x34), u"\u00D9");
    EXPECT_EQ(Name("de", 0x2E), u"\u00B4") << "dead acute";
    EXPECT_EQ(Name("us", 0x35), u"`");
    EXPECT_EQ(Name("us", 0x38), u"/");
}

TEST_F(NamedLayout, NamesControlKeysThroughTheirIds)
{
    for (const char* layout : {"us", "fr", "de"}) {
        EXPECT_EQ(Name(layout, 0x2A), u"key_BackSpace") << layout;
        EXPECT_EQ(Name(layout, 0x28), u"key_Enter") << layout;
        EXPECT_EQ(Name(layout, 0x2C), u"key_Space") << layout;
        EXPECT_EQ(Name(layout, 0x39), u"key_Caplk") << layout;
        EXPECT_EQ(Name(layout, 0x3A), u"key_F1") << layout;
        EXPECT_EQ(Name(layout, 0x58), u"key_Num_Enter") << layout;
        EXPECT_EQ(Name(layout, 0xF1), u"L_Button") << layout;
        EXPECT_EQ(Name(layout, 0x66), u"") << layout;
        EXPECT_EQ(Name(layout, 0xF0), u"") << layout;
        EXPECT_EQ(Name(layout, 0x32), u"") << layout;
        EXPECT_EQ(Usage(layout, 0x6C), 0x58u);
        EXPECT_EQ(Usage(layout, 0x0D), 0x28u);
    }
    // Where 0xBF is the slash position and 0xDF no key at all, both name that position.
    for (const char* layout : {"us", "fr"}) {
        EXPECT_EQ(Usage(layout, 0xBF), 0x38u) << layout;
        EXPECT_EQ(Usage(layout, 0xDF), 0x38u) << layout;
    }
}

TEST_F(NamedLayout, GivesEveryKeyOneVirtualKeyAndBack)
{
    for (const char* name : {"us", "fr", "de", "ru", "tr", "fr(bepo)", "us(dvorak)", "ch(fr)"}) {
        SCOPED_TRACE(name);
        const std::string layoutName(name);
        const auto open = layoutName.find('(');
        const auto layout = open == std::string::npos
            ? XkbKeyboardLayout::FromNames(layoutName)
            : XkbKeyboardLayout::FromNames(layoutName.substr(0, open),
                  layoutName.substr(open + 1, layoutName.size() - open - 2));
        ASSERT_TRUE(layout);
        std::set<unsigned> virtualKeys;
        for (unsigned evdev = 1; evdev < 128; ++evdev) {
            const unsigned scanCode = EvdevCodeToScanCode(evdev);
            const unsigned virtualKey = layout->ScanCodeToVirtualKey(scanCode);
            if (scanCode == 0 || virtualKey == 0)
                continue;
            EXPECT_EQ(ScanCodeToEvdevCode(scanCode), evdev);
            EXPECT_TRUE(virtualKeys.insert(virtualKey).second) << std::hex << virtualKey;
            EXPECT_EQ(layout->VirtualKeyToScanCode(virtualKey), scanCode) << std::hex << scanCode;
        }
        // Every row of the table that has a scan code is a key of every layout.
        for (const KeyRow& row : KeyTable) {
            if (row.scanCode != 0) {
                EXPECT_NE(layout->ScanCodeToVirtualKey(row.scanCode), 0u) << row.scanCode;
            }
        }
    }
}

TEST_F(NamedLayout, TranslatesInputEventCodesForKeyCapture)
{
    const XkbKeyboardLayout& fr = Layout("fr");
    EXPECT_EQ(EvdevCodeToVirtualKey(fr, 16), unsigned('A')) << "KEY_Q on AZERTY";
    EXPECT_EQ(EvdevCodeToVirtualKey(fr, 28), 0x0Du) << "KEY_ENTER";
    EXPECT_EQ(EvdevCodeToVirtualKey(fr, 96), 0x6Cu) << "KEY_KPENTER";
    EXPECT_EQ(EvdevCodeToVirtualKey(fr, 97), 0xA3u) << "KEY_RIGHTCTRL";
    EXPECT_EQ(EvdevCodeToVirtualKey(fr, 119), 0x13u) << "KEY_PAUSE";
    EXPECT_EQ(EvdevCodeToVirtualKey(fr, 82), 0x60u) << "KEY_KP0";
    EXPECT_EQ(EvdevCodeToVirtualKey(fr, 0), 0u);
    EXPECT_EQ(EvdevCodeToVirtualKey(fr, 240), 0u);
}

TEST(XkbKeyboardLayout, RefusesALayoutThatDoesNotExist)
{
    EXPECT_EQ(XkbKeyboardLayout::FromNames("no-such-layout"), nullptr);
}

class AnnouncedLayoutTest : public testing::Test {
protected:
    void SetUp() override
    {
        root_ = std::filesystem::temp_directory_path() /
            ("kestrin-layout-" + std::to_string(::getpid()) + "-" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(root_ / "etc/default");
        std::filesystem::create_directories(root_ / "etc/X11/xorg.conf.d");
    }
    void TearDown() override { std::filesystem::remove_all(root_); }

    void Write(const std::string& file, const std::string& text)
    {
        std::ofstream(root_ / file) << text;
    }

    std::filesystem::path root_;
};

const EnvironmentLookup kNoEnvironment = [](const char*) -> const char* { return nullptr; };

TEST_F(AnnouncedLayoutTest, ReadsTheSystemKeyboardConfiguration)
{
    EXPECT_FALSE(AnnouncedLayout(kNoEnvironment, root_));

    Write("etc/X11/xorg.conf.d/00-keyboard.conf",
        "Section \"InputClass\"\n"
        "        Identifier \"system-keyboard\"\n"
        "        MatchIsKeyboard \"on\"\n"
        "        Option \"XkbLayout\" \"de,us\"\n"
        "        Option \"XkbVariant\" \"nodeadkeys,\"\n"
        "EndSection\n");
    auto names = AnnouncedLayout(kNoEnvironment, root_);
    ASSERT_TRUE(names);
    EXPECT_EQ(names->layout, "de");
    EXPECT_EQ(names->variant, "nodeadkeys");

    Write("etc/default/keyboard",
        "# KEYBOARD CONFIGURATION FILE\nXKBMODEL=\"pc105\"\nXKBLAYOUT=\"fr\"\nXKBVARIANT=\"\"\n");
    names = AnnouncedLayout(kNoEnvironment, root_);
    ASSERT_TRUE(names);
    EXPECT_EQ(names->layout, "fr");
    EXPECT_EQ(names->variant, "");
}

TEST_F(AnnouncedLayoutTest, LetsTheEnvironmentOverrideTheSystem)
{
    Write("etc/default/keyboard", "XKBLAYOUT=fr\n");
    const EnvironmentLookup environment = [](const char* name) -> const char* {
        if (std::string_view(name) == "XKB_DEFAULT_LAYOUT")
            return "gb,us";
        if (std::string_view(name) == "XKB_DEFAULT_VARIANT")
            return "extd";
        return nullptr;
    };
    const auto names = AnnouncedLayout(environment, root_);
    ASSERT_TRUE(names);
    EXPECT_EQ(names->layout, "gb");
    EXPECT_EQ(names->variant, "extd");
}

// Desktop() reads the process environment; restored after each case.
class DesktopLayout : public testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"DISPLAY", "XKB_DEFAULT_LAYOUT", "XKB_DEFAULT_VARIANT"}) {
            const char* value = std::getenv(name);
            saved_[name] = value ? std::optional<std::string>(value) : std::nullopt;
        }
        ::unsetenv("DISPLAY");
        ::unsetenv("XKB_DEFAULT_VARIANT");
    }
    void TearDown() override
    {
        for (const auto& [name, value] : saved_) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }
    std::map<std::string, std::optional<std::string>> saved_;
};

TEST_F(DesktopLayout, TakesTheAnnouncedLayoutWithoutADisplay)
{
    ::setenv("XKB_DEFAULT_LAYOUT", "fr", 1);
    const auto layout = OpenDesktopKeyLayout();
    ASSERT_TRUE(layout);
    EXPECT_EQ(dynamic_cast<const XkbKeyboardLayout&>(*layout).Description(), "fr");
    EXPECT_EQ(UsageName(0x04, *layout, Id), u"Q");
}

TEST_F(DesktopLayout, FallsBackToUsForAnUnknownLayout)
{
    ::setenv("XKB_DEFAULT_LAYOUT", "no-such-layout", 1);
    const auto layout = OpenDesktopKeyLayout();
    ASSERT_TRUE(layout);
    EXPECT_EQ(dynamic_cast<const XkbKeyboardLayout&>(*layout).Description(), "us");
    EXPECT_EQ(UsageName(0x04, *layout, Id), u"A");
}

} // namespace
} // namespace kestrin
