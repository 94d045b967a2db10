#pragma once

#include "base/FileResult.h"
#include "base/RecordFile.h"
#include "macros/MacroRecord.h"

#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace kestrin {

// A *.macro file: one macro record, raw, nothing else.
inline constexpr const char* kMacroFileExtension = "macro";

using MacroFileRead = FileResult<RecordFromFile<MacroRecord>>;

// Takes the bytes of a macro file, the record at their start: WrongSize when they are fewer;
// OutOfRange when its name has no end inside its field, its action count lies outside 0..46 or
// an action is none the editor makes (ForeignMacroAction). Otherwise the record, its pauses held
// to what the editor and the mouse take (`held` says so) and units of its name that no typed
// name holds set right.
MacroFileRead ParseMacroFile(std::span<const std::byte> bytes);

// Reads a macro file as ParseMacroFile takes it; Unreadable when it cannot be read.
MacroFileRead ReadMacroFile(const std::string& path);

// Writes the macro as a file of its own, replacing an earlier one only once the new one is
// whole on disk.
SaveResult WriteMacroFile(const std::string& path, const MacroRecord& macro);

// Appends an imported macro under its own name, or the first free "%s_%d" when the library has
// it (without regard to case); a macro without a name is named as a new one is, from
// `baseText`. Returns its index.
int ImportMacroRecord(
    std::unique_ptr<MacroRecord> imported, MacroList& macros, std::u16string_view baseText);

} // namespace kestrin
