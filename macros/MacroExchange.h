#pragma once

#include "base/FileResult.h"
#include "macros/MacroRecord.h"

#include <memory>
#include <span>
#include <string>

namespace kestrin {

// A *.macro file: one macro record, raw, nothing else.
inline constexpr const char* kMacroFileExtension = "macro";

using MacroFileRead = FileResult<std::unique_ptr<MacroRecord>>;

// Takes the bytes of a macro file: WrongSize unless exactly one record; OutOfRange when its
// name is not text ended inside its field, its action count lies outside 0..46 or a delay
// beyond the editor's most; else the record as it lies.
MacroFileRead ParseMacroFile(std::span<const std::byte> bytes);

// Reads a macro file as ParseMacroFile takes it; Unreadable when it cannot be read. A file of
// another size is refused before it is read: it may be anything, and large.
MacroFileRead ReadMacroFile(const std::string& path);

// Writes the macro as a file of its own, replacing an earlier one only once the new one is
// whole on disk.
SaveResult WriteMacroFile(const std::string& path, const MacroRecord& macro);

// Appends an imported macro under its own name, or the first free "%s_%d" when the library has
// it (without regard to case); returns its index.
int ImportMacroRecord(std::unique_ptr<MacroRecord> imported, MacroList& macros);

} // namespace kestrin
