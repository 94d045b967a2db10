#pragma once

#include "base/RecordNameRules.h"
#include "base/SafeFile.h"
#include "base/StoreFiles.h"
#include "base/Trace.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

// The framing shared by macro.data and gun.data: whole records one after the other, nothing
// before or after.
namespace kestrin::detail {

// `repair` sets right one record's own fields and returns true when it changed anything;
// names are then made unique among the records before it.
template <NamedRecord Record, class Repair>
void ParseRecordStore(std::span<const std::byte> bytes, std::vector<std::unique_ptr<Record>>& list,
    StoreLoadReport& report, Repair repair)
{
    const std::size_t count = bytes.size() / sizeof(Record);
    report.droppedTailBytes = bytes.size() % sizeof(Record);
    std::vector<std::unique_ptr<Record>> loaded;
    loaded.reserve(count);
    NameIndex names;
    for (std::size_t i = 0; i < count; ++i) {
        auto record = std::make_unique_for_overwrite<Record>();
        std::memcpy(record.get(), bytes.data() + i * sizeof(Record), sizeof(Record));
        bool repaired = TerminateName(record->name);
        repaired |= repair(*record);
        repaired |= MakeNameUniqueIn(*record, names);
        if (repaired)
            ++report.repairedRecords;
        loaded.push_back(std::move(record));
    }
    list = std::move(loaded);
}

// A missing store gives an empty list and is not created; one that exists but cannot be
// read is renamed aside first, and one read with repairs is copied aside, so that the next
// save cannot overwrite what the user had.
template <NamedRecord Record, class Repair>
StoreLoadReport LoadRecordStore(
    const std::string& path, std::vector<std::unique_ptr<Record>>& list, Repair repair)
{
    StoreLoadReport report;
    list.clear();
    const FileBytes file = ReadWholeFile(path, kMaxStoreRecords * sizeof(Record));
    if (file.code == FileError::Missing) {
        report.missing = true;
    } else if (!file.ok()) {
        report.readError = file.error;
        Trace("%s cannot be read: %s\n", path.c_str(), file.error.c_str());
        report.movedAsideTo = MoveAside(path);
    } else {
        report.missing = file.value.empty();
        ParseRecordStore(std::span<const std::byte>(file.value), list, report, repair);
        if (report.droppedTailBytes > 0)
            Trace("%s: %zu bytes of a partial record at the end dropped\n", path.c_str(),
                report.droppedTailBytes);
        // Kept as it was before anything set right is saved over it.
        if (report.Damaged())
            report.copiedAsideTo = CopyAside(path, file.value);
    }
    return report;
}

template <class Record>
SaveResult SaveRecordStore(
    const std::string& path, const std::vector<std::unique_ptr<Record>>& list, std::mutex& mutex)
{
    std::vector<ByteRun> runs;
    runs.reserve(list.size());
    for (const auto& record : list)
        if (record)
            runs.push_back(BytesOf(*record));
    std::lock_guard lock(mutex);
    return WriteFileSafely(path, runs);
}

} // namespace kestrin::detail
