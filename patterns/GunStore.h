#pragma once

#include "base/SafeFile.h"
#include "base/StoreFiles.h"
#include "patterns/GunRecord.h"

#include <span>
#include <string>
#include <string_view>

namespace kestrin {

// Reads the bytes of a gun.data into `list`: every whole record, each name terminated and
// unique, each shot count within 1..30. A partial record at the end is dropped.
void ParseGunStore(std::span<const std::byte> bytes, GunList& list, StoreLoadReport& report);

// Fills `list` from gun.data of `dataFolder`; a missing store is an empty library.
StoreLoadReport LoadGunStore(const std::string& dataFolder, GunList& list);

// Writes every pattern as one new gun.data; serialised, and a failure keeps the old file.
SaveResult SaveGunStore(const std::string& dataFolder, const GunList& list);

// Appends a pattern named `baseText` + (list length + 1), made unique, and saves the
// store; `saved`, when given, receives the outcome of that save.
GunRecord& CreateGun(const std::string& dataFolder, GunList& list, std::u16string_view baseText,
    SaveResult* saved = nullptr);

} // namespace kestrin
