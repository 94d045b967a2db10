// Whatever a macro, pattern or profile file or store holds, every record its reader takes goes
// to the mouse as reports the mouse takes (the virtual mouse's independent reading of them), and
// the mouse reads back every action and shot the record holds: a key code that is another
// entry's code would turn an action into a pause, a move or a link.
#include "macros/MacroExchange.h"
#include "macros/MacroStore.h"
#include "patterns/GunExchange.h"
#include "patterns/GunStore.h"
#include "profiles/ButtonRelink.h"
#include "profiles/ProfileExchange.h"
#include "profiles/ProfileStore.h"
#include "protocol/ApplyPlan.h"
#include "tests/fuzz/StoreCheck.h"
#include "tools/virtualmouse/MouseReports.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

using namespace kestrin;
using kestrin::fuzz::Require;

namespace {

// Entry codes the mouse reads as something other than a key action.
constexpr uint8_t kPauseCode = 0x00, kLongDelayCode = 0x03, kMoveCode = 0xF6, kLinkCode = 0xFE;

struct PlayedBack {
    int keyActions = 0;
    int moves = 0;
};

// What the mouse holds from `slot` on, following its links.
PlayedBack ReadBack(const vmouse::MouseState& mouse, uint8_t slot)
{
    PlayedBack played;
    for (int hops = 0; hops < 256; ++hops) {
        const auto download = mouse.downloads.find(slot);
        Require(download != mouse.downloads.end());
        bool linked = false;
        const auto& entries = download->second.entries;
        for (std::size_t e = 0; e < entries.size(); ++e) {
            const uint8_t code = entries[e].second;
            if (code == kMoveCode) {
                ++played.moves;
                e += 2;
            } else if (code == kLinkCode) {
                linked = true;
            } else if (code != kPauseCode && code != kLongDelayCode) {
                ++played.keyActions;
            }
        }
        if (!linked)
            return played;
        ++slot;
    }
    Require(false);
    return played;
}

// Sends the whole profile to a fresh mouse: it must take every report and hold every action and
// shot of the macro and pattern buttons.
void RequireTakenWhole(const ProfileRecord& profile)
{
    const auto blank = std::make_unique<ProfileRecord>();
    const ApplyPlan plan = PlanApply(profile, *blank, true);
    vmouse::MouseState mouse;
    for (const Report& report : plan.reports)
        Require(vmouse::ApplyReport(report.data(), mouse).empty());
    Require(plan.slotTable.has_value());
    for (int k = 0; k < kButtonCount; ++k) {
        const ButtonSlot& slot = profile.buttons[k];
        const uint8_t first = (*plan.slotTable)[std::size_t(k)];
        if (slot.functionCode == kFunctionMacro && first != 0)
            Require(ReadBack(mouse, first).keyActions ==
                std::min<int>(slot.stepCount, kMacroMaxActions));
        if (slot.functionCode == kFunctionRecoilPattern && first != 0)
            Require(ReadBack(mouse, first).moves == std::min<int>(slot.stepCount, kGunMaxShots));
    }
}

// The records on buttons 2 to 18 as the assignment dialog puts them; button 1 stays the left
// click the mouse must keep.
template <class Records, class Assign> void RequireOnButtons(const Records& records, Assign assign)
{
    auto profile = NewProfileRecord(u"Fuzz");
    for (std::size_t i = 0; i < records.size() && i + 1 < std::size_t(kButtonCount); ++i)
        assign(profile->buttons[i + 1], *records[i], static_cast<int>(i));
    RequireTakenWhole(*profile);
}

void AssignMacro(ButtonSlot& slot, const MacroRecord& macro, int index)
{
    CopyMacroIntoSlot(slot, macro, index);
    slot.functionCode = kFunctionMacro;
}

void AssignGun(ButtonSlot& slot, const GunRecord& gun, int index)
{
    CopyGunIntoSlot(slot, gun, index);
    slot.playMode = kPatternPlayMode;
    slot.functionCode = kFunctionRecoilPattern;
}

// Short inputs reach whole records laid over them again and again.
std::vector<std::byte> Tiled(std::span<const std::byte> pattern, std::size_t size)
{
    std::vector<std::byte> bytes(size);
    if (!pattern.empty())
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = pattern[i % pattern.size()];
    return bytes;
}

// A file of one record, or a store of `records` and a tail of `tail` bytes, as its reader takes
// them, on the buttons.
template <class Record, class ParseFile, class List>
void RequireReadOnButtons(bool store, std::span<const std::byte> pattern, std::size_t records,
    std::size_t tail, ParseFile parseFile,
    void (*parseStore)(std::span<const std::byte>, List&, StoreLoadReport&),
    void (*assign)(ButtonSlot&, const Record&, int))
{
    if (!store) {
        auto read = parseFile(Tiled(pattern, sizeof(Record)));
        if (read.ok())
            RequireOnButtons(std::vector{read.value.record.get()}, assign);
        return;
    }
    List list;
    StoreLoadReport report;
    parseStore(Tiled(pattern, records * sizeof(Record) + tail), list, report);
    RequireOnButtons(list, assign);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;
    // The first byte picks the reader, the second how many records a store holds and whether a
    // partial one follows; the rest is laid over the records.
    const auto pattern = std::as_bytes(std::span(data + 2, size - 2));
    const std::size_t records = 1 + data[1] % 3;
    const std::size_t tail = data[1] & 0x80 ? data[1] : 0;
    switch (data[0] % 6) {
    case 0:
    case 1:
        RequireReadOnButtons(
            data[0] % 6 == 1, pattern, records, tail, ParseMacroFile, ParseMacroStore, AssignMacro);
        break;
    case 2:
    case 3:
        RequireReadOnButtons(
            data[0] % 6 == 3, pattern, records, tail, ParseGunFile, ParseGunStore, AssignGun);
        break;
    case 4: {
        ProfileFileRead read = ParseProfileFile(Tiled(pattern, sizeof(ProfileRecord)));
        if (!read.ok())
            break;
        ProfileList profiles;
        MacroList macros;
        const ProfileImport imported =
            ImportProfileRecord(std::move(read.value), profiles, macros, {});
        RequireTakenWhole(*profiles[std::size_t(imported.profileIndex)]);
        break;
    }
    default: {
        auto store =
            Tiled(pattern, kProfileStoreHeaderSize + records * sizeof(ProfileRecord) + tail);
        ProfileList profiles;
        auto header = std::make_unique<ProfileStoreHeader>();
        StoreLoadReport report;
        if (!ParseProfileStore(store, profiles, *header, report))
            break;
        auto record = std::make_unique<ProfileRecord>();
        for (const StoredProfile& profile : profiles) {
            profile.CopyTo(*record);
            RequireTakenWhole(*record);
        }
    }
    }
    return 0;
}
