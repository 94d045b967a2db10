#include "macros/MacroExchange.h"

#include "base/RecordFile.h"

#include <algorithm>

namespace kestrin {

MacroFileRead ParseMacroFile(std::span<const std::byte> bytes)
{
    MacroFileRead read = RecordFromBytes<MacroRecord>(bytes);
    if (!read.ok())
        return read;
    const MacroRecord& macro = *read.value;
    const auto refused = [](std::string why) {
        return MacroFileRead::Failed(FileError::OutOfRange, std::move(why));
    };
    if (std::ranges::find(macro.name, u'\0') == std::end(macro.name))
        return refused("the name has no end inside its field");
    if (!IsNameText(macro.name))
        return refused("the name is not text");
    if (macro.actionCount < 0 || macro.actionCount > kMacroMaxActions)
        return refused("action count " + std::to_string(macro.actionCount) + " outside 0..46");
    const MacroAction* first = macro.actions;
    const MacroAction* end = first + macro.actionCount;
    if (std::any_of(first, end, [](const MacroAction& a) { return a.delay > kMacroMaxDelay; }))
        return refused("a delay beyond " + std::to_string(kMacroMaxDelay) + " ms");
    return read;
}

MacroFileRead ReadMacroFile(const std::string& path)
{
    return ReadRecordFile<MacroRecord>(path, ParseMacroFile, "macro");
}

SaveResult WriteMacroFile(const std::string& path, const MacroRecord& macro)
{
    return WriteRecordFile(path, macro);
}

int ImportMacroRecord(std::unique_ptr<MacroRecord> imported, MacroList& macros)
{
    return AppendUnderFreeName(std::move(imported), macros);
}

} // namespace kestrin
