#include "profiles/AutoSwitch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrin {
namespace {

// One event and what the machine should answer: the profile to make current, or "" for none.
struct Step {
    enum Kind { Focus, Tick, Choose, Hold, Release } kind;
    int ms = 0;
    std::string name; // the window's class for Focus, the profile for Choose
    std::string expect;
};

struct Sequence {
    const char* what;
    std::vector<Step> steps;
};

Step Focus(int ms, std::string program) { return {Step::Focus, ms, std::move(program), ""}; }
Step Tick(int ms, std::string expect = "") { return {Step::Tick, ms, "", std::move(expect)}; }
Step Choose(std::string profile) { return {Step::Choose, 0, std::move(profile), ""}; }
Step Hold() { return {Step::Hold, 0, "", ""}; }
Step Release(int ms, std::string expect = "") { return {Step::Release, ms, "", std::move(expect)}; }

TEST(AutoSwitchTest, SwitchesOnlyForAProgramThatStaysInFrontAndNotWhileHeld)
{
    const Sequence sequences[] = {
        {"a game that stays in front, then a window without a rule",
            {Focus(0, "quake3"), Tick(599), Tick(600, "Shooter"), Tick(2000), Focus(3000, "xterm"),
                Tick(3600, "Desk")}},
        {"alt-tabbing past windows within the settle time",
            {Focus(0, "quake3"), Focus(300, "firefox"), Tick(600), Focus(700, "xterm"), Tick(1299),
                Tick(1300)}},
        {"passing the game on the way back to the first window",
            {Focus(0, "firefox"), Tick(600, "Web"), Focus(1000, "quake3"), Focus(1200, "firefox"),
                Tick(1800)}},
        {"the user's choice is where windows without a rule go back to",
            {Focus(0, "quake3"), Tick(600, "Shooter"), Choose("Other"), Focus(1000, "xterm"),
                Tick(1600), Focus(2000, "quake3"), Tick(2600, "Shooter"), Focus(3000, "xterm"),
                Tick(3600, "Other")}},
        {"a choice made while the game settles outranks it",
            {Focus(0, "quake3"), Choose("Other"), Tick(600)}},
        {"held: the latest wanted switch comes when the hold ends",
            {Hold(), Focus(0, "quake3"), Tick(600), Focus(700, "firefox"), Tick(1300),
                Release(2000, "Web")}},
        {"held: going back to the current profile means no switch at the end",
            {Hold(), Focus(0, "quake3"), Tick(600), Focus(700, "xterm"), Tick(1300),
                Release(2000)}},
        {"a hold ending while a window settles leaves the decision to it",
            {Hold(), Focus(0, "quake3"), Tick(600), Focus(700, "firefox"), Release(900), Tick(1299),
                Tick(1300, "Web")}},
        {"a hold ending after the settle time switches at once",
            {Hold(), Focus(0, "quake3"), Release(800, "Shooter"), Tick(1400)}},
        {"a rule whose profile is gone does nothing",
            {Focus(0, "firefox"), Tick(600, "Web"), Focus(1000, "doom"), Tick(1600),
                Focus(2000, "xterm"), Tick(2600, "Desk")}},
        {"the same profile again is no switch",
            {Focus(0, "quake3"), Tick(600, "Shooter"), Focus(700, "quake3-server"), Tick(1300)}},
    };
    const AppRules rules = ParseAppRules("kestrin-app-profiles 1\nquake3 = Shooter\n"
                                         "quake3-server = shooter\nfirefox = Web\ndoom = Gone\n")
                               .rules;
    for (const Sequence& sequence : sequences) {
        AutoSwitch machine(rules, {"Desk", "Shooter", "Web", "Other"}, "Desk");
        int index = 0;
        for (const Step& step : sequence.steps) {
            const AutoSwitch::Time now{step.ms};
            std::optional<std::string> answer;
            switch (step.kind) {
            case Step::Focus:
                machine.FocusChanged({step.name, step.name, ""}, now);
                break;
            case Step::Tick:
                answer = machine.Elapsed(now);
                break;
            case Step::Choose:
                machine.UserChose(step.name);
                break;
            case Step::Hold:
                machine.HoldBegan();
                break;
            case Step::Release:
                answer = machine.HoldEnded(now);
                break;
            }
            EXPECT_EQ(answer.value_or(""), step.expect)
                << sequence.what << ", step " << index << " at " << step.ms << " ms";
            if (answer) {
                EXPECT_EQ(machine.Current(), *answer) << sequence.what;
            }
            ++index;
        }
    }
}

TEST(AutoSwitchTest, FollowsNewRulesAndProfiles)
{
    // The profile chosen, renamed: windows without a rule come back to it by its new name.
    AutoSwitch renamed({}, {"Desk"}, "Desk", AutoSwitch::Time{100});
    renamed.SetProfiles({"Office"});
    renamed.ProfileRenamed("desk", "Office");
    renamed.FocusChanged({"xterm", "", ""}, AutoSwitch::Time{0});
    EXPECT_EQ(renamed.Elapsed(AutoSwitch::Time{100}), std::nullopt) << "it is current already";
    EXPECT_EQ(renamed.Current(), "Office");

    AutoSwitch machine({}, {"Desk"}, "Desk", AutoSwitch::Time{100});
    machine.FocusChanged({"quake3", "", ""}, AutoSwitch::Time{0});
    EXPECT_EQ(machine.Elapsed(AutoSwitch::Time{100}), std::nullopt) << "no rules yet";
    machine.SetRules(ParseAppRules("kestrin-app-profiles 1\nquake3 = Shooter\n").rules);
    machine.FocusChanged({"quake3", "", ""}, AutoSwitch::Time{200});
    EXPECT_EQ(machine.Elapsed(AutoSwitch::Time{300}), std::nullopt) << "no such profile yet";
    machine.SetProfiles({"Desk", "Shooter"});
    machine.FocusChanged({"quake3", "", ""}, AutoSwitch::Time{400});
    EXPECT_EQ(machine.Elapsed(AutoSwitch::Time{500}), "Shooter");
}

} // namespace
} // namespace kestrin
