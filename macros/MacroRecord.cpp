#include "macros/MacroRecord.h"

#include "base/Trace.h"
#include "keys/KeyTable.h"

#include <algorithm>
#include <cstdio>

namespace kestrin {
namespace {

int DelayUnits(int delay)
{
    if (delay <= kShortDelayMax)
        return 1;
    return delay % 200 > kShortDelayMax ? 3 : 2;
}

int SizeUnits(std::span<const MacroAction> actions)
{
    int total = 0;
    for (const MacroAction& action : actions)
        total += DelayUnits(action.delay);
    return total;
}

std::span<MacroAction> CountedActions(MacroRecord& macro)
{
    return std::span(macro.actions)
        .first(std::size_t(std::clamp(macro.actionCount, 0, kMacroMaxActions)));
}

} // namespace

int MacroSizeUnits(std::span<const MacroAction> actions, int actionCount)
{
    const int count = std::clamp(actionCount, 0, static_cast<int>(actions.size()));
    const int total = SizeUnits(actions.first(std::size_t(count)));
    Trace("iTotalNum = %d\r\n", total);
    return total;
}

bool IsMacroKey(uint8_t key)
{
    return (key >= kMouseLeftKey && key <= kMouseXButton1Key) || FindRowByUsage(key) != nullptr;
}

std::optional<std::string> ForeignMacroAction(std::span<const MacroAction> actions)
{
    for (std::size_t i = 0; i < actions.size(); ++i) {
        const MacroAction& action = actions[i];
        char what[96];
        if (!IsMacroKey(action.key))
            std::snprintf(what, sizeof what, "action %zu has key code %02x, which no key has",
                i + 1, action.key);
        else if (!IsMacroKind(action.kind))
            std::snprintf(what, sizeof what, "action %zu is of kind %d, not a press or release",
                i + 1, action.kind);
        else
            continue;
        return what;
    }
    return std::nullopt;
}

bool HoldDelaysInRange(std::span<MacroAction> actions)
{
    bool held = false;
    for (MacroAction& action : actions) {
        const auto delay = static_cast<uint16_t>(
            std::clamp<int>(action.delay, kMacroMinEditedDelay, kMacroMaxDelay));
        held |= delay != action.delay;
        action.delay = delay;
    }
    for (auto action = actions.rbegin();
         action != actions.rend() && SizeUnits(actions) > kMacroMaxSizeUnits; ++action) {
        if (action->delay > kShortDelayMax) {
            action->delay = kShortDelayMax;
            held = true;
        }
    }
    return held;
}

bool HoldDelaysInRange(MacroRecord& macro) { return HoldDelaysInRange(CountedActions(macro)); }

} // namespace kestrin
