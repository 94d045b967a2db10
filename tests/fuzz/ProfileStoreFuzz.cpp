// pro.data may hold anything: whatever the bytes, a successful read keeps every promise the
// rest of the program relies on, and re-linking over what was read stays inside its fields.
#include "profiles/ButtonRelink.h"
#include "profiles/ProfileStore.h"
#include "tests/fuzz/StoreCheck.h"

#include <cstdint>
#include <cstring>

using namespace kestrin;
using kestrin::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 6)
        return 0;
    // A real store is at least a quarter megabyte: the input picks the index, the number of
    // records and a tail, and its remaining bytes are laid over the records again and again.
    const std::size_t records = data[4] % 3;
    const std::size_t tail = data[5] % 2 ? data[5] : 0;
    std::vector<std::byte> bytes(kProfileStoreHeaderSize + records * sizeof(ProfileRecord) + tail);
    std::memcpy(bytes.data(), data, 4);
    const uint8_t* pattern = data + 6;
    const std::size_t patternSize = size - 6;
    if (patternSize > 0)
        for (std::size_t i = kProfileStoreHeaderSize; i < bytes.size(); ++i)
            bytes[i] = std::byte{pattern[(i - kProfileStoreHeaderSize) % patternSize]};

    ProfileList list;
    auto header = std::make_unique<ProfileStoreHeader>();
    StoreLoadReport report;
    const bool read = ParseProfileStore(bytes, list, *header, report);
    Require(read == (records > 0));
    if (!read)
        return 0;
    Require(list.size() == records);
    Require(header->currentIndex >= 0 && static_cast<std::size_t>(header->currentIndex) < records);
    Require(report.droppedTailBytes == tail);
    kestrin::fuzz::RequireNamesSound(list);
    // Whatever a record holds, its packed form gives it back byte for byte.
    for (const auto& profile : list) {
        auto copy = std::make_unique<ProfileRecord>();
        StoredProfile::Packed(*profile).CopyTo(*copy);
        Require(std::memcmp(copy.get(), profile.get(), sizeof(ProfileRecord)) == 0);
    }
    for (const auto& profile : list)
        for (int k = 0; k < kButtonCount; ++k) {
            const ButtonSlot& slot = profile->buttons[k];
            Require(kestrin::fuzz::Terminated(slot.assignedName));
            if (slot.functionCode == kFunctionMacro)
                Require(slot.stepCount <= kMacroMaxActions);
            if (slot.functionCode == kFunctionRecoilPattern)
                Require(slot.stepCount <= kGunMaxShots);
        }

    // Libraries named like the slots, so that some links are found.
    MacroList macros;
    GunList guns;
    for (const auto& profile : list)
        for (int k = 0; k < kButtonCount; k += 3) {
            const std::u16string name = ReadName(profile->buttons[k].assignedName);
            if (!NameExistsInList(macros, name)) {
                macros.push_back(std::make_unique<MacroRecord>());
                WriteName(macros.back()->name, name);
                macros.back()->actionCount = kMacroMaxActions;
            }
            if (!NameExistsInList(guns, name))
                guns.push_back(NewGunRecord(name));
        }
    const ProfileRecord* current = list[static_cast<std::size_t>(header->currentIndex)].get();
    ResyncButtonAssignments(list, macros, guns, current);
    for (const auto& profile : list)
        for (int k = 0; k < kButtonCount; ++k) {
            const ButtonSlot& slot = profile->buttons[k];
            Require(kestrin::fuzz::Terminated(slot.assignedName));
            if (slot.functionCode == kFunctionMacro && slot.macroIndex >= 0)
                Require(static_cast<std::size_t>(slot.macroIndex) < macros.size());
            if (slot.functionCode == kFunctionRecoilPattern && slot.patternIndex >= 0)
                Require(static_cast<std::size_t>(slot.patternIndex) < guns.size());
        }
    return 0;
}
