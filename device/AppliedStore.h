#pragma once

#include "profiles/ProfileStore.h"

#include <functional>
#include <mutex>
#include <string>

namespace kestrin {

// Saves pro.data as the page holds it, except that the profile `source` carries `written`:
// the values an apply sent, though the user may have edited the profile since. When `source`
// is no longer in the list, or was renamed meanwhile, the page's own values are saved.
//
// `amend`, when given, runs on the copy of `written` under `mutex`: the page puts back what the
// mouse changed itself during the apply, which the file must keep.
//
// The list and header are copied under `mutex` and written after it is released, so the UI
// thread waits for a memory copy at most, never for the disk; saves land in copy order.
SaveResult SaveAppliedStore(const std::string& dataFolder, std::mutex& mutex,
    const ProfileList& list, const ProfileStoreHeader& header, const ProfileRecord* source,
    const ProfileRecord& written, const std::function<void(ProfileRecord&)>& amend = {});

} // namespace kestrin
