#include "device/LowBattery.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace kestrin {
namespace {

// Each reading (percent, charging) and the warning it must give.
struct Step {
    int percent;
    bool charging;
    int warns;
};

void Expect(const std::vector<Step>& steps)
{
    LowBatteryWatch watch;
    for (size_t i = 0; i < steps.size(); ++i) {
        const Step& step = steps[i];
        EXPECT_EQ(watch.Report(step.percent, step.charging), step.warns)
            << "step " << i << ": " << step.percent << (step.charging ? " % charging" : " %");
    }
}

TEST(LowBatteryWatch, WarnsOncePerLevelPerDischargeAndNeverWhileCharging)
{
    Expect({{50, false, 0}, {16, false, 0}, {15, false, 15}, {14, false, 0}, {16, false, 0},
        {15, false, 0}, {6, false, 0}, {5, false, 5}, {3, false, 0}, {5, false, 0}});
    // Charging ends the discharge: the next one warns again, at both levels.
    Expect({{12, false, 15}, {10, true, 0}, {4, true, 0}, {14, false, 15}, {5, false, 5}});
    // A first reading already critical warns once, of the critical level.
    Expect({{4, false, 5}, {12, false, 0}, {3, false, 0}});
    // Nothing shown, or a reading past 100, is no reading.
    Expect({{-1, false, 0}, {101, false, 0}, {200, false, 0}, {15, false, 15}});
}

TEST(LowBatteryWatch, IsLowWhileAtOrBelowFifteenAndNotCharging)
{
    LowBatteryWatch watch;
    watch.Report(15, false);
    EXPECT_TRUE(watch.Low());
    watch.Report(40, false);
    EXPECT_FALSE(watch.Low());
    watch.Report(3, false);
    EXPECT_TRUE(watch.Low());
    watch.Report(3, true);
    EXPECT_FALSE(watch.Low());
}

} // namespace
} // namespace kestrin
