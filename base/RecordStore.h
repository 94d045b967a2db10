#pragma once

#include "base/RecordNameRules.h"
#include "base/SafeFile.h"
#include "base/StoreFiles.h"
#include "base/Trace.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

// The framing shared by macro.data and gun.data: whole records one after the other, nothing
// before or after.
namespace kestrin::detail {

// Hands out `bytes` front to back, as a FileReader hands out a file.
class SpanReader {
public:
    explicit SpanReader(std::span<const std::byte> bytes) : rest_(bytes) { }
    std::size_t operator()(std::span<std::byte> into)
    {
        const std::size_t size = std::min(into.size(), rest_.size());
        std::memcpy(into.data(), rest_.data(), size);
        rest_ = rest_.subspan(size);
        return size;
    }

private:
    std::span<const std::byte> rest_;
};

// Reads whole records from `read` (which fills the span it is given and returns how many bytes
// it gave, fewer only at the end) and hands each to `keep`, which appends it to its list in
// whatever form that list holds; the bytes of a partial record at the end go to the report.
// `fix` sets right one record's own fields and returns true when it changed anything; names are
// then made unique among the records before. A record `keep` leaves in place is read over next.
template <NamedRecord Record, class Read, class Fix, class Keep>
void ReadRecordsInto(Read&& read, StoreLoadReport& report, Fix&& fix, Keep&& keep)
{
    NameIndex names;
    std::unique_ptr<Record> record;
    for (;;) {
        if (!record)
            record = std::make_unique_for_overwrite<Record>();
        const std::size_t got = read(std::as_writable_bytes(std::span<Record, 1>(record.get(), 1)));
        if (got < sizeof(Record)) {
            report.droppedTailBytes = got;
            return;
        }
        const bool repaired = fix(*record);
        if (MakeNameUniqueIn(*record, names) || repaired)
            ++report.repairedRecords;
        keep(record);
    }
}

// ReadRecordsInto a list of the records themselves, each in its own block.
template <NamedRecord Record, class Read, class Fix>
std::vector<std::unique_ptr<Record>> ReadRecords(
    Read&& read, std::size_t expectedCount, StoreLoadReport& report, Fix&& fix)
{
    std::vector<std::unique_ptr<Record>> loaded;
    loaded.reserve(std::min(expectedCount, kMaxStoreRecords));
    ReadRecordsInto<Record>(std::forward<Read>(read), report, std::forward<Fix>(fix),
        [&loaded](std::unique_ptr<Record>& record) { loaded.push_back(std::move(record)); });
    return loaded;
}

// `repair` sets right one record's own fields and returns true when it changed anything;
// names are then made unique among the records before it.
template <NamedRecord Record, class Repair>
void ParseRecordStore(std::span<const std::byte> bytes, std::vector<std::unique_ptr<Record>>& list,
    StoreLoadReport& report, Repair repair)
{
    list = ReadRecords<Record>(
        SpanReader(bytes), bytes.size() / sizeof(Record), report, [&repair](Record& record) {
            const bool terminated = TerminateName(record.name);
            return repair(record) || terminated;
        });
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
    FileReader file(path, kMaxStoreRecords * sizeof(Record));
    StoreLoadReport read;
    std::vector<std::unique_ptr<Record>> loaded;
    if (file.Status().ok())
        loaded = ReadRecords<Record>([&file](std::span<std::byte> into) { return file.Read(into); },
            file.SizeAtOpen() / sizeof(Record), read,
            [&repair](Record& record) {
                const bool terminated = TerminateName(record.name);
                return repair(record) || terminated;
            });
    if (file.Status().code == FileError::Missing) {
        report.missing = true;
    } else if (!file.Status().ok()) {
        report.readError = file.Status().error;
        Trace("%s cannot be read: %s\n", path.c_str(), report.readError.c_str());
        report.movedAsideTo = MoveAside(path);
    } else {
        report = read;
        report.missing = file.BytesRead() == 0;
        list = std::move(loaded);
        if (report.droppedTailBytes > 0)
            Trace("%s: %zu bytes of a partial record at the end dropped\n", path.c_str(),
                report.droppedTailBytes);
        // Kept as it was before anything set right is saved over it.
        if (report.Damaged()) {
            const FileBytes whole = file.ReadAllFromStart();
            if (whole.ok())
                report.copiedAsideTo = CopyAside(path, whole.value);
        }
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
