#pragma once

#include "device/UnsavedStores.h"
#include "macros/MacroRecord.h"
#include "patterns/GunRecord.h"
#include "profiles/ProfileSection.h"
#include "profiles/ProfileStore.h"
#include "protocol/DownloadSlotTable.h"

#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
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

// The profiles, the macro and pattern libraries and the apply snapshot, shared by the UI thread
// and the worker. Every read and edit that may meet the worker's goes through the methods that
// take the lock: the UI thread's edits, the worker's copy at the start of an apply and its
// snapshot at the end.
class DeviceProfiles final {
public:
    DeviceProfiles();

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

    // Runs `fn` under the lock, returning what it returns.
    template <class Fn> decltype(auto) Edit(Fn&& fn)
    {
        std::lock_guard lock(mutex_);
        return fn();
    }
    // Runs `read` on the current profile under the lock; false before the stores are loaded.
    template <class Read> bool ReadCurrent(Read&& read)
    {
        std::lock_guard lock(mutex_);
        const ProfileRecord* profile = Current();
        if (!profile)
            return false;
        read(*profile);
        return true;
    }
    // Runs `edit` on the current profile under the lock; false before the stores are loaded.
    template <class Change> bool EditCurrent(Change&& edit)
    {
        std::lock_guard lock(mutex_);
        ProfileRecord* profile = Current();
        if (!profile)
            return false;
        edit(*profile);
        return true;
    }
    // As EditCurrent, only while `madeFor` is still the current profile: an edit asked for on
    // one profile (through a dialog the instance socket may have waited beside) never lands on
    // another. False when it did not run.
    template <class Change> bool EditCurrentIf(const ProfileRecord* madeFor, Change&& edit)
    {
        std::lock_guard lock(mutex_);
        ProfileRecord* profile = Current();
        if (!profile || profile != madeFor)
            return false;
        edit(*profile);
        return true;
    }

    // The current profile, or nullptr before the stores are loaded. Only inside Edit.
    ProfileRecord* Current();

    // What the profile operations work on, under this lock.
    ProfileSectionState SectionState();

    // Loads the three stores, drops button indexes that point outside the libraries and takes
    // the current profile as the snapshot. A store set right and kept aside as it was is saved
    // as it now is; what cannot be saved is left in `unsaved`.
    // Takes what ReadAhead read, when it was asked to.
    StartupLoadOutcome Load(std::u16string_view profileBase);
    // Reads the three stores from `dataFolder` on a thread of its own, for Load to take: at
    // start, a store of many profiles is read while the window is built.
    void ReadAhead(std::u16string profileBase);

    // A change the mouse made itself, made to the current profile and to the snapshot of what
    // the mouse holds, so that it is not sent back while edits not yet sent still go out.
    // False before the stores are loaded.
    bool TakeMouseChange(const std::function<void(ProfileRecord&)>& change);

    // The apply's three steps on the worker: the current profile and the snapshot copied at
    // its start (the profile copied, or nullptr when there is none), pro.data saved with what
    // it wrote (see SaveAppliedStore; MaySave is the caller's), and what it wrote taken as the
    // snapshot at its end.
    const ProfileRecord* CopyForApply(ProfileRecord& copy, ProfileRecord& snapshotCopy);
    SaveResult SaveApplied(const ProfileRecord* source, const ProfileRecord& written);
    void FinishApply(
        const ProfileRecord& written, const std::optional<DownloadSlotTable>& newSlotTable);

    // Saves pro.data; the disk write happens outside the lock. NotDone while saves are held.
    SaveResult StoreCurrent();

    // The stores holding changes no save has written: the outcome of every save is recorded
    // here (on the UI thread, which alone touches the libraries), and a failed repair at load.
    UnsavedStores unsaved;
    // Saves `store` as it now is and records the outcome.
    SaveResult SaveStore(StoreKind store);
    // Saves again every store that holds unsaved changes.
    void SaveUnsavedStores();

    // While set, pro.data is not written: a damaged store that could not be kept aside stays
    // as it was until the user has been told. A save refused meanwhile is remembered.
    std::atomic<bool> savesHeld{false};
    std::atomic<bool> saveRefusedWhileHeld{false};
    // False, remembering the refusal, while saves are held.
    bool MaySave();

private:
    struct StoresRead {
        ProfileList list;
        std::unique_ptr<ProfileStoreHeader> header;
        MacroList macros;
        GunList guns;
        StoreLoadReport profileReport;
        StoreLoadReport macroReport;
        StoreLoadReport gunReport;
    };
    // Touches nothing of this object: it may run on any thread.
    static StoresRead ReadStores(const std::string& dataFolder, std::u16string_view profileBase);

    void ReplayMouseChanges(const ProfileRecord* source, ProfileRecord& record) const;

    std::mutex mutex_;
    std::future<StoresRead> readAhead_;
    // While an apply runs (from its copy to its snapshot), the mouse's own changes with the
    // profile each was made to: the apply's save and snapshot put them back over its older
    // copy.
    bool applyRunning_ = false;
    std::vector<std::pair<const ProfileRecord*, std::function<void(ProfileRecord&)>>>
        mouseChangesSinceCopy_;
    const ProfileRecord* applying_ = nullptr; // the profile the running apply copied
};

} // namespace kestrin
