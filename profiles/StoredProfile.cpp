#include "profiles/StoredProfile.h"

#include "base/ZeroRuns.h"

#include <cstring>

namespace kestrin {
namespace {

constexpr std::size_t kNameBytes = sizeof(ProfileRecord::name);

std::span<const std::byte> RestOf(const ProfileRecord& record)
{
    return std::as_bytes(std::span<const ProfileRecord, 1>(&record, 1)).subspan(kNameBytes);
}

} // namespace

StoredProfile::StoredProfile(std::unique_ptr<ProfileRecord> record) : record_(record.release()) { }

StoredProfile::StoredProfile(StoredProfile&& other) noexcept
    : record_(other.record_.exchange(nullptr)), name_(other.name_), rest_(std::move(other.rest_))
{
    other.rest_.clear();
}

StoredProfile& StoredProfile::operator=(StoredProfile&& other) noexcept
{
    if (this != &other) {
        delete record_.exchange(other.record_.exchange(nullptr));
        name_ = other.name_;
        rest_ = std::move(other.rest_);
        other.rest_.clear();
    }
    return *this;
}

StoredProfile::~StoredProfile() { delete record_.load(); }

StoredProfile StoredProfile::Packed(const ProfileRecord& record)
{
    StoredProfile packed;
    std::memcpy(packed.name_.data(), record.name, kNameBytes);
    packed.rest_ = PackZeroRuns(RestOf(record));
    return packed;
}

StoredProfile StoredProfile::PackedCopy() const
{
    if (const ProfileRecord* record = Unpacked())
        return Packed(*record);
    StoredProfile copy;
    copy.name_ = name_;
    copy.rest_ = rest_;
    return copy;
}

ProfileRecord* StoredProfile::get() const
{
    if (ProfileRecord* record = Unpacked())
        return record;
    if (rest_.empty())
        return nullptr;
    auto record = std::make_unique_for_overwrite<ProfileRecord>();
    CopyTo(*record);
    return Adopt(record);
}

ProfileRecord* StoredProfile::Adopt(std::unique_ptr<ProfileRecord>& record) const
{
    ProfileRecord* expected = nullptr;
    if (record_.compare_exchange_strong(expected, record.get(), std::memory_order_acq_rel))
        return record.release();
    return expected;
}

std::span<const char16_t, kProfileNameUnits> StoredProfile::NameField() const
{
    if (const ProfileRecord* record = Unpacked())
        return record->name;
    return name_;
}

void StoredProfile::CopyTo(ProfileRecord& out) const
{
    if (const ProfileRecord* record = Unpacked()) {
        std::memcpy(&out, record, sizeof out);
        return;
    }
    std::memcpy(out.name, name_.data(), kNameBytes);
    auto rest = std::as_writable_bytes(std::span<ProfileRecord, 1>(&out, 1)).subspan(kNameBytes);
    // Only this class packs, from a whole record: a mismatch here is a fault of ours.
    [[maybe_unused]] const bool whole = UnpackZeroRuns(rest_, rest);
}

bool StoredProfile::Update(const std::function<bool(ProfileRecord&)>& change)
{
    if (ProfileRecord* record = Unpacked())
        return change(*record);
    if (rest_.empty())
        return false;
    auto copy = std::make_unique_for_overwrite<ProfileRecord>();
    CopyTo(*copy);
    if (!change(*copy))
        return false;
    // A reader that unpacked meanwhile holds the same bytes as the copy had: change its record.
    if (ProfileRecord* kept = Adopt(copy); copy)
        change(*kept);
    return true;
}

} // namespace kestrin
