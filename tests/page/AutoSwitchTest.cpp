// A profile per program in the window: the focus changes as the window system tells them, the
// settle timer, the holds and the rules file read afresh; and the rules dialog.
#include "page/AutoSwitchWnd.h"
#include "page/ProfileAutoSwitch.h"

#include "profiles/AppRules.h"
#include "tests/support/RunModally.h"
#include "tests/support/SkinFolder.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WaitFor.h"
#include "ui/Controls.h"
#include "ui/ListUI.h"
#include "ui/ResourceManager.h"

#include <QAbstractButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace kestrin {
namespace {

using namespace std::chrono_literals;

void WriteRules(const std::string& dataFolder, const std::string& lines)
{
    const std::string text = std::string(kAppRulesHeader) + "\n" + lines;
    std::filesystem::create_directories(
        std::filesystem::path(AppRulesPath(dataFolder)).parent_path());
    test::WriteBytes(AppRulesPath(dataFolder), {text.begin(), text.end()});
}

std::string RulesFile(const std::string& dataFolder)
{
    const auto bytes = test::ReadBytes(AppRulesPath(dataFolder));
    return {bytes.begin(), bytes.end()};
}

SessionWindow Window(std::string windowClass, int pid = 1)
{
    SessionWindow window;
    window.program.windowClass = std::move(windowClass);
    window.pid = pid;
    return window;
}

// What a session tells: its windows, and the one a pick clicks.
class FakeWatch final : public ActiveWindowWatch {
public:
    std::vector<SessionWindow> windows;
    std::optional<SessionWindow> clicked;
    int cancelled = 0;

    std::optional<SessionWindow> Active() override { return std::nullopt; }
    std::vector<SessionWindow> Windows() override { return windows; }
    bool Pick(std::function<void(std::optional<SessionWindow>)> picked) override
    {
        picked(clicked);
        return true;
    }
    void CancelPick() override { ++cancelled; }
};

class ProfileAutoSwitchTest : public testing::Test {
protected:
    ProfileAutoSwitchTest()
    {
        WriteRules(temp.Data(), "quake3 = Arena\nsteam = Store\n");
        ProfileAutoSwitch::Page page;
        page.profiles = [this] { return profiles; };
        page.current = [this] { return current; };
        page.held = [this] { return held; };
        page.use = [this](const std::string& name) {
            current = name;
            used.push_back(name);
            return true;
        };
        page.switched = [this](const std::string& profile, const std::string& program) {
            told.push_back(profile + (program.empty() ? "" : " for " + program));
        };
        autoSwitch = std::make_unique<ProfileAutoSwitch>(page, temp.Data(), nullptr, 40ms);
    }

    bool Settles()
    {
        return test::WaitFor([&] { return !autoSwitch->SettlePending(); }, 2000);
    }

