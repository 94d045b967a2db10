#pragma once

#include "base/FileResult.h"
#include "base/RecordNames.h"
#include "base/SafeFile.h"
#include "base/StoreFiles.h"
#include "base/Trace.h"

#include <cstring>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

namespace kestrin {

// A file of one library record, raw, nothing else: how macros and recoil patterns are exported
// and imported.
template <class Record> using RecordFileRead = FileResult<std::unique_ptr<Record>>;

// The record in `bytes`, when they are exactly one record; WrongSize otherwise. Its values are
// the caller's to check.
template <class Record> RecordFileRead<Record> RecordFromBytes(std::span<const std::byte> bytes)
{
    static_assert(std::is_trivially_copyable_v<Record>);
    if (bytes.size() != sizeof(Record))
        return RecordFileRead<Record>::Failed(FileError::WrongSize,
            std::to_string(bytes.size()) + " bytes, not " + std::to_string(sizeof(Record)));
    auto record = std::make_unique_for_overwrite<Record>();
    std::memcpy(record.get(), bytes.data(), sizeof(Record));
    return RecordFileRead<Record>::Ok(std::move(record));
}

// Reads a record file as `parse` takes its bytes; Unreadable when it cannot be read. A file of
// another size is refused before it is read: it may be anything, and large. `kind` names the
// file in the trace.
template <class Record, class Parse>
RecordFileRead<Record> ReadRecordFile(const std::string& path, Parse parse, const char* kind)
{
    const auto refused = [&](RecordFileRead<Record> result) {
        Trace("%s file %s refused: %s\n", kind, path.c_str(), result.error.c_str());
        return result;
    };
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (!error && size != sizeof(Record))
        return refused(RecordFileRead<Record>::Failed(FileError::WrongSize,
            std::to_string(size) + " bytes, not " + std::to_string(sizeof(Record))));
    const FileBytes file = ReadWholeFile(path, sizeof(Record));
    if (!file.ok())
        return refused(RecordFileRead<Record>::Failed(
            FileError::Unreadable, file.error.empty() ? "cannot be read" : file.error));
    RecordFileRead<Record> read = parse(std::span<const std::byte>(file.value));
    return read.ok() ? std::move(read) : refused(std::move(read));
}

// Writes the record as a file of its own, replacing an earlier one only once the new one is
// whole on disk.
template <class Record> SaveResult WriteRecordFile(const std::string& path, const Record& record)
{
    const ByteRun runs[] = {BytesOf(record)};
    return WriteFileSafely(path, runs);
}

// Appends an imported record under its own name, or the first free "%s_%d" when the list has
// it (without regard to case); returns its index.
template <NamedRecord Record>
int AppendUnderFreeName(
    std::unique_ptr<Record> imported, std::vector<std::unique_ptr<Record>>& list)
{
    WriteName(imported->name, MakeUniqueName(list, ReadName(imported->name)));
    list.push_back(std::move(imported));
    return static_cast<int>(list.size() - 1);
}

} // namespace kestrin
