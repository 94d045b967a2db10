#include "profiles/ProfileSection.h"

#include "base/RecordNames.h"
#include "macros/MacroStore.h"
#include "profiles/AppRules.h"
#include "profiles/ProfileExchange.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>

namespace kestrin {
namespace {

using test::TempFolder;

// The page as the section sees it: rows as plain strings, every request logged, dialog answers
// queued by the test.
class FakePage : public ProfileSectionHost, public ProfileSectionPrompts {
public:
    std::vector<std::u16string> rows;
    std::vector<std::string> log;
    std::deque<bool> answers;
    std::vector<std::string> confirmed;         // the questions asked as destructive
    std::vector<std::u16string> suggestedNames; // offered by the save dialogs
    std::optional<std::u16string> nameAnswer;
    std::optional<std::string> fileAnswer;
    int fullApplies = 0;
    std::vector<FileError> saves;
    // Runs while a question is open, as the event loop runs under a dialog.
    std::function<void()> whileAsked;

    void AppendRow(std::u16string_view name) override { rows.emplace_back(name); }
    void RemoveRow(int row) override { rows.erase(rows.begin() + row); }
    void SetRowText(int row, std::u16string_view name) override
    {
        rows.at(static_cast<std::size_t>(row)) = name;
    }
    void SelectRow(int row) override { log.push_back("select " + std::to_string(row)); }
    void RefreshSettingsControls() override { log.emplace_back("refresh"); }
    void RequestFullApply() override { ++fullApplies; }
    void ShowSaveResult(StoreKind, const SaveResult& result) override
    {
        saves.push_back(result.code);
    }
    void UserChoseProfile(std::u16string_view name) override { chosen.emplace_back(name); }
    std::vector<std::u16string> chosen; // what the user made current, in order
    bool Confirm(std::string_view textId) override
    {
        confirmed.emplace_back(textId);
        return Ask(textId);
    }
    bool Ask(std::string_view textId) override
    {
        log.emplace_back(textId);
        if (whileAsked)
            whileAsked();
        const bool answer = !answers.empty() && answers.front();
        if (!answers.empty())
            answers.pop_front();
        return answer;
    }
    std::optional<std::u16string> AskProfileName(
        std::string_view titleId, const ProfileList&) override
    {
        log.emplace_back(titleId);
        if (whileAsked)
            whileAsked();
        return std::exchange(nameAnswer, std::nullopt);
    }
    std::optional<std::string> AskProfileFileToSave(std::u16string_view suggested) override
    {
        suggestedNames.emplace_back(suggested);
        return fileAnswer;
    }
    std::optional<std::string> AskProfileFileToOpen() override { return fileAnswer; }
};

class ProfileSectionTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(temp.Data());
        for (const char16_t* name : {u"One", u"Two", u"Three"}) {
            profiles.push_back(NewProfileRecord(name));
            page.rows.emplace_back(name);
        }
        header.currentIndex = 0;
        current = profiles[0].get();
    }

    std::u16string CurrentName() const { return ReadName(current->name); }

    TempFolder temp;
    ProfileList profiles;
    ProfileStoreHeader header{};
    ProfileRecord* current = nullptr;
    MacroList macros;
    GunList guns;
    std::mutex lock;
    FakePage page;
    ProfileSection section{
        {profiles, header, current, macros, guns, lock, temp.Data()}, page, page};
};

TEST_F(ProfileSectionTest, EverySelectionSwitchesUnlessTheFlagIsSetThenOnlyOneIsSwallowed)
{
    EXPECT_FALSE(section.IgnoreNextListSelection());
    section.SelectProfile(2);
    EXPECT_EQ(CurrentName(), u"Three");
    EXPECT_EQ(header.currentIndex, 2);
    EXPECT_EQ(page.fullApplies, 1);

    section.SetIgnoreNextListSelection(true);
    section.SelectProfile(1);
    EXPECT_EQ(CurrentName(), u"Three");
    section.SelectProfile(1);
    EXPECT_EQ(CurrentName(), u"Two");
    EXPECT_EQ(page.fullApplies, 2);

    // A row the list no longer has changes nothing.
    section.SelectProfile(3);
    section.SelectProfile(-1);
    EXPECT_EQ(header.currentIndex, 1);
    EXPECT_EQ(page.fullApplies, 2);
}

