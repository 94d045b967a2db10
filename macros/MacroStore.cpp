#include "macros/MacroStore.h"

#include "base/RecordNameRules.h"
#include "base/RecordStore.h"

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
    // An action's kind travels as it is (anything but a press is sent as a release).
    if (HoldDelaysInRange(macro))
        Trace("macro.data: pauses of a macro held to %d ms\n", kMacroMaxDelay);
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
