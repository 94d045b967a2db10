#pragma once

#include "profiles/AppRules.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace kestrin {

// Decides when the program in front should make its profile current. Every event carries its
// time, so a caller's timer (and a test) drives it; it never switches by itself. An answer names
// the profile to make current; nothing means nothing to do.
class AutoSwitch {
public:
    using Time = std::chrono::milliseconds;
    static constexpr Time kSettle{600};

    // `chosen` is the profile the user chose last (the current one at start).
    AutoSwitch(AppRules rules, std::vector<std::string> profiles, std::string chosen,
        Time settle = kSettle);

    void SetRules(AppRules rules);
    // The profiles that exist; a rule naming another does nothing.
    void SetProfiles(std::vector<std::string> profiles);

    // Another window came to the front; nothing switches until it has stayed settle long.
    void FocusChanged(const WindowProgram& window, Time now);
    // Call when the settle time after a focus change may have passed (a timer's tick).
    std::optional<std::string> Elapsed(Time now);
    // The user made `profile` current: it is what windows without a rule go back to.
    void UserChose(const std::string& profile);
    // A profile was renamed: the choice and the current profile keep naming it.
    void ProfileRenamed(const std::string& from, const std::string& to);
    // A dialog or unapplied edits: no switch until the hold ends, then the latest wanted one.
    void HoldBegan();
    std::optional<std::string> HoldEnded(Time now);

    const std::string& Current() const { return current_; }
    // When the window in front will have settled; nothing when none is settling.
    std::optional<Time> DueAt() const
    {
        return pending_ ? std::optional<Time>(since_ + settle_) : std::nullopt;
    }

private:
    std::optional<std::string> Decide(Time now);
    bool Exists(const std::string& profile) const;

    AppRules rules_;
    std::vector<std::string> profiles_;
    std::string chosen_;
    std::string current_;
    Time settle_;
    // The window in front since `since`, not yet decided on.
    std::optional<WindowProgram> pending_;
    Time since_{0};
    // A settled switch that a hold kept back.
    std::optional<std::string> heldBack_;
    bool held_ = false;
};

} // namespace kestrin