    test::TempFolder temp;
    std::vector<std::string> profiles{"Desk", "Arena", "Store"};
    std::string current = "Desk";
    bool held = false;
    std::vector<std::string> used;
    std::vector<std::string> told;
    std::unique_ptr<ProfileAutoSwitch> autoSwitch;
};

TEST_F(ProfileAutoSwitchTest, AWindowThatStaysSwitchesToItsRuleAndAnotherBringsTheChoiceBack)
{
    autoSwitch->FocusChanged(Window("Quake3"));
    ASSERT_TRUE(Settles());
    EXPECT_EQ(used, (std::vector<std::string>{"Arena"}));
    EXPECT_EQ(autoSwitch->RuleProgram(), "quake3");
    // Kestrin's own window, where the game's profile is edited, keeps it.
    autoSwitch->FocusChanged(Window("kestrin", getpid()));
    EXPECT_FALSE(autoSwitch->SettlePending());
    autoSwitch->FocusChanged(Window("xterm"));
    ASSERT_TRUE(Settles());
    EXPECT_EQ(used, (std::vector<std::string>{"Arena", "Desk"}));
    EXPECT_EQ(autoSwitch->RuleProgram(), "");
    EXPECT_EQ(told, (std::vector<std::string>{"Arena for quake3", "Desk"}));

    // What the user chooses is what windows without a rule come back to.
    autoSwitch->UserChose("Store");
    current = "Store";
    autoSwitch->FocusChanged(Window("quake3"));
    ASSERT_TRUE(Settles());
    autoSwitch->FocusChanged(Window("xterm"));
    ASSERT_TRUE(Settles());
    EXPECT_EQ(used, (std::vector<std::string>{"Arena", "Desk", "Arena", "Store"}));
}

TEST_F(ProfileAutoSwitchTest, AHeldSwitchGoesOnlyOnceNothingHoldsItAndTheUserOutranksIt)
{
    held = true;
    autoSwitch->FocusChanged(Window("quake3"));
    ASSERT_TRUE(Settles());
    EXPECT_TRUE(used.empty());
    autoSwitch->HoldMayHaveEnded(); // a dialog closed, edits still wait
    EXPECT_TRUE(used.empty());
    held = false;
    autoSwitch->HoldMayHaveEnded();
    EXPECT_EQ(used, (std::vector<std::string>{"Arena"}));

    held = true;
    autoSwitch->FocusChanged(Window("steam"));
    ASSERT_TRUE(Settles());
    autoSwitch->UserChose("Desk");
    held = false;
    autoSwitch->HoldMayHaveEnded();
    EXPECT_EQ(used, (std::vector<std::string>{"Arena"}));
}

TEST_F(ProfileAutoSwitchTest, TheRulesFileIsReadAgainWhenItChangedAndARuleForNoProfileDoesNothing)
{
    autoSwitch->FocusChanged(Window("xonotic"));
    ASSERT_TRUE(Settles());
    EXPECT_TRUE(used.empty());
    WriteRules(temp.Data(), "xonotic = Store\nhalflife = Gone\n");
    autoSwitch->FocusChanged(Window("halflife"));
    ASSERT_TRUE(Settles());
    autoSwitch->FocusChanged(Window("xonotic"));
    ASSERT_TRUE(Settles());
    EXPECT_EQ(used, (std::vector<std::string>{"Store"}));
}

class AutoSwitchWndTest : public testing::Test {
protected:
    void SetUp() override { test::UseInstalledSkin(); }

    // Runs the dialog for `profile`, `steps` acting on it while it shows.
    void Run(const std::u16string& profile, const std::function<void(CAutoSwitchWnd&)>& steps,
        ActiveWindowWatch* with)
    {
        CAutoSwitchWnd dialog(temp.Data(), profile, with);
        test::RunModally<CAutoSwitchWnd>(
            dialog,
            [&](CAutoSwitchWnd& window) {
                steps(window);
                changed = window.RulesChanged();
            },
            nullptr, [](CAutoSwitchWnd& window) { window.Close(0); });
    }
    static std::vector<QString> Rows(CAutoSwitchWnd& window, const char* list)
    {
        auto* control = window.GetPaintManager().FindControl<CListUI>(QString::fromLatin1(list));
        std::vector<QString> rows;
        for (int row = 0; control && row < control->GetCount(); ++row)
            rows.push_back(control->GetItemText(row));
        return rows;
    }
    static QString Note(CAutoSwitchWnd& window)
    {
        CControlUI* note = window.GetPaintManager().FindControl(QStringLiteral("autoswitch_note"));
        return note && note->IsVisible() ? note->GetText() : QString();
    }
    static void Click(CAutoSwitchWnd& window, const char* button)
    {
        qobject_cast<QAbstractButton*>(
            window.GetPaintManager().FindControl(QString::fromLatin1(button))->GetWidget())
            ->click();
    }
    static QString Text(const char* id)
    {
        return CResourceManager::GetInstance()->GetText(QString::fromLatin1(id));
    }