TEST_F(ProfileSectionTest, DeletingSelectsTheNextRowOrTheNewLastAndNeverTheLastProfile)
{
    section.SelectProfile(1);
    page.answers = {true};
    section.DeleteProfile();
    EXPECT_EQ(page.rows, (std::vector<std::u16string>{u"One", u"Three"}));
    EXPECT_EQ(CurrentName(), u"Three");
    EXPECT_EQ(header.currentIndex, 1);

    // The last of the list: the one before it takes its place.
    page.log.clear();
    page.answers = {true};
    section.DeleteProfile();
    EXPECT_EQ(page.rows, (std::vector<std::u16string>{u"One"}));
    EXPECT_EQ(CurrentName(), u"One");
    EXPECT_EQ(header.currentIndex, 0);
    EXPECT_EQ(page.log, (std::vector<std::string>{"delete_profile_text", "select 0", "refresh"}));

    page.answers = {true};
    section.DeleteProfile();
    EXPECT_EQ(page.log.back(), "one_profile_text");
    EXPECT_EQ(page.fullApplies, 3) << "one switch per selection, none for the refusal";
    ASSERT_EQ(profiles.size(), 1U);
    EXPECT_EQ(current, profiles[0].get());
}

TEST_F(ProfileSectionTest, DeclinedConfirmationsAndCancelledDialogsChangeNothing)
{
    page.answers = {false, false};
    section.DeleteProfile();
    section.RestoreProfileDefaults();
    section.AddProfile();
    section.RenameProfile();
    section.ExportProfile();
    section.ImportProfile();
    // Both are asked with Cancel as the keyboard's answer.
    EXPECT_EQ(page.confirmed, (std::vector<std::string>{"delete_profile_text", "restore_text"}));
    EXPECT_EQ(profiles.size(), 3U);
    EXPECT_EQ(page.rows.size(), 3U);
    EXPECT_EQ(CurrentName(), u"One");
    EXPECT_EQ(page.fullApplies, 0);
    EXPECT_TRUE(std::filesystem::is_empty(temp.Data()));
}

TEST_F(ProfileSectionTest, AnAnswerGivenAfterAnotherProfileBecameCurrentActsOnNone)
{
    profiles[1]->dpiX[0] = 77;
    page.whileAsked = [this] { section.SelectProfile(1); };
    page.answers = {true, true};
    page.nameAnswer = u"Renamed";
    section.DeleteProfile();
    section.SelectProfile(0);
    section.RestoreProfileDefaults();
    section.SelectProfile(0);
    section.RenameProfile();
    EXPECT_EQ(profiles.size(), 3U);
    EXPECT_EQ(profiles[1]->dpiX[0], 77) << "the profile switched to is not reset either";
    EXPECT_EQ(ReadName(profiles[0]->name), u"One");
    EXPECT_EQ(ReadName(profiles[1]->name), u"Two");
}

TEST_F(ProfileSectionTest, AddingMakesTheNewDefaultProfileCurrentAndSendsEverything)
{
    page.nameAnswer = u"Arena";
    section.AddProfile();
    ASSERT_EQ(profiles.size(), 4U);
    EXPECT_EQ(page.rows.back(), u"Arena");
    EXPECT_EQ(current, profiles.back().get());
    EXPECT_EQ(header.currentIndex, 3);
    EXPECT_EQ(std::memcmp(current, NewProfileRecord(u"Arena").get(), sizeof(ProfileRecord)), 0);
    EXPECT_EQ(page.fullApplies, 1);
    EXPECT_EQ(page.log.front(), "profile_name_1_text");
}

TEST_F(ProfileSectionTest, RenamingSavesTheNameAndARestartSelectsTheSameProfile)
{
    section.SelectProfile(1);
    page.nameAnswer = u"Sniper";
    section.RenameProfile();
    EXPECT_EQ(page.rows[1], u"Sniper");
    EXPECT_EQ(page.fullApplies, 1) << "a rename sends nothing";

    ProfileList loaded;
    ProfileStoreHeader loadedHeader{};
    LoadProfileStore(temp.Data(), loaded, loadedHeader, u"Profile");
    ASSERT_EQ(loaded.size(), 3U);
    EXPECT_EQ(loadedHeader.currentIndex, 1);
    EXPECT_EQ(ReadName(loaded[1]->name), u"Sniper");
}

