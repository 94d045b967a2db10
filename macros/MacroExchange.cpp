#include "macros/MacroExchange.h"

#include "base/RecordFile.h"

#include <algorithm>

namespace kestrin {

MacroFileRead ParseMacroFile(std::span<const std::byte> bytes)
{
    MacroFileRead read = RecordFromBytes<MacroRecord>(bytes);
    if (!read.ok())
        return read;
    MacroRecord& macro = *read.value.record;
    const auto refused = [](std::string why) {
        return MacroFileRead::Failed(FileError::OutOfRange, std::move(why));
    };
    if (std::ranges::find(macro.name, u'\0') == std::end(macro.name))
        return refused("the name has no end inside its field");
    if (macro.actionCount < 0 || macro.actionCount > kMacroMaxActions)
        return refused("action count " + std::to_string(macro.actionCount) + " outside 0..46");
    if (auto foreign =
            ForeignMacroAction(std::span(macro.actions).first(std::size_t(macro.actionCount))))
        return refused(std::move(*foreign));
    SetFileNameRight(macro.name);
    read.value.held = HoldDelaysInRange(macro);
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

int ImportMacroRecord(
    std::unique_ptr<MacroRecord> imported, MacroList& macros, std::u16string_view baseText)
{
    return AppendUnderFreeName(std::move(imported), macros, baseText);
}

} // namespace kestrin
