#include "device/DeviceProfiles.h"

#include "device/AppliedStore.h"

#include "base/StoreFiles.h"
#include "base/Trace.h"
#include "macros/MacroStore.h"
#include "patterns/GunStore.h"
#include "profiles/ButtonRelink.h"

namespace kestrin {

DeviceProfiles::DeviceProfiles()
    : header(std::make_unique<ProfileStoreHeader>()), snapshot(std::make_unique<ProfileRecord>())
{
}

ProfileRecord* DeviceProfiles::Current() { return loaded ? current : nullptr; }

DeviceProfiles::StoresRead DeviceProfiles::ReadStores(
    const std::string& dataFolder, std::u16string_view profileBase)
{
    RemoveStaleStoreTempFiles(dataFolder);
    StoresRead read;
    read.header = std::make_unique<ProfileStoreHeader>();
    read.profileReport = LoadProfileStore(dataFolder, read.list, *read.header, profileBase);
    read.macroReport = LoadMacroStore(dataFolder, read.macros);
    read.gunReport = LoadGunStore(dataFolder, read.guns);
    for (auto& profile : read.list)
        profile.Update([&read](ProfileRecord& record) {
            return DropDanglingIndexes(record, read.macros, read.guns);
        });
    return read;
}

void DeviceProfiles::ReadAhead(std::u16string profileBase)
{
    readAhead_ = std::async(std::launch::async,
        [folder = dataFolder, base = std::move(profileBase)] { return ReadStores(folder, base); });
}

StartupLoadOutcome DeviceProfiles::Load(std::u16string_view profileBase)
{
    // Read outside the lock: nothing else touches the lists before `loaded` is set.
    StoresRead read = readAhead_.valid() ? readAhead_.get() : ReadStores(dataFolder, profileBase);
    ProfileList newList = std::move(read.list);
    auto newHeader = std::move(read.header);
    MacroList newMacros = std::move(read.macros);
    GunList newGuns = std::move(read.guns);
    const StoreLoadReport& profileReport = read.profileReport;
    const StoreLoadReport& macroReport = read.macroReport;
    const StoreLoadReport& gunReport = read.gunReport;
    const auto outcomeOf = [](const StoreLoadReport& report) {
        return StoreOutcome{report.Damaged(), report.KeptAside()};
    };
    StartupLoadOutcome outcome;
    outcome.profiles = outcomeOf(profileReport);
    outcome.macros = outcomeOf(macroReport);
    outcome.guns = outcomeOf(gunReport);
    // A fresh store that could not be saved is saved again later.
    unsaved.Record(StoreKind::Profiles, profileReport.freshSave);

    {
        std::lock_guard lock(mutex_);
        list = std::move(newList);
        header = std::move(newHeader);
        macros = std::move(newMacros);
        guns = std::move(newGuns);
        loaded = !list.empty();
        if (loaded) {
            // The store holds the index within the list; a damaged one was set back to 0.
            const auto index = static_cast<std::size_t>(header->currentIndex);
            current = list[index < list.size() ? index : 0].get();
            header->currentIndex = static_cast<int32_t>(index < list.size() ? index : 0);
            *snapshot = *current;
        }
    }
    // A store set right as it was read is saved as it now is once the file as it was is kept
    // aside, so that the next start neither warns again nor keeps another copy.
    const std::pair<StoreKind, const StoreLoadReport*> reports[] = {
        {StoreKind::Profiles, &profileReport}, {StoreKind::Macros, &macroReport},
        {StoreKind::Patterns, &gunReport}};
    for (const auto& [store, report] : reports)
        if (!report->copiedAsideTo.empty())
            SaveStore(store);
    return outcome;
}

bool DeviceProfiles::TakeMouseChange(const std::function<void(ProfileRecord&)>& change)
{
    std::lock_guard lock(mutex_);
    ProfileRecord* profile = Current();
    if (!profile)
        return false;
    change(*profile);
    change(*snapshot);
    if (applyRunning_)
        mouseChangesSinceCopy_.emplace_back(profile, change);
    return true;
}

void DeviceProfiles::ReplayMouseChanges(const ProfileRecord* source, ProfileRecord& record) const
{
    for (const auto& [profile, change] : mouseChangesSinceCopy_) {
        if (profile == source)
            change(record);
    }
}

ProfileSectionState DeviceProfiles::SectionState()
{
    return {list, *header, current, macros, guns, mutex_, dataFolder};
}

const ProfileRecord* DeviceProfiles::CopyForApply(ProfileRecord& copy, ProfileRecord& snapshotCopy)
{
    std::lock_guard lock(mutex_);
    const ProfileRecord* source = Current();
    if (!source)
        return nullptr;
    copy = *source;
    snapshotCopy = *snapshot;
    mouseChangesSinceCopy_.clear();
    applyRunning_ = true;
    applying_ = source;
    return source;
}

SaveResult DeviceProfiles::SaveApplied(const ProfileRecord* source, const ProfileRecord& written)
{
    return SaveAppliedStore(dataFolder, mutex_, list, *header, source, written,
        [&](ProfileRecord& saving) { ReplayMouseChanges(source, saving); });
}

void DeviceProfiles::FinishApply(
    const ProfileRecord& written, const std::optional<DownloadSlotTable>& newSlotTable)
{
    std::lock_guard lock(mutex_);
    *snapshot = written;
    ReplayMouseChanges(applying_, *snapshot);
    mouseChangesSinceCopy_.clear();
    applyRunning_ = false;
    if (newSlotTable)
        slotTable = *newSlotTable;
}

bool DeviceProfiles::MaySave()
{
    if (!savesHeld)
        return true;
    saveRefusedWhileHeld = true;
    return false;
}

SaveResult DeviceProfiles::StoreCurrent()
{
    if (!MaySave())
        return {};
    return SaveProfileStoreCopy(
        dataFolder, mutex_, [this](ProfileList& copy, ProfileStoreHeader& headerCopy) {
            if (!Current())
                return false;
            copy.reserve(list.size());
            for (const auto& profile : list)
                copy.push_back(profile.PackedCopy());
            headerCopy = *header;
            return true;
        });
}

SaveResult DeviceProfiles::SaveStore(StoreKind store)
{
    SaveResult result;
    switch (store) {
    case StoreKind::Profiles:
        result = StoreCurrent();
        break;
    case StoreKind::Macros:
        result = SaveMacroStore(dataFolder, macros);
        break;
    case StoreKind::Patterns:
        result = SaveGunStore(dataFolder, guns);
        break;
    }
    if (!result.ok() && result.code != FileError::NotDone)
        Trace("saving %s failed: %s\n", StorePath(store, dataFolder).c_str(), result.error.c_str());
    unsaved.Record(store, result);
    return result;
}

void DeviceProfiles::SaveUnsavedStores()
{
    for (const StoreKind store : kStoreKinds)
        if (unsaved.Holds(store))
            SaveStore(store);
}

} // namespace kestrin
