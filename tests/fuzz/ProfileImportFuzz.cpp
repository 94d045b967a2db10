// An imported profile file may hold anything: whatever it holds, the profile and the macros it
// brings must keep every promise the rest of the program relies on. What the range check lets
// through must leave the store's repair nothing to do and put nothing on the wire that the mouse
// (the virtual mouse's independent reading of the reports) refuses.
#include "profiles/ProfileExchange.h"
#include "profiles/ProfileRanges.h"
#include "protocol/ApplyPlan.h"
#include "tools/virtualmouse/MouseReports.h"

#include "base/RecordNames.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace kestrin;

namespace {

void Check(bool holds)
{
    if (!holds)
        std::abort();
}

bool Terminated(std::span<const char16_t> field)
{
    return std::find(field.begin(), field.end(), u'\0') != field.end();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    // Inputs are short; laid over the record again and again they reach every button slot.
    auto record = std::make_unique<ProfileRecord>();
    auto* bytes = reinterpret_cast<uint8_t*>(record.get());
    for (std::size_t i = 0; i < sizeof(ProfileRecord); ++i)
        bytes[i] = data[i % size];

    // The check and the repair agree, and a record either lets through (the repaired one
    // always) reaches the mouse whole.
    {
        auto held = std::make_unique<ProfileRecord>(*record);
        Check(SettingOutOfRange(*record).has_value() == (HoldSettingsInRange(*held) > 0));
        Check(!SettingOutOfRange(*held));
        vmouse::MouseState mouse;
        const auto blank = std::make_unique<ProfileRecord>();
        for (const Report& report : PlanApply(*held, *blank, true).reports)
            Check(vmouse::ApplyReport(report.data(), mouse).empty());
    }

    ProfileList profiles;
    profiles.push_back(NewProfileRecord(u"Default"));
    MacroList macros;
    macros.push_back(std::make_unique<MacroRecord>());
    WriteName(macros[0]->name, u"Macro1");
    GunList guns;
    guns.push_back(NewGunRecord(u"Gun1"));

    const ProfileImport result = ImportProfileRecord(std::move(record), profiles, macros, guns);
    Check(result.profileIndex == 1 && profiles.size() == 2);
    const ProfileRecord& imported = *profiles[1];
    Check(Terminated(imported.name));
    Check(!NamesEqual(ReadName(imported.name), u"Default"));
    for (int k = 0; k < kButtonCount; ++k) {
        const ButtonSlot& slot = imported.buttons[k];
        Check(Terminated(slot.assignedName));
        Check(slot.macroIndex >= -1 && slot.macroIndex < static_cast<int>(macros.size()));
        Check(slot.patternIndex >= -1 && slot.patternIndex < static_cast<int>(guns.size()));
        if (slot.functionCode == kFunctionMacro)
            Check(slot.stepCount <= kMacroMaxActions && slot.macroIndex >= 0);
        if (slot.functionCode == kFunctionRecoilPattern)
            Check(slot.stepCount <= kGunMaxShots);
    }
    for (const auto& macro : macros) {
        Check(macro->actionCount >= 0 && macro->actionCount <= kMacroMaxActions);
        Check(Terminated(macro->name));
    }
    Check(static_cast<int>(macros.size()) == 1 + result.macrosAdded);
    return 0;
}
