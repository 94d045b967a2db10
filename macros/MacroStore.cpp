#include "macros/MacroStore.h"

#include "base/RecordNameRules.h"
#include "base/RecordStore.h"

#include <algorithm>

namespace kestrin {
namespace {

// True for damage set right; a pause held to the most is a value the store may hold, not damage.
bool RepairMacro(MacroRecord& macro)
{
    bool repaired = MakeNameText(macro.name);
    if (macro.actionCount < 0 || macro.actionCount > kMacroMaxActions) {
        // Keeps the stored actions: a count cut to 46 loses nothing that was ever played.
        macro.actionCount = macro.actionCount < 0 ? 0 : kMacroMaxActions;
        repaired = true;
    }
    // An action whose key code no key has would reach the mouse as another entry: it goes. A
    // kind other than a press was always played as a release, and becomes one.
    const auto counted = std::span(macro.actions).first(std::size_t(macro.actionCount));
    const auto firstDropped = std::remove_if(counted.begin(), counted.end(),
        [](const MacroAction& action) { return !IsMacroKey(action.key); });
    if (firstDropped != counted.end()) {
        macro.actionCount -= static_cast<int32_t>(counted.end() - firstDropped);
        std::fill(firstDropped, counted.end(), MacroAction{});
        repaired = true;
    }
    for (MacroAction& action : counted.first(std::size_t(macro.actionCount))) {
        if (!IsMacroKind(action.kind)) {
            action.kind = uint8_t(MacroActionKind::Release);
            repaired = true;
        }
    }
    if (HoldDelaysInRange(macro))
        Trace("macro.data: pauses of a macro held to 1..%d ms and %d size units\n", kMacroMaxDelay,
            kMacroMaxSizeUnits);
    return repaired;
}

std::mutex saveMutex;

} // namespace

void ParseMacroStore(std::span<const std::byte> bytes, MacroList& list, StoreLoadReport& report)
{
    detail::ParseRecordStore(bytes, list, report, RepairMacro);
}

StoreLoadReport LoadMacroStore(const std::string& dataFolder, MacroList& list)
{
    return detail::LoadRecordStore(MacroStorePath(dataFolder), list, RepairMacro);
}

SaveResult SaveMacroStore(const std::string& dataFolder, const MacroList& list)
{
    return detail::SaveRecordStore(MacroStorePath(dataFolder), list, saveMutex);
}

MacroRecord& CreateMacro(
    const std::string& dataFolder, MacroList& list, std::u16string_view baseText, SaveResult* saved)
{
    auto macro = std::make_unique<MacroRecord>();
    WriteName(macro->name, DefaultRecordName(list, baseText));
    list.push_back(std::move(macro));
    SaveResult result = SaveMacroStore(dataFolder, list);
    if (saved)
        *saved = std::move(result);
    return *list.back();
}

} // namespace kestrin