    test::TempFolder temp;
    FakeWatch watch;
    bool changed = false;
};

TEST_F(AutoSwitchWndTest, ProgramsAreAddedByTheirWindowOrNameAndTakenFromAnotherProfile)
{
    WriteRules(temp.Data(), "# mine\nquake3 = Arena\nsteam = Store\n");
    watch.windows = {
        Window("Steam"), Window("kestrin", getpid()), Window("steam"), Window("xonotic")};
    watch.windows.back().title = "Xonotic";
    watch.clicked = Window("Doom");
    Run(
        u"arena",
        [&](CAutoSwitchWnd& window) {
            EXPECT_EQ(Rows(window, "list_rules"), std::vector<QString>{"quake3"});
            // One row a program, none of Kestrin's own.
            EXPECT_EQ(Rows(window, "list_windows"),
                (std::vector<QString>{"Steam", QStringLiteral("xonotic — Xonotic")}));
            EXPECT_TRUE(window.AddProgram("Steam"));
            EXPECT_FALSE(window.AddProgram("quake3"));
            EXPECT_FALSE(window.AddProgram(" padded"));
            EXPECT_EQ(Note(window), Text("autoswitch_program_bad_text"));
            Click(window, "btn_rule_pick");
            EXPECT_EQ(
                Rows(window, "list_rules"), (std::vector<QString>{"quake3", "steam", "Doom"}));
        },
        &watch);
    EXPECT_TRUE(changed);
    EXPECT_EQ(RulesFile(temp.Data()),
        std::string(kAppRulesHeader) + "\n# mine\nquake3 = Arena\nsteam = arena\nDoom = arena\n");
}

TEST_F(AutoSwitchWndTest, OwnWindowsAreNoPickAndRemovingTakesOnlyThisProfilesRule)
{
    WriteRules(temp.Data(), "quake3 = Arena\nsteam = Store\n");
    watch.clicked = Window("kestrin", getpid());
    Run(
        u"Arena",
        [&](CAutoSwitchWnd& window) {
            Click(window, "btn_rule_pick");
            EXPECT_EQ(Note(window), Text("autoswitch_own_window_text"));
            watch.clicked = Window("Doom"); // and the user clicks again
            Click(window, "btn_rule_pick");
            auto* rules =
                window.GetPaintManager().FindControl<CListUI>(QStringLiteral("list_rules"));
            rules->SelectItem(0);
            Click(window, "btn_rule_remove");
            EXPECT_EQ(Rows(window, "list_rules"), std::vector<QString>{"Doom"});
        },
        &watch);
    EXPECT_EQ(
        RulesFile(temp.Data()), std::string(kAppRulesHeader) + "\nsteam = Store\nDoom = Arena\n");
}

TEST_F(AutoSwitchWndTest, AFileWithALineThatIsNoRuleIsShownNotChangedAndNoSessionIsSaidSo)
{
    WriteRules(temp.Data(), "quake3 = Arena\nnot a rule\n");
    const std::string before = RulesFile(temp.Data());
    Run(
        u"Arena",
        [&](CAutoSwitchWnd& window) {
            EXPECT_EQ(Rows(window, "list_rules"), std::vector<QString>{"quake3"});
            EXPECT_EQ(Note(window), Text("autoswitch_problem_text").arg(3));
            EXPECT_FALSE(window.AddProgram("steam"));
            EXPECT_FALSE(
                window.GetPaintManager().FindControl(QStringLiteral("btn_rule_add"))->IsEnabled());
        },
        &watch);
    EXPECT_FALSE(changed);
    EXPECT_EQ(RulesFile(temp.Data()), before);

    std::filesystem::remove(AppRulesPath(temp.Data()));
    Run(
        u"Arena",
        [&](CAutoSwitchWnd& window) {
            EXPECT_EQ(Note(window), Text("autoswitch_unseen_text"));
            EXPECT_FALSE(
                window.GetPaintManager().FindControl(QStringLiteral("btn_rule_pick"))->IsEnabled());
            EXPECT_TRUE(window.AddProgram("quake3"));
        },
        nullptr);
    EXPECT_EQ(RulesFile(temp.Data()), std::string(kAppRulesHeader) + "\nquake3 = Arena\n");
}

} // namespace
} // namespace kestrin
