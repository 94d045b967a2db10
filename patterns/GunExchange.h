#pragma once

#include "base/FileResult.h"
#include "patterns/GunRecord.h"

#include <memory>
#include <span>
#include <string>

namespace kestrin {

// A *.gun file: one recoil pattern record, raw, nothing else.
inline constexpr const char* kGunFileExtension = "gun";

using GunFileRead = FileResult<std::unique_ptr<GunRecord>>;

// Takes the bytes of a pattern file: WrongSize unless exactly one record; OutOfRange when its
// name is not text ended inside its field, its shot count lies outside 1..30 or one of its shots
// holds what the editor could not set (x or y beyond ±999, a pause outside 1..25599 ms); else
// the record as it lies.
GunFileRead ParseGunFile(std::span<const std::byte> bytes);

// Reads a pattern file as ParseGunFile takes it; Unreadable when it cannot be read.
GunFileRead ReadGunFile(const std::string& path);

// Writes the pattern as a file of its own, replacing an earlier one only once the new one is
// whole on disk.
SaveResult WriteGunFile(const std::string& path, const GunRecord& gun);

// Appends an imported pattern under its own name, or the first free "%s_%d"; returns its index.
int ImportGunRecord(std::unique_ptr<GunRecord> imported, GunList& guns);

} // namespace kestrin
