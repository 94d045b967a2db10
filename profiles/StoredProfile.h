#pragma once

#include "profiles/ProfileRecord.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace kestrin {

// One profile of the list. A record is 41636 bytes, nearly all of them reserved zeros, and a
// store may hold hundreds: a profile read from the store is kept packed (PackZeroRuns) until
// something reaches into its fields, and is unpacked then, once, to an address that stays
// until the profile leaves the list, since the page holds pointers to the current one. Its
// name is read without unpacking.
//
// Unpacking may happen on any thread that reads the list; it is safe beside other readers.
// Writers follow the list's own lock, as with any record.
class StoredProfile final {
public:
    using element_type = ProfileRecord;

    StoredProfile() = default;
    // Takes a record as it is made or imported, unpacked.
    StoredProfile(std::unique_ptr<ProfileRecord> record); // NOLINT: a list takes records as such
    StoredProfile(StoredProfile&& other) noexcept;
    StoredProfile& operator=(StoredProfile&& other) noexcept;
    StoredProfile(const StoredProfile&) = delete;
    StoredProfile& operator=(const StoredProfile&) = delete;
    ~StoredProfile();

    // A packed profile holding what `record` holds.
    static StoredProfile Packed(const ProfileRecord& record);
    // A packed copy of this profile as it is now; for copies that are only written out.
    StoredProfile PackedCopy() const;

    // The record, unpacked first when it is packed; null for an empty profile.
    ProfileRecord* get() const;
    ProfileRecord& operator*() const { return *get(); }
    ProfileRecord* operator->() const { return get(); }
    explicit operator bool() const { return Unpacked() != nullptr || !rest_.empty(); }

    bool IsPacked() const { return Unpacked() == nullptr && !rest_.empty(); }
    std::span<const char16_t, kProfileNameUnits> NameField() const;
    // Writes the record's bytes into `out` without unpacking this profile.
    void CopyTo(ProfileRecord& out) const;

    // Runs `change` on the record. A packed profile is changed on a copy, which it takes only
    // when `change` returns true; otherwise it stays packed. Returns what `change` returned.
    bool Update(const std::function<bool(ProfileRecord&)>& change);

private:
    ProfileRecord* Unpacked() const { return record_.load(std::memory_order_acquire); }
    // Takes `record` unless another thread unpacked first (`record` is then left as it was);
    // returns the record kept.
    ProfileRecord* Adopt(std::unique_ptr<ProfileRecord>& record) const;

    mutable std::atomic<ProfileRecord*> record_{nullptr};
    // The packed form, never changed once made: readers on other threads may be unpacking it.
    std::array<char16_t, kProfileNameUnits> name_{};
    std::vector<std::byte> rest_;
};

inline std::span<const char16_t> NameFieldOf(const StoredProfile& profile)
{
    return profile.NameField();
}

// The list order is the order of pro.data.
using ProfileList = std::vector<StoredProfile>;

} // namespace kestrin