// With no mouse the full apply never comes: each change of the list is on disk at once.
TEST_F(ProfileSectionTest, EveryChangeOfTheListIsSavedWithoutWaitingForAnApply)
{
    const auto stored = [&] {
        ProfileList loaded;
        ProfileStoreHeader loadedHeader{};
        LoadProfileStore(temp.Data(), loaded, loadedHeader, u"Profile");
        std::vector<std::u16string> names;
        for (const auto& profile : loaded)
            names.push_back(ReadName(profile->name));
        const auto at = static_cast<std::size_t>(loadedHeader.currentIndex);
        return std::pair{names, at < names.size() ? names[at] : u""};
    };
    page.nameAnswer = u"Four";
    section.AddProfile();
    EXPECT_EQ(stored(),
        (std::pair{std::vector<std::u16string>{u"One", u"Two", u"Three", u"Four"},
            std::u16string(u"Four")}));

    page.answers = {true};
    section.DeleteProfile();
    EXPECT_EQ(stored(),
        (std::pair{
            std::vector<std::u16string>{u"One", u"Two", u"Three"}, std::u16string(u"Three")}));

    current->reportRate = 0;
    page.answers = {true};
    section.RestoreProfileDefaults();
    ProfileList loaded;
    ProfileStoreHeader loadedHeader{};
    LoadProfileStore(temp.Data(), loaded, loadedHeader, u"Profile");
    ASSERT_EQ(loaded.size(), 3U);
    EXPECT_EQ(loaded[2]->reportRate, NewProfileRecord(u"Three")->reportRate);
}

TEST_F(ProfileSectionTest, RestoringDefaultsKeepsNameAndRowClearsButtonsAndSendsEverything)
{
    section.SelectProfile(1);
    current->buttons[4].functionCode = kFunctionMacro;
    current->buttons[4].stepCount = 3;
    current->reportRate = 0;
    page.answers = {true};
    section.RestoreProfileDefaults();
    EXPECT_EQ(page.rows[1], u"Two");
    EXPECT_EQ(header.currentIndex, 1);
    EXPECT_EQ(std::memcmp(current, NewProfileRecord(u"Two").get(), sizeof(ProfileRecord)), 0);
    EXPECT_EQ(page.fullApplies, 2);
}

TEST_F(ProfileSectionTest, ExportThenImportAddsASuffixedProfileAndLeavesMacroDataAlone)
{
    const std::string file = temp.Root() / "one.pro";
    page.fileAnswer = file;
    section.ExportProfile();
    EXPECT_EQ(page.suggestedNames, std::vector<std::u16string>{u"One"}) << "the profile's name";
    EXPECT_EQ(std::filesystem::file_size(file), 41636U);

    section.ImportProfile();
    ASSERT_EQ(profiles.size(), 4U);
    EXPECT_EQ(page.rows.back(), u"One_1");
    EXPECT_EQ(CurrentName(), u"One_1");
    EXPECT_EQ(page.fullApplies, 1);
    EXPECT_FALSE(std::filesystem::exists(temp.Data() + "macro.data"));
}

TEST_F(ProfileSectionTest, ImportedMacroButtonsJoinTheLibraryAndItIsSaved)
{
    auto macro = std::make_unique<MacroRecord>();
    WriteName(macro->name, u"Burst");
    macros.push_back(std::move(macro));
    ButtonSlot& slot = profiles[0]->buttons[3];
    slot.functionCode = kFunctionMacro;
    WriteName(slot.assignedName, u"Burst");
    slot.macroIndex = 0;

    page.fileAnswer = temp.Root() / "burst.pro";
    section.ExportProfile();
    section.ImportProfile();
    ASSERT_EQ(macros.size(), 2U);
    EXPECT_EQ(ReadName(macros[1]->name), u"Burst_1");
    EXPECT_EQ(ReadName(current->buttons[3].assignedName), u"Burst_1");
    EXPECT_EQ(current->buttons[3].macroIndex, 1);

    MacroList saved;
    LoadMacroStore(temp.Data(), saved);
    ASSERT_EQ(saved.size(), 2U);
    EXPECT_EQ(ReadName(saved[1]->name), u"Burst_1");
}

