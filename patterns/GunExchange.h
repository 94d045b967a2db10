#pragma once

#include "base/FileResult.h"
#include "base/RecordFile.h"
#include "patterns/GunRecord.h"

#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace kestrin {

// A *.gun file: one recoil pattern record, raw, nothing else.
inline constexpr const char* kGunFileExtension = "gun";

using GunFileRead = FileResult<RecordFromFile<GunRecord>>;

// Takes the bytes of a pattern file, the record at their start: WrongSize when they are fewer;
// OutOfRange when its name has no end inside its field or its shot count lies outside 1..30.
// Otherwise the record, its counted shots held to what the mouse takes (`held` says so) and
// units of its name that no typed name holds set right.
GunFileRead ParseGunFile(std::span<const std::byte> bytes);

// Reads a pattern file as ParseGunFile takes it; Unreadable when it cannot be read.
GunFileRead ReadGunFile(const std::string& path);

// Writes the pattern as a file of its own, replacing an earlier one only once the new one is
// whole on disk.
SaveResult WriteGunFile(const std::string& path, const GunRecord& gun);

// Appends an imported pattern under its own name, or the first free "%s_%d"; a pattern without
// a name is named as a new one is, from `baseText`. Returns its index.
int ImportGunRecord(
    std::unique_ptr<GunRecord> imported, GunList& guns, std::u16string_view baseText);

} // namespace kestrin
