// The profile section of the device page: adding, choosing by name, and switching for the
// program in front.
#include "tests/page/SettingsPageFixture.h"

#include "page/ProfileAutoSwitch.h"
#include "profiles/AppRules.h"
#include "tests/support/TempFolder.h"

#include <filesystem>

namespace kestrin {
namespace {

// Answers the next name dialog with `name` once it shows.
void AnswerNameDialog(const QString& name)
{
    QTimer::singleShot(0, [name] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* edit = top->findChild<QLineEdit*>(QStringLiteral("edit_name"));
            auto* ok = top->findChild<QPushButton*>(QStringLiteral("btn_ok"));
            if (edit && ok && top->isVisible()) {
                edit->setText(name);
                ok->click();
                return;
            }
        }
        ADD_FAILURE() << "no name dialog";
    });
}

TEST_F(SettingsPageTest, AnAddedProfileBecomesCurrentSendsEverythingAndIsSelectedAfterARestart)
{
    StartMouse({vmouse::Link::Cable});
    OpenWindow();
    auto* list = As<CListUI>("ms_1_list_profile");
    ASSERT_EQ(list->GetCount(), 1);
    EXPECT_EQ(list->GetCurSel(), 0);
    SendEverythingFirst();
    EditProfile([](ProfileRecord& p) { p.reportRate = 0; });
    Page().RefreshSettingsControls();

    AnswerNameDialog(QStringLiteral("Arena"));
    Click("ms_1_profile_add_btn");
    ASSERT_EQ(list->GetCount(), 2);
    EXPECT_EQ(list->GetItemText(1), QStringLiteral("Arena"));
    EXPECT_EQ(list->GetCurSel(), 1);
    EXPECT_EQ(CurrentProfile().reportRate, 3);
    EXPECT_TRUE(As<COptionUI>("ms_1_btn_prate_4")->IsSelected());
    WaitForApply();
    const std::vector<std::string> log = Tell("log");
    ASSERT_GE(log.size(), 5u);
    EXPECT_EQ(log[0].rfind("cable 0c", 0), 0u);
    EXPECT_EQ(log[1], log[0]);
    for (const char* id : {"04", "05", "06", "08"})
        EXPECT_FALSE(ReportsWithId(id).empty()) << id;

    // The user picks the first row again, then the second: the apply saves the index.
    list->SelectItem(0);
    EXPECT_EQ(CurrentProfile().reportRate, 0);
    EXPECT_TRUE(As<COptionUI>("ms_1_btn_prate_1")->IsSelected());
    list->SelectItem(1);
    WaitForApply();

    window.reset();
    OpenWindow();
    list = As<CListUI>("ms_1_list_profile");
    ASSERT_EQ(list->GetCount(), 2);
    EXPECT_EQ(list->GetCurSel(), 1);
    EXPECT_EQ(ReadName(CurrentProfile().name), u"Arena");
}

// What kestrinctl asks through the instance socket: a profile by name, and word of the end of
// the applies it asked for, with how they ended.
TEST_F(SettingsPageTest, AProfileUsedByNameIsSelectedSentAndItsWaitEndsAfterTheApply)
{
    StartMouse({vmouse::Link::Cable});
    OpenWindow();
    auto* list = As<CListUI>("ms_1_list_profile");
    SendEverythingFirst();
    AnswerNameDialog(QStringLiteral("Arena"));
    Click("ms_1_profile_add_btn");
    WaitForApply();
    Tell("clear-log");

    std::optional<CMS_1_Page::ApplyOutcome> outcome;
    std::size_t loggedWhenDone = 0;
    const auto wait = [&] {
        outcome.reset();
        Page().WhenAppliesDone([&](CMS_1_Page::ApplyOutcome ended) {
            outcome = ended;
            loggedWhenDone = Tell("log").size();
        });
    };
    EXPECT_FALSE(Page().UseProfile(u"Nowhere"));
    ASSERT_TRUE(Page().UseProfile(u"PROFILE1")) << "names compare as the list compares them";
    wait();
    EXPECT_EQ(list->GetCurSel(), 0);
    EXPECT_EQ(ReadName(CurrentProfile().name), u"Profile1");
    ASSERT_TRUE(WaitFor([&] { return outcome.has_value(); }));
    EXPECT_EQ(*outcome, CMS_1_Page::ApplyOutcome::Taken);
    EXPECT_GE(loggedWhenDone, 5u) << "the wait ended before the full apply was written";
    EXPECT_EQ(ReadName(StoredCurrent()->name), u"Profile1");

    Tell("unplug cable");
    ASSERT_TRUE(WaitFor([&] { return Links().CableState.load() != kLinkConnected; }));
    ASSERT_TRUE(Page().UseProfile(u"Arena"));
    wait();
    ASSERT_TRUE(WaitFor([&] { return outcome.has_value(); }));
    EXPECT_EQ(*outcome, CMS_1_Page::ApplyOutcome::NoMouse);
    EXPECT_EQ(ReadName(StoredCurrent()->name), u"Arena") << "the switch is kept without a mouse";
}

// A program's rule makes its profile current as a pick in the list would, and the page says
// for which program; edits waiting to be sent hold a switch back; the user's own pick is what
// programs without a rule come back to.
TEST_F(SettingsPageTest, AProgramsRuleSwitchesAsAPickWouldAndTheUsersPickIsWhatComesBack)
{
    StartMouse({vmouse::Link::Cable});
    OpenWindow();
    SendEverythingFirst();
    AnswerNameDialog(QStringLiteral("Arena"));
    Click("ms_1_profile_add_btn");
    WaitForApply();
    auto* list = As<CListUI>("ms_1_list_profile");
    list->SelectItem(0);
    EditProfile([](ProfileRecord& p) { p.reportRate = 0; });
    WaitForApply();
    const std::string rules = std::string(kAppRulesHeader) + "\nquake3 = arena\n";
    std::filesystem::create_directories(folder.Data() + "ms_1");
    test::WriteBytes(AppRulesPath(folder.Data()), {rules.begin(), rules.end()});
    ProfileAutoSwitch* autoSwitch = Page().AutoSwitcher();
    ASSERT_NE(autoSwitch, nullptr);
    auto* told = As("ms_1_profile_auto_state");
    const auto program = [](const char* name) {
        SessionWindow window;
        window.program.instance = name;
        window.pid = 1;
        return window;
    };

    Tell("clear-log");
    autoSwitch->FocusChanged(program("quake3"));
    ASSERT_TRUE(WaitFor([&] { return list->GetCurSel() == 1; }));
    EXPECT_TRUE(told->IsVisible());
    EXPECT_TRUE(told->GetText().contains(QLatin1String("quake3")));
    EXPECT_EQ(ReadName(StoredCurrent()->name), u"Arena");
    WaitForApply();
    EXPECT_FALSE(Tell("log").empty()) << "the rule's profile was not sent";

    Page().RequestApply(60000); // an edit waiting out its debounce
    autoSwitch->FocusChanged(program("xterm"));
    QTest::qWait(900);
    EXPECT_EQ(list->GetCurSel(), 1);
    Expire(TIMER_APPLY_DEBOUNCE);
    ASSERT_TRUE(WaitFor([&] { return list->GetCurSel() == 0; }));
    EXPECT_FALSE(told->IsVisible());

    list->SelectItem(1);
    autoSwitch->FocusChanged(program("xterm"));
    QTest::qWait(900);
    EXPECT_EQ(list->GetCurSel(), 1);
}

} // namespace
} // namespace kestrin
