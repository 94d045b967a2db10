#pragma once

namespace kestrin {

// When to warn of a wireless mouse's battery: at 15 % or less, and again at 5 % or less, each
// once per discharge. Charging ends a discharge; readings that wander about a threshold warn
// once.
class LowBatteryWatch final {
public:
    static constexpr int kLow = 15;
    static constexpr int kCritical = 5;

    // The level a percent falls in: kCritical, kLow or 0.
    static int LevelOf(int percent)
    {
        return percent <= kCritical ? kCritical : percent <= kLow ? kLow : 0;
    }

    // A reading as the page shows it: a percent (negative: none shown) or charging. Returns the
    // level to warn of now (kLow or kCritical), or 0.
    int Report(int percent, bool charging);
    // Low and not charging, as last reported.
    bool Low() const { return low_; }

private:
    int warned_ = 0; // the lowest level warned of in this discharge; 0: none yet
    bool low_ = false;
};

} // namespace kestrin
