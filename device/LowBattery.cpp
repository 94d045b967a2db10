#include "device/LowBattery.h"

namespace kestrin {

int LowBatteryWatch::Report(int percent, bool charging)
{
    if (charging) {
        warned_ = 0;
        low_ = false;
        return 0;
    }
    if (percent < 0 || percent > 100)
        return 0;
    low_ = LevelOf(percent) != 0;
    const int level = LevelOf(percent);
    if (level == 0 || (warned_ != 0 && warned_ <= level))
        return 0;
    warned_ = level;
    return level;
}

} // namespace kestrin
