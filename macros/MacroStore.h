#pragma once

#include "base/SafeFile.h"
#include "base/StoreFiles.h"
#include "macros/MacroRecord.h"

#include <span>
#include <string>
#include <string_view>

namespace kestrin {

// Reads the bytes of a macro.data into `list`: every whole record, each name terminated and
// unique, each action count within 0..46, each action one the editor makes (an action of a key
// code no key has dropped, another kind a release) and its pauses held as a macro file's are. A
// partial record at the end is dropped.
void ParseMacroStore(std::span<const std::byte> bytes, MacroList& list, StoreLoadReport& report);

// Fills `list` from macro.data of `dataFolder`; a missing store is an empty library.
StoreLoadReport LoadMacroStore(const std::string& dataFolder, MacroList& list);

// Writes every macro as one new macro.data; serialised, and a failure keeps the old file.
SaveResult SaveMacroStore(const std::string& dataFolder, const MacroList& list);

// Appends an empty macro named `baseText` + (list length + 1), made unique, and saves the
// store; `saved`, when given, receives the outcome of that save.
MacroRecord& CreateMacro(const std::string& dataFolder, MacroList& list,
    std::u16string_view baseText, SaveResult* saved = nullptr);

} // namespace kestrin
