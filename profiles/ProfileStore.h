#pragma once

#include "base/SafeFile.h"
#include "base/StoreFiles.h"
#include "profiles/StoredProfile.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <string_view>

namespace kestrin {

inline constexpr std::size_t kProfileStoreHeaderSize = 208184;

// The block in front of the profiles in pro.data: the current index, then bytes that are
// carried from load to save without being interpreted.
struct ProfileStoreHeader {
    int32_t currentIndex;
    uint8_t carried[kProfileStoreHeaderSize - 4];
};

static_assert(sizeof(ProfileStoreHeader) == kProfileStoreHeaderSize);
static_assert(offsetof(ProfileStoreHeader, carried) == 4);
static_assert(std::is_trivially_copyable_v<ProfileStoreHeader>);

// The most steps a button with this function may claim: its copy's size for a macro or a
// pattern, no limit otherwise.
uint16_t StepLimit(uint8_t functionCode);

// Sets right what a damaged or foreign record may hold: names ended inside their fields and made
// of text, the profile's name unique among `earlier`, each macro or pattern button's step count
// within its copy, every setting inside its range. True when anything changed.
bool RepairProfile(ProfileRecord& profile, const ProfileList& earlier);

// Reads the bytes of a pro.data into `list` and `header` and sets right what the rest of the
// program relies on: every name terminated, profile names unique, the current index inside
// the list, the step count of each macro or pattern button within its copy. A partial record
// at the end is dropped. Returns false, leaving both untouched, when the bytes hold no whole
// profile.
bool ParseProfileStore(std::span<const std::byte> bytes, ProfileList& list,
    ProfileStoreHeader& header, StoreLoadReport& report);

// Fills `list` and `header` from pro.data of `dataFolder`. Afterwards the list holds at least
// one profile and the header's index lies inside it, whatever the file held: a missing store
// is made with one default profile named after `baseText` and saved; a store that cannot be
// read as a whole is first renamed aside, never overwritten.
StoreLoadReport LoadProfileStore(const std::string& dataFolder, ProfileList& list,
    ProfileStoreHeader& header, std::u16string_view baseText);

// Writes the header and every profile as one new pro.data. Saves from different threads are
// serialised; a failure leaves the previous file whole.
SaveResult SaveProfileStore(
    const std::string& dataFolder, const ProfileList& list, const ProfileStoreHeader& header);

// Saves what `copy` makes of a list that `listLock` guards; nothing is done (NotDone) when it
// returns false. The copy is made under `listLock`,
// and the save lock is taken before `listLock` is let go: saves from several threads reach the
// disk in the order of their copies, so an older copy never lands over a newer one, while
// `listLock` is never held during the write.
SaveResult SaveProfileStoreCopy(const std::string& dataFolder, std::mutex& listLock,
    const std::function<bool(ProfileList&, ProfileStoreHeader&)>& copy);

// Appends a profile with every default, named `baseText` + (list length + 1), made unique.
ProfileRecord& CreateDefaultProfile(ProfileList& list, std::u16string_view baseText);

} // namespace kestrin
