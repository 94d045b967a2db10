#include "profiles/ProfileStore.h"

#include "base/RecordNameRules.h"
#include "base/RecordStore.h"
#include "base/Trace.h"
#include "profiles/ProfileRanges.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

namespace kestrin {
namespace {

std::mutex& ProfileSaveMutex()
{
    static std::mutex mutex;
    return mutex;
}

} // namespace

// The step count tells the report builder how much of the slot's copy to send.
uint16_t StepLimit(uint8_t functionCode)
{
    if (functionCode == kFunctionMacro)
        return kMacroMaxActions;
    if (functionCode == kFunctionRecoilPattern)
        return kGunMaxShots;
    return UINT16_MAX;
}

namespace {

// RepairProfile but for the name's uniqueness.
bool RepairProfileFields(ProfileRecord& profile)
{
    bool repaired = TerminateName(profile.name);
    for (int k = 0; k < kButtonCount; ++k) {
        ButtonSlot& slot = profile.buttons[k];
        repaired |= TerminateName(slot.assignedName);
        const uint16_t limit = StepLimit(slot.functionCode);
        if (slot.stepCount > limit) {
            slot.stepCount = limit;
            repaired = true;
        }
    }
    repaired |= HoldSettingsInRange(profile) > 0;
    return repaired;
}

} // namespace

bool RepairProfile(ProfileRecord& profile, const ProfileList& earlier)
{
    const bool repaired = RepairProfileFields(profile);
    // Last: the name may have changed above.
    return MakeNameUniqueAmong(profile, earlier) || repaired;
}

namespace {

// ParseProfileStore over any reader of the store's bytes (see ReadRecords).
template <class Read>
bool ReadProfileStore(Read&& read, std::size_t expectedCount, ProfileList& list,
    ProfileStoreHeader& header, StoreLoadReport& report)
{
    auto readHeader = std::make_unique_for_overwrite<ProfileStoreHeader>();
    if (read(std::as_writable_bytes(std::span<ProfileStoreHeader, 1>(readHeader.get(), 1))) <
        kProfileStoreHeaderSize)
        return false;
    StoreLoadReport readReport;
    ProfileList loaded;
    loaded.reserve(std::min(expectedCount, kMaxStoreRecords));
    // Profiles are kept packed as they are read, but for the current one, which the page opens
    // at once.
    detail::ReadRecordsInto<ProfileRecord>(read, readReport, RepairProfileFields,
        [&loaded, current = readHeader->currentIndex](std::unique_ptr<ProfileRecord>& record) {
            if (static_cast<int64_t>(loaded.size()) == current)
                loaded.emplace_back(std::move(record));
            else
                loaded.push_back(StoredProfile::Packed(*record));
        });
    if (loaded.empty())
        return false;
    if (readHeader->currentIndex < 0 ||
        static_cast<std::size_t>(readHeader->currentIndex) >= loaded.size()) {
        Trace("pro.data: current index %d outside %zu profiles, using 0\n",
            static_cast<int>(readHeader->currentIndex), loaded.size());
        readHeader->currentIndex = 0;
        readReport.indexReset = true;
    }
    header = *readHeader;
    list = std::move(loaded);
    report.droppedTailBytes = readReport.droppedTailBytes;
    report.repairedRecords += readReport.repairedRecords;
    report.indexReset = report.indexReset || readReport.indexReset;
    return true;
}

std::size_t ExpectedProfiles(std::size_t bytes)
{
    return bytes < kProfileStoreHeaderSize
        ? 0
        : (bytes - kProfileStoreHeaderSize) / sizeof(ProfileRecord);
}

} // namespace

bool ParseProfileStore(std::span<const std::byte> bytes, ProfileList& list,
    ProfileStoreHeader& header, StoreLoadReport& report)
{
    return ReadProfileStore(
        detail::SpanReader(bytes), ExpectedProfiles(bytes.size()), list, header, report);
}

ProfileRecord& CreateDefaultProfile(ProfileList& list, std::u16string_view baseText)
{
    list.push_back(NewProfileRecord(DefaultRecordName(list, baseText)));
    return *list.back();
}

StoreLoadReport LoadProfileStore(const std::string& dataFolder, ProfileList& list,
    ProfileStoreHeader& header, std::u16string_view baseText)
{
    StoreLoadReport report;
    const std::string path = ProfileStorePath(dataFolder);
    // Read straight into the list: a store of many profiles is never held twice.
    FileReader file(path, kProfileStoreHeaderSize + kMaxStoreRecords * sizeof(ProfileRecord));
    list.clear();
    const bool whole = file.Status().ok() &&
        ReadProfileStore([&file](std::span<std::byte> into) { return file.Read(into); },
            ExpectedProfiles(file.SizeAtOpen()), list, header, report) &&
        file.Status().ok();

    bool keepsOldFile = false; // a damaged store that could not be moved aside
    if (file.Status().code == FileError::Missing || (file.Status().ok() && file.BytesRead() == 0)) {
        report.missing = true;
    } else if (whole) {
        if (report.droppedTailBytes > 0)
            Trace("pro.data: %zu bytes of a partial profile at the end dropped\n",
                report.droppedTailBytes);
        // Kept as it was before anything set right is saved over it.
        if (report.Damaged()) {
            const FileBytes bytes = file.ReadAllFromStart();
            if (bytes.ok())
                report.copiedAsideTo = CopyAside(path, bytes.value);
        }
        return report;
    } else {
        // Nothing of a read that failed midway is kept.
        report = {};
        list.clear();
        report.readError = !file.Status().ok()
            ? file.Status().error
            : "holds no whole profile (" + std::to_string(file.BytesRead()) + " bytes)";
        Trace("pro.data cannot be read: %s\n", report.readError.c_str());
        report.movedAsideTo = MoveAside(path);
        keepsOldFile = report.movedAsideTo.empty();
    }

    std::memset(&header, 0, sizeof header);
    CreateDefaultProfile(list, baseText);
    report.createdFresh = true;
    if (keepsOldFile) {
        report.freshSave = SaveResult::Failed(
            FileError::WriteFailed, "the damaged store could not be moved aside");
        return report;
    }
    report.freshSave = SaveProfileStore(dataFolder, list, header);
    return report;
}

namespace {

// Hold the save lock.
SaveResult WriteProfileStore(
    const std::string& dataFolder, const ProfileList& list, const ProfileStoreHeader& header)
{
    // Packed profiles are written one after the other through one record's room.
    const auto unpacked = std::make_unique_for_overwrite<ProfileRecord>();
    bool headerWritten = false;
    auto next = list.begin();
    return WriteFileSafely(ProfileStorePath(dataFolder), [&]() -> ByteRun {
        if (!std::exchange(headerWritten, true))
            return BytesOf(header);
        while (next != list.end() && !*next)
            ++next;
        if (next == list.end())
            return {};
        const StoredProfile& profile = *next++;
        if (!profile.IsPacked())
            return BytesOf(*profile);
        profile.CopyTo(*unpacked);
        return BytesOf(*unpacked);
    });
}

} // namespace

SaveResult SaveProfileStore(
    const std::string& dataFolder, const ProfileList& list, const ProfileStoreHeader& header)
{
    std::lock_guard lock(ProfileSaveMutex());
    return WriteProfileStore(dataFolder, list, header);
}

SaveResult SaveProfileStoreCopy(const std::string& dataFolder, std::mutex& listLock,
    const std::function<bool(ProfileList&, ProfileStoreHeader&)>& copy)
{
    ProfileList list;
    auto header = std::make_unique<ProfileStoreHeader>();
    std::unique_lock listGuard(listLock);
    if (!copy(list, *header))
        return {};
    std::lock_guard saveGuard(ProfileSaveMutex());
    listGuard.unlock();
    return WriteProfileStore(dataFolder, list, *header);
}

} // namespace kestrin
