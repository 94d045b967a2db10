// Names come from files as raw UTF-16 fields of any content: reading, comparing, storing and
// suffixing them must stay inside their fields whatever the bytes are.
#include "base/RecordNames.h"
#include "macros/MacroRecord.h"
#include "patterns/GunRecord.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace kestrin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MacroList macros;
    GunList guns;
    std::size_t offset = 0;
    while (offset + sizeof(MacroRecord) <= size && macros.size() < 8) {
        macros.push_back(std::make_unique<MacroRecord>());
        std::memcpy(macros.back().get(), data + offset, sizeof(MacroRecord));
        guns.push_back(std::make_unique<GunRecord>());
        std::memcpy(guns.back()->name, data + offset, sizeof(GunRecord::name));
        offset += sizeof(MacroRecord);
    }
    std::u16string wanted;
    for (std::size_t i = offset; i + 1 < size; i += 2)
        wanted.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));

    const std::u16string macroName = MakeUniqueName(macros, wanted);
    if (macroName.size() > kNameCapacity<MacroRecord> || NameExistsInList(macros, macroName))
        std::abort();
    const std::u16string gunName = MakeUniqueName(guns, wanted);
    if (gunName.size() > kNameCapacity<GunRecord> || NameExistsInList(guns, gunName))
        std::abort();

    MacroRecord stored{};
    WriteName(stored.name, macroName);
    if (!NamesEqual(ReadName(stored.name), macroName))
        std::abort();
    (void)ToU16(ToUtf8(wanted));
    return 0;
}
