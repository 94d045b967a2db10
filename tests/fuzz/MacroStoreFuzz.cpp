// macro.data may hold anything: every record read has a count within its actions and a sound
// name, put on a button it passes the profile's range check, and a button linked to any of them
// re-links to that record.
#include "macros/MacroStore.h"
#include "profiles/ButtonRelink.h"
#include "profiles/ProfileRanges.h"
#include "tests/fuzz/StoreCheck.h"

#include <cstdint>

using namespace kestrin;
using kestrin::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MacroList list;
    StoreLoadReport report;
    ParseMacroStore(std::as_bytes(std::span(data, size)), list, report);
    Require(list.size() == size / sizeof(MacroRecord));
    Require(report.droppedTailBytes == size % sizeof(MacroRecord));
    kestrin::fuzz::RequireNamesSound(list);
    for (const auto& macro : list) {
        Require(macro->actionCount >= 0 && macro->actionCount <= kMacroMaxActions);
        auto profile = NewProfileRecord(u"q");
        profile->buttons[1].functionCode = kFunctionMacro;
        CopyMacroIntoSlot(profile->buttons[1], *macro, 0);
        Require(!SettingOutOfRange(*profile));
    }

    ProfileList profiles;
    profiles.push_back(NewProfileRecord(u"p"));
    for (std::size_t i = 0; i < list.size() && i < kButtonCount; ++i) {
        ButtonSlot& slot = profiles[0]->buttons[i];
        slot.functionCode = kFunctionMacro;
        CopyMacroIntoSlot(slot, *list[i], static_cast<int>(i));
    }
    ResyncButtonAssignments(profiles, list, {}, profiles[0].get());
    for (std::size_t i = 0; i < list.size() && i < kButtonCount; ++i) {
        const ButtonSlot& slot = profiles[0]->buttons[i];
        if (!ReadName(list[i]->name).empty())
            Require(
                slot.functionCode == kFunctionMacro && slot.macroIndex == static_cast<int32_t>(i));
    }
    return 0;
}
