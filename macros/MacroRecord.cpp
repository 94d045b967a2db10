#include "macros/MacroRecord.h"

#include "base/Trace.h"

#include <algorithm>

namespace kestrin {

int MacroSizeUnits(std::span<const MacroAction> actions, int actionCount)
{
    const int count = std::clamp(actionCount, 0, static_cast<int>(actions.size()));
    int total = 0;
    for (int i = 0; i < count; ++i) {
        const int delay = actions[i].delay;
        if (delay <= 127)
            total += 1;
        else if (delay % 200 > 127)
            total += 3;
        else
            total += 2;
    }
    Trace("iTotalNum = %d\r\n", total);
    return total;
}

bool HoldDelaysInRange(MacroRecord& macro)
{
    bool held = false;
    const int count = std::clamp(macro.actionCount, 0, kMacroMaxActions);
    for (MacroAction& action : std::span(macro.actions).first(std::size_t(count))) {
        if (action.delay > kMacroMaxDelay) {
            action.delay = kMacroMaxDelay;
            held = true;
        }
    }
    return held;
}

} // namespace kestrin
