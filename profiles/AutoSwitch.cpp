#include "profiles/AutoSwitch.h"

#include "base/RecordNames.h"

#include <algorithm>

namespace kestrin {

AutoSwitch::AutoSwitch(
    AppRules rules, std::vector<std::string> profiles, std::string chosen, Time settle)
    : rules_(std::move(rules)), profiles_(std::move(profiles)), chosen_(std::move(chosen)),
      current_(chosen_), settle_(settle)
{
}

void AutoSwitch::SetRules(AppRules rules) { rules_ = std::move(rules); }

void AutoSwitch::SetProfiles(std::vector<std::string> profiles) { profiles_ = std::move(profiles); }

bool AutoSwitch::Exists(const std::string& profile) const
{
    const std::u16string wanted = ToU16(profile);
    return std::ranges::any_of(
        profiles_, [&](const std::string& name) { return NamesEqual(ToU16(name), wanted); });
}

void AutoSwitch::FocusChanged(const WindowProgram& window, Time now)
{
    // Alt-tabbing past a window starts the wait over: only where focus stays counts.
    pending_ = window;
    since_ = now;
}

std::optional<std::string> AutoSwitch::Elapsed(Time now) { return Decide(now); }

void AutoSwitch::UserChose(const std::string& profile)
{
    // The user's own choice outranks a switch still waiting.
    chosen_ = profile;
    current_ = profile;
    pending_.reset();
    heldBack_.reset();
}

void AutoSwitch::ProfileRenamed(const std::string& from, const std::string& to)
{
    const std::u16string old = ToU16(from);
    for (std::string* name : {&chosen_, &current_})
        if (NamesEqual(ToU16(*name), old))
            *name = to;
    if (heldBack_ && NamesEqual(ToU16(*heldBack_), old))
        heldBack_ = to;
}

void AutoSwitch::HoldBegan() { held_ = true; }

std::optional<std::string> AutoSwitch::HoldEnded(Time now)
{
    held_ = false;
    if (auto decided = Decide(now))
        return decided;
    if (pending_) {
        // A newer window is still settling: it decides, not what the hold kept back.
        heldBack_.reset();
        return std::nullopt;
    }
    std::optional<std::string> wanted = std::exchange(heldBack_, std::nullopt);
    if (!wanted || NamesEqual(ToU16(*wanted), ToU16(current_)))
        return std::nullopt;
    current_ = *wanted;
    return wanted;
}

std::optional<std::string> AutoSwitch::Decide(Time now)
{
    if (!pending_ || now - since_ < settle_)
        return std::nullopt;
    const WindowProgram window = *std::exchange(pending_, std::nullopt);
    std::string wanted = chosen_;
    if (const AppRule* rule = FindAppRule(rules_, window))
        wanted = rule->profile;
    if (!Exists(wanted))
        return std::nullopt;
    if (held_) {
        heldBack_ = wanted;
        return std::nullopt;
    }
    heldBack_.reset();
    if (NamesEqual(ToU16(wanted), ToU16(current_)))
        return std::nullopt;
    current_ = wanted;
    return wanted;
}

} // namespace kestrin
