#pragma once

#include "profiles/ProfileRecord.h"
#include "protocol/DownloadSlotTable.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

namespace kestrin {

// One link's write: nonzero when the bytes went out. An empty writer is a link that cannot
// be written to and counts as a failed write.
using LinkWriter = std::function<int(std::span<const uint8_t> bytes)>;

// How the apply engine reaches the mouse: the cable and receiver SetFeature of their driver
// libraries, and the Bluetooth characteristic write, which the Bluetooth transport fills in.
struct LinkWriters {
    LinkWriter cable;
    LinkWriter receiver;
    LinkWriter bluetooth;
};

// What an apply on the worker needs of the device page. The engine calls these on the worker
// thread, one apply at a time.
class ApplyHost {
public:
    virtual ~ApplyHost() = default;

    // Window steps. The page posts each to the UI thread and returns at once; posted in call
    // order, they keep their order relative to each other and to the writes around them.
    virtual void StopReceiverWatchdog() = 0;
    virtual void ShowApplyRing() = 0;
    virtual void StartReceiverWatchdog() = 0; // 6000 ms, one-shot
    virtual void HideApplyRing() = 0;
    // After an apply, or a request with no mouse to take it: whether some change has not
    // reached the mouse yet.
    virtual void ShowUntakenChanges(bool untaken) = 0;

    // Under the lock the page takes for every edit of its profiles: copies the current profile
    // and the snapshot. Returns an identity of the profile copied, to hand back to
    // SaveAppliedProfiles, or nullptr when there is no current profile (nothing is applied).
    virtual const ProfileRecord* CopyForApply(ProfileRecord& current, ProfileRecord& snapshot) = 0;

    // Saves pro.data with `written` standing for the profile `source`, whatever the page holds
    // for it now, so that the file carries what was sent (SaveAppliedStore does this).
    virtual void SaveAppliedProfiles(const ProfileRecord* source, const ProfileRecord& written) = 0;

    // Under the page's lock: the snapshot becomes `written`; the download slot table becomes
    // `slotTable` when it holds one.
    virtual void FinishApply(
        const ProfileRecord& written, const std::optional<DownloadSlotTable>& slotTable) = 0;
};

} // namespace kestrin
