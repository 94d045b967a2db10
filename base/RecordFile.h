#pragma once

#include "base/FileResult.h"
#include "base/RecordNameRules.h"
#include "base/RecordNames.h"
#include "base/SafeFile.h"
#include "base/StoreFiles.h"
#include "base/Trace.h"

#include <cstring>
#include <limits>
#include <memory>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

namespace kestrin {

// A file of one library record, raw, nothing else: how macros and recoil patterns are exported
// and imported. A longer file is taken for the record at its start.
template <class Record> struct RecordFromFile {
    std::unique_ptr<Record> record;
    // Values beyond what the mouse takes were held to it: the user is told.
    bool held = false;
};
template <class Record> using RecordFileRead = FileResult<RecordFromFile<Record>>;

// The record at the start of `bytes`; WrongSize when they are fewer. Its values are the
// caller's to check.
template <class Record> RecordFileRead<Record> RecordFromBytes(std::span<const std::byte> bytes)
{
    static_assert(std::is_trivially_copyable_v<Record>);
    if (bytes.size() < sizeof(Record))
        return RecordFileRead<Record>::Failed(FileError::WrongSize,
            std::to_string(bytes.size()) + " bytes, fewer than " + std::to_string(sizeof(Record)));
    auto record = std::make_unique_for_overwrite<Record>();
    std::memcpy(record.get(), bytes.data(), sizeof(Record));
    return RecordFileRead<Record>::Ok({std::move(record)});
}

// Reads a record file as `parse` takes its bytes; Unreadable when it cannot be read. Only the
// record's bytes at its start are read, however large the file. `kind` names the file in the
// trace.
template <class Record, class Parse>
RecordFileRead<Record> ReadRecordFile(const std::string& path, Parse parse, const char* kind)
{
    const auto refused = [&](RecordFileRead<Record> result) {
        Trace("%s file %s refused: %s\n", kind, path.c_str(), result.error.c_str());
        return result;
    };
    FileReader file(path, std::numeric_limits<std::size_t>::max());
    std::vector<std::byte> bytes(sizeof(Record));
    bytes.resize(file.Status().ok() ? file.Read(bytes) : 0);
    if (!file.Status().ok())
        return refused(RecordFileRead<Record>::Failed(FileError::Unreadable,
            file.Status().error.empty() ? "cannot be read" : file.Status().error));
    RecordFileRead<Record> read = parse(std::span<const std::byte>(bytes));
    return read.ok() ? std::move(read) : refused(std::move(read));
}

// Sets right the name of a record read from its own file: units no typed name holds become
// U+FFFD, and a name of nothing else is emptied, so that it gets a free name on import.
inline void SetFileNameRight(std::span<char16_t> field)
{
    if (IsNameText(field))
        return;
    if (HoldsNameText(field))
        MakeNameText(field);
    else
        WriteName(field, u"");
}

// Writes the record as a file of its own, replacing an earlier one only once the new one is
// whole on disk.
template <class Record> SaveResult WriteRecordFile(const std::string& path, const Record& record)
{
    const ByteRun runs[] = {BytesOf(record)};
    return WriteFileSafely(path, runs);
}

// Appends an imported record under its own name, or the first free "%s_%d" when the list has
// it (without regard to case); one without a name is named as a new record is, from
// `baseText`. Returns its index.
template <NamedRecord Record>
int AppendUnderFreeName(std::unique_ptr<Record> imported,
    std::vector<std::unique_ptr<Record>>& list, std::u16string_view baseText)
{
    const std::u16string wanted = ReadName(imported->name);
    WriteName(imported->name,
        wanted.empty() ? DefaultRecordName(list, baseText) : MakeUniqueName(list, wanted));
    list.push_back(std::move(imported));
    return static_cast<int>(list.size() - 1);
}

} // namespace kestrin
