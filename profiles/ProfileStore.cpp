#include "profiles/ProfileStore.h"

#include "base/RecordNameRules.h"
#include "base/Trace.h"
#include "profiles/ProfileRanges.h"

#include <algorithm>
#include <cstring>
#include <mutex>
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

bool ParseProfileStore(std::span<const std::byte> bytes, ProfileList& list,
    ProfileStoreHeader& header, StoreLoadReport& report)
{
    constexpr std::size_t kRecord = sizeof(ProfileRecord);
    if (bytes.size() < kProfileStoreHeaderSize + kRecord)
        return false;
    const std::size_t body = bytes.size() - kProfileStoreHeaderSize;
    const std::size_t count = body / kRecord;
    report.droppedTailBytes = body % kRecord;

    ProfileList loaded;
    loaded.reserve(count);
    NameIndex names;
    const std::byte* next = bytes.data() + kProfileStoreHeaderSize;
    for (std::size_t i = 0; i < count; ++i, next += kRecord) {
        auto profile = std::make_unique_for_overwrite<ProfileRecord>();
        std::memcpy(profile.get(), next, kRecord);
        const bool repaired = RepairProfileFields(*profile);
        if (MakeNameUniqueIn(*profile, names) || repaired)
            ++report.repairedRecords;
        loaded.push_back(std::move(profile));
    }
    std::memcpy(&header, bytes.data(), kProfileStoreHeaderSize);
    if (header.currentIndex < 0 || static_cast<std::size_t>(header.currentIndex) >= count) {
        Trace("pro.data: current index %d outside %zu profiles, using 0\n",
            static_cast<int>(header.currentIndex), count);
        header.currentIndex = 0;
        report.indexReset = true;
    }
    list = std::move(loaded);
    return true;
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
    const FileBytes file =
        ReadWholeFile(path, kProfileStoreHeaderSize + kMaxStoreRecords * sizeof(ProfileRecord));
    list.clear();

    bool keepsOldFile = false; // a damaged store that could not be moved aside
    if (file.code == FileError::Missing || (file.ok() && file.value.empty())) {
        report.missing = true;
    } else if (file.ok() && ParseProfileStore(file.value, list, header, report)) {
        if (report.droppedTailBytes > 0)
            Trace("pro.data: %zu bytes of a partial profile at the end dropped\n",
                report.droppedTailBytes);
        // Kept as it was before anything set right is saved over it.
        if (report.Damaged())
            report.copiedAsideTo = CopyAside(path, file.value);
        return report;
    } else {
        report.readError = !file.ok()
            ? file.error
            : "holds no whole profile (" + std::to_string(file.value.size()) + " bytes)";
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
    std::vector<ByteRun> runs;
    runs.reserve(list.size() + 1);
    runs.push_back(BytesOf(header));
    for (const auto& profile : list)
        if (profile)
            runs.push_back(BytesOf(*profile));
    return WriteFileSafely(ProfileStorePath(dataFolder), runs);
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
