#include "macros/MacroExchange.h"

#include "base/RecordNames.h"
#include "tests/support/FailingFileCalls.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

namespace kestrin {
namespace {

std::unique_ptr<MacroRecord> Macro(std::u16string_view name)
{
    auto macro = std::make_unique<MacroRecord>();
    WriteName(macro->name, name);
    macro->actionCount = 3;
    macro->actions[0] = {0x04, 1, 25000};
    macro->actions[1] = {0x04, 2, 1};
    macro->actions[2] = {0xF1, 1, 1};
    macro->reserved48[1] = 9;
    return macro;
}

class MacroExchangeTest : public testing::Test {
protected:
    std::string File(const char* name) const { return (folder.Root() / name).string(); }
    // A macro file: the bytes of a sound macro as `change` leaves them.
    std::string Written(const std::function<void(std::vector<std::byte>&)>& change) const
    {
        const auto macro = Macro(u"Sound");
        std::vector<std::byte> bytes(sizeof(MacroRecord));
        std::memcpy(bytes.data(), macro.get(), bytes.size());
        change(bytes);
        const std::string path = File("written.macro");
        test::WriteBytes(path,
            std::vector<unsigned char>(reinterpret_cast<unsigned char*>(bytes.data()),
                reinterpret_cast<unsigned char*>(bytes.data()) + bytes.size()));
        return path;
    }

    test::TempFolder folder;
    MacroList macros;
};

TEST_F(MacroExchangeTest, AnExportComesBackAsANewMacroUnderTheNextFreeName)
{
    macros.push_back(Macro(u"Reload"));
    ASSERT_TRUE(WriteMacroFile(File("reload.macro"), *macros[0]));
    for (const char16_t* expected : {u"Reload_1", u"Reload_2"}) {
        MacroFileRead read = ReadMacroFile(File("reload.macro"));
        ASSERT_TRUE(read.ok()) << read.error;
        const int index = ImportMacroRecord(std::move(read.value.record), macros, u"Macro");
        EXPECT_EQ(ReadName(macros[std::size_t(index)]->name), expected);
        EXPECT_EQ(std::memcmp(macros[std::size_t(index)]->reserved48, macros[0]->reserved48,
                      sizeof(MacroRecord) - sizeof MacroRecord::name),
            0)
            << "actions, count and reserved bytes as they were";
    }
    ImportMacroRecord(Macro(u"Free"), macros, u"Macro");
    EXPECT_EQ(ReadName(macros.back()->name), u"Free");
}

TEST_F(MacroExchangeTest, AFileThatIsNotOneSoundMacroIsRefusedWhole)
{
    std::vector<std::pair<const char*, std::function<void(std::vector<std::byte>&)>>> broken{
        {"short", [](auto& bytes) { bytes.pop_back(); }},
        {"empty", [](auto& bytes) { bytes.clear(); }},
        {"no end to the name", [](auto& bytes) { std::memset(bytes.data(), 'x', 48); }},
        {"count -1", [](auto& bytes) { std::memset(bytes.data() + 52, 0xFF, 4); }},
        {"count 47", [](auto& bytes) { bytes[52] = std::byte{47}; }},
    };
    for (const uint8_t key : {0x00, 0x03, 0xF6, 0xFE, 0xFF})
        broken.emplace_back(
            "a key code no key has", [key](auto& bytes) { bytes[60] = std::byte{key}; });
    for (const uint8_t kind : {0, 3, 0x81})
        broken.emplace_back(
            "neither press nor release", [kind](auto& bytes) { bytes[57] = std::byte{kind}; });
    for (const auto& [what, damage] : broken) {
        const MacroFileRead read = ReadMacroFile(Written(damage));
        EXPECT_FALSE(read.ok()) << what;
        EXPECT_EQ(read.value.record, nullptr) << what;
    }
    EXPECT_EQ(ReadMacroFile(File("missing.macro")).code, FileError::Unreadable);
}

TEST_F(MacroExchangeTest, ValuesTheFormatAllowsAreTakenAndHeldToWhatTheMouseTakes)
{
    // A pause of 30 s, and more bytes after the record: its start is the macro.
    MacroFileRead read = ReadMacroFile(Written([](auto& bytes) {
        const uint16_t delay = 30000;
        std::memcpy(bytes.data() + 56 + 4 + 2, &delay, 2);
        bytes.resize(bytes.size() + 5000, std::byte{0x7F});
    }));
    ASSERT_TRUE(read.ok()) << read.error;
    EXPECT_TRUE(read.value.held);
    EXPECT_EQ(read.value.record->actions[1].delay, 25000);
    EXPECT_EQ(ReadName(read.value.record->name), u"Sound");

    read = ReadMacroFile(Written([](auto&) {}));
    EXPECT_FALSE(read.value.held) << "nothing to hold";

    // No pause at all, and 46 pauses of 200 ms: 92 size units where the editor allows 47.
    read = ReadMacroFile(Written([](auto& bytes) {
        const int32_t count = 46;
        std::memcpy(bytes.data() + 52, &count, 4);
        for (int i = 0; i < count; ++i) {
            const MacroAction action{0x04, 1, uint16_t(i == 0 ? 0 : 200)};
            std::memcpy(bytes.data() + 56 + 4 * i, &action, 4);
        }
    }));
    ASSERT_TRUE(read.ok()) << read.error;
    EXPECT_TRUE(read.value.held);
    EXPECT_EQ(read.value.record->actions[0].delay, 1);
    EXPECT_LE(MacroSizeUnits(read.value.record->actions, 46), kMacroMaxSizeUnits);

    // A name of control characters alone, or none, is named as a new macro is; others keep
    // what can be shown of theirs.
    macros.push_back(Macro(u"Macro2"));
    for (const char16_t* name : {u"\u0001\u0002", u"", u"A\u0007"}) {
        read = ReadMacroFile(Written([name](auto& bytes) {
            std::memset(bytes.data(), 0, 48);
            std::memcpy(bytes.data(), name, std::char_traits<char16_t>::length(name) * 2);
        }));
        ASSERT_TRUE(read.ok()) << read.error;
        ImportMacroRecord(std::move(read.value.record), macros, u"Macro");
    }
    EXPECT_EQ(ReadName(macros[1]->name), u"Macro2_1");
    EXPECT_EQ(ReadName(macros[2]->name), u"Macro3");
    EXPECT_EQ(ReadName(macros[3]->name), u"A\uFFFD");
}

TEST_F(MacroExchangeTest, AFailedExportSaysSoAndLeavesAnEarlierFileWhole)
{
    test::WriteBytes(File("keep.macro"), std::vector<unsigned char>(240, 7));
    {
        test::FailingWrites diskFull(100);
        EXPECT_FALSE(WriteMacroFile(File("keep.macro"), *Macro(u"New")));
    }
    EXPECT_EQ(test::ReadBytes(File("keep.macro")), std::vector<unsigned char>(240, 7));
}

} // namespace
} // namespace kestrin
