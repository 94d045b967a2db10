#include "macros/MacroExchange.h"

#include "base/RecordNames.h"
#include "base/SafeFile.h"
#include "base/StoreFiles.h"
#include "base/Trace.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace kestrin {

MacroFileRead ParseMacroFile(std::span<const std::byte> bytes)
{
    if (bytes.size() != sizeof(MacroRecord))
        return MacroFileRead::Failed(FileError::WrongSize,
            std::to_string(bytes.size()) + " bytes, not " + std::to_string(sizeof(MacroRecord)));
    auto macro = std::make_unique_for_overwrite<MacroRecord>();
    std::memcpy(macro.get(), bytes.data(), sizeof(MacroRecord));
    const auto refused = [](std::string why) {
        return MacroFileRead::Failed(FileError::OutOfRange, std::move(why));
    };
    if (std::ranges::find(macro->name, u'\0') == std::end(macro->name))
        return refused("the name has no end inside its field");
    if (!IsNameText(macro->name))
        return refused("the name is not text");
    if (macro->actionCount < 0 || macro->actionCount > kMacroMaxActions)
        return refused("action count " + std::to_string(macro->actionCount) + " outside 0..46");
    const MacroAction* first = macro->actions;
    const MacroAction* end = first + macro->actionCount;
    if (std::any_of(
            first, end, [](const MacroAction& a) { return a.delay > kMacroMaxDelay; }))
        return refused("a delay beyond " + std::to_string(kMacroMaxDelay) + " ms");
    return MacroFileRead::Ok(std::move(macro));
}

MacroFileRead ReadMacroFile(const std::string& path)
{
    const auto refused = [&](MacroFileRead result) {
        Trace("macro file %s refused: %s\n", path.c_str(), result.error.c_str());
        return result;
    };
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (!error && size != sizeof(MacroRecord))
        return refused(MacroFileRead::Failed(FileError::WrongSize,
            std::to_string(size) + " bytes, not " + std::to_string(sizeof(MacroRecord))));
    const FileBytes file = ReadWholeFile(path, sizeof(MacroRecord));
    if (!file.ok())
        return refused(MacroFileRead::Failed(
            FileError::Unreadable, file.error.empty() ? "cannot be read" : file.error));
    MacroFileRead read = ParseMacroFile(file.value);
    return read.ok() ? std::move(read) : refused(std::move(read));
}

SaveResult WriteMacroFile(const std::string& path, const MacroRecord& macro)
{
    const ByteRun runs[] = {BytesOf(macro)};
    return WriteFileSafely(path, runs);
}

int ImportMacroRecord(std::unique_ptr<MacroRecord> imported, MacroList& macros)
{
    WriteName(imported->name, MakeUniqueName(macros, ReadName(imported->name)));
    macros.push_back(std::move(imported));
    return static_cast<int>(macros.size() - 1);
}

} // namespace kestrin
