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
                // the name, unique in the list, tells them apart.
                const bool applied = profile.get() == source &&
                    std::equal(std::begin(profile->name), std::end(profile->name),
                        std::begin(written.name));
                copy.push_back(std::make_unique<ProfileRecord>(applied ? written : *profile));
                if (applied && amend)
                    amend(*copy.back());
            }
            headerCopy = header;
            return true;
        });
}

} // namespace kestrin
