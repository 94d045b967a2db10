#include "device/AppliedStore.h"

#include <algorithm>
#include <memory>

namespace kestrin {

SaveResult SaveAppliedStore(const std::string& dataFolder, std::mutex& mutex,
    const ProfileList& list, const ProfileStoreHeader& header, const ProfileRecord* source,
    const ProfileRecord& written, const std::function<void(ProfileRecord&)>& amend)
{
    return SaveProfileStoreCopy(
        dataFolder, mutex, [&](ProfileList& copy, ProfileStoreHeader& headerCopy) {
            copy.reserve(list.size());
            for (const auto& profile : list) {
                // A profile deleted during the apply may have its address reused by a new one;
                // the name, unique in the list, tells them apart. A packed profile is none the
                // page has reached into, so not the source.
                const bool applied = !profile.IsPacked() && profile.get() == source &&
                    std::ranges::equal(profile.NameField(), written.name);
                if (!applied) {
                    copy.push_back(profile.PackedCopy());
                    continue;
                }
                auto record = std::make_unique<ProfileRecord>(written);
                if (amend)
                    amend(*record);
                copy.push_back(StoredProfile::Packed(*record));
            }
            headerCopy = header;
            return true;
        });
}

} // namespace kestrin
