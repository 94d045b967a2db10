#pragma once

#include "macros/MacroRecord.h"
#include "patterns/GunRecord.h"
#include "profiles/ProfileStore.h"
#include "protocol/DownloadSlotTable.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrin {

// What a start-up load found of each store: damaged (set right or moved aside), and whether the
// damaged file is kept beside it as it was.
struct StoreOutcome {
    bool damaged = false;
    bool keptAside = false;
};
struct StartupLoadOutcome {
    StoreOutcome profiles;
    StoreOutcome macros;
    StoreOutcome guns;
};

// The device page's profiles, macro and pattern libraries and the apply snapshot. `mutex`
// guards every read and edit of them that may meet the worker's: the UI thread's edits, the
// worker's copy at the start of an apply and its snapshot at the end.
struct PageProfiles {
    PageProfiles();

    std::mutex mutex;
    std::string dataFolder; // ends with '/'
    ProfileList list;
    std::unique_ptr<ProfileStoreHeader> header;
    MacroList macros;
    GunList guns;
    // The profile at the header's current index, while the stores are loaded.
    ProfileRecord* current = nullptr;
    std::unique_ptr<ProfileRecord> snapshot;
    DownloadSlotTable slotTable{};
    bool loaded = false;

    // The current profile, or nullptr before the stores are loaded. Hold `mutex`.
    ProfileRecord* Current();

    // Loads the three stores, drops button indexes that point outside the libraries and takes
    // the current profile as the snapshot.
    StartupLoadOutcome Load(std::u16string_view profileBase);

    // A change the mouse made itself, made to the current profile and to the snapshot of what
    // the mouse holds, so that it is not sent back while edits not yet sent still go out.
    // False before the stores are loaded.
    bool TakeMouseChange(const std::function<void(ProfileRecord&)>& change);

    // While an apply runs (from its copy to its snapshot), the mouse's own changes with the
    // profile each was made to: the apply's save and snapshot put them back over its older
    // copy. Under `mutex`.
    bool applyRunning = false;
    std::vector<std::pair<const ProfileRecord*, std::function<void(ProfileRecord&)>>>
        mouseChangesSinceCopy;
    void ReplayMouseChanges(const ProfileRecord* source, ProfileRecord& record) const;

    // Saves pro.data; the disk write happens outside the lock. NotDone while saves are held.
    SaveResult StoreCurrent();

    // While set, pro.data is not written: a damaged store that could not be kept aside stays
    // as it was until the user has been told. A save refused meanwhile is remembered.
    std::atomic<bool> savesHeld{false};
    std::atomic<bool> saveRefusedWhileHeld{false};
    // False, remembering the refusal, while saves are held.
    bool MaySave();
};

} // namespace kestrin
