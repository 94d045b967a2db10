#pragma once

#include "platform/ActiveWindow.h"
#include "profiles/AutoSwitch.h"

#include <chrono>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QTimer;

namespace kestrin {

// Makes the profile of the program in front current: the window system's focus changes feed
// the decision, a settle timer asks it when a window has stayed, and a hold (a dialog open,
// edits not sent yet) keeps a switch back until it ends. Nothing runs while the focus stays.
class ProfileAutoSwitch {
public:
    struct Page {
        std::function<std::vector<std::string>()> profiles; // the names, as the list has them
        std::function<std::string()> current;               // the current profile's name
        std::function<bool()> held;
        std::function<bool(const std::string&)> use; // switch as the list does, for a rule
        // After a switch: the profile, and the program whose rule chose it (empty: the
        // profile the user chose, come back).
        std::function<void(const std::string& profile, const std::string& program)> switched;
    };

    // `watch` may be null where the session cannot tell which program is in front: then
    // nothing switches by itself. Rules are read from the data folder's file, and read again
    // when it changed.
    ProfileAutoSwitch(Page page, std::string dataFolder, std::unique_ptr<ActiveWindowWatch> watch,
        AutoSwitch::Time settle = AutoSwitch::kSettle);
    ~ProfileAutoSwitch();

    // What the focus did; the watch calls it, and so may a test.
    void FocusChanged(const SessionWindow& window);
    // The user made `profile` current: windows without a rule come back to it.
    void UserChose(const std::string& profile);
    void ProfileRenamed(const std::string& from, const std::string& to)
    {
        decision_.ProfileRenamed(from, to);
    }
    // Call when a dialog closed or edits were sent: a switch held back may go now.
    void HoldMayHaveEnded();
    // The rules file may have changed (the dialog saved it).
    void RulesEdited() { rulesStamp_ = {}; }

    ActiveWindowWatch* Watch() const { return watch_.get(); }
    // The program whose rule made the current profile current; empty when the user chose it.
    const std::string& RuleProgram() const { return ruleProgram_; }
    bool SettlePending() const;

private:
    void Settled();
    void Switch(const std::string& profile);
    void ReadRulesIfChanged();
    AutoSwitch::Time Now() const;

    Page page_;
    std::string dataFolder_;
    AutoSwitch decision_;
    AutoSwitch::Time settle_;
    std::unique_ptr<QTimer> timer_;
    std::unique_ptr<ActiveWindowWatch> watch_;
    struct Stamp {
        bool exists = false;
        std::timespec modified{};
        long long size = -1;
        bool operator==(const Stamp& other) const;
    };
    Stamp rulesStamp_;
    AppRules rules_;
    bool holding_ = false;
    std::string ruleProgram_;
    WindowProgram pending_; // the window in front, settling
    WindowProgram settled_; // the window the last decision was about
};

} // namespace kestrin
