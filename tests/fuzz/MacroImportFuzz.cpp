// A macro file may hold anything: what the reader takes is one macro whose name ends in its
// field and is text, whose count lies in 0..46 and whose delays the editor could have set, and
// it joins a library under a name, never empty, that no other macro has.
#include "macros/MacroExchange.h"
#include "tests/fuzz/StoreCheck.h"

#include <cstdint>

using namespace kestrin;
using kestrin::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MacroFileRead read = ParseMacroFile(std::as_bytes(std::span(data, size)));
    if (!read.ok()) {
        Require(read.value.record == nullptr);
        return 0;
    }
    const MacroRecord& macro = *read.value.record;
    Require(kestrin::fuzz::Terminated(macro.name) && IsNameText(macro.name));
    Require(macro.actionCount >= 0 && macro.actionCount <= kMacroMaxActions);
    for (int i = 0; i < macro.actionCount; ++i)
        Require(macro.actions[i].delay <= kMacroMaxDelay);

    MacroList macros;
    auto same = std::make_unique<MacroRecord>(macro);
    macros.push_back(std::move(same));
    const int index = ImportMacroRecord(std::move(read.value.record), macros, u"Macro");
    Require(!ReadName(macros[std::size_t(index)]->name).empty());
    kestrin::fuzz::RequireNamesSound(macros);
    return 0;
}