TEST_F(ProfileSectionTest, AFileOfAnotherSizeOrNoneIsRefusedWithAMessage)
{
    const std::filesystem::path file = temp.Root() / "short.pro";
    test::WriteBytes(file, std::vector<unsigned char>(41635, 0x41));
    for (const std::filesystem::path& path : {file, temp.Root() / "missing.pro"}) {
        page.fileAnswer = path.string();
        section.ImportProfile();
        EXPECT_EQ(page.log.back(), "profile_file_error_text") << path;
    }
    EXPECT_EQ(profiles.size(), 3U);
    EXPECT_EQ(page.rows.size(), 3U);
    EXPECT_EQ(page.fullApplies, 0);
}

} // namespace
} // namespace kestrin

namespace kestrin {
namespace {

std::string RulesText(const std::string& dataFolder)
{
    const auto bytes = test::ReadBytes(AppRulesPath(dataFolder));
    return {bytes.begin(), bytes.end()};
}

void WriteRules(const std::string& dataFolder, const std::string& text)
{
    std::filesystem::create_directories(
        std::filesystem::path(AppRulesPath(dataFolder)).parent_path());
    test::WriteBytes(AppRulesPath(dataFolder), {text.begin(), text.end()});
}

TEST_F(ProfileSectionTest, RulesFollowARenamedProfileAndGoWithADeletedOneAfterTheQuestionSaysSo)
{
    const std::string rules = std::string(kAppRulesHeader) +
        "\n# shooters\nquake3 = one\n"
        "xonotic = Two\nsteam = Three\n";
    WriteRules(temp.Data(), rules);

    page.nameAnswer = u"Arena";
    section.RenameProfile(); // "One", current, named without regard to case in the file
    EXPECT_EQ(RulesText(temp.Data()),
        std::string(kAppRulesHeader) +
            "\n# shooters\nquake3 = Arena\nxonotic = Two\nsteam = Three\n");

    section.SelectProfile(1);
    page.answers = {true};
    section.DeleteProfile();
    EXPECT_EQ(page.confirmed.back(), "delete_profile_rules_text");
    EXPECT_EQ(RulesText(temp.Data()),
        std::string(kAppRulesHeader) + "\n# shooters\nquake3 = Arena\nsteam = Three\n");

    // A profile no rule names is asked about as before; declined, the rules stay.
    section.SelectProfile(0);
    page.answers = {false};
    section.DeleteProfile();
    EXPECT_EQ(page.confirmed.back(), "delete_profile_rules_text");
    page.nameAnswer = u"Plain";
    section.AddProfile();
    page.answers = {true};
    section.DeleteProfile();
    EXPECT_EQ(page.confirmed.back(), "delete_profile_text");
    EXPECT_EQ(RulesText(temp.Data()),
        std::string(kAppRulesHeader) + "\n# shooters\nquake3 = Arena\nsteam = Three\n");
}

TEST_F(ProfileSectionTest, ARulesFileWithALineThatIsNoRuleIsLeftAsTheUserWroteIt)
{
    const std::string rules = std::string(kAppRulesHeader) + "\nquake3 = One\nnot a rule\n";
    WriteRules(temp.Data(), rules);
    page.nameAnswer = u"Arena";
    section.RenameProfile();
    EXPECT_EQ(CurrentName(), u"Arena");
    EXPECT_EQ(RulesText(temp.Data()), rules);
}

TEST_F(ProfileSectionTest, OnlyTheUsersOwnSwitchesCountAsTheirChoice)
{
    section.SelectProfile(1);
    EXPECT_TRUE(section.UseForRule(u"three"));
    EXPECT_EQ(CurrentName(), u"Three");
    EXPECT_EQ(page.fullApplies, 2);
    EXPECT_TRUE(section.Use(u"one"));
    page.nameAnswer = u"Four";
    section.AddProfile();
    EXPECT_EQ(page.chosen, (std::vector<std::u16string>{u"Two", u"One", u"Four"}));
}

} // namespace
} // namespace kestrin
