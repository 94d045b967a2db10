#pragma once

#include "base/SafeFile.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kestrin {

// The three stores live in this folder of the data folder (`dataFolder` ends with '/').
std::string StoreFolder(const std::string& dataFolder);
std::string ProfileStorePath(const std::string& dataFolder);
std::string MacroStorePath(const std::string& dataFolder);
std::string GunStorePath(const std::string& dataFolder);

// The three stores, where a save's outcome must be told apart.
enum class StoreKind : uint8_t { Profiles, Macros, Patterns };
inline constexpr StoreKind kStoreKinds[] = {
    StoreKind::Profiles, StoreKind::Macros, StoreKind::Patterns};
std::string StorePath(StoreKind store, const std::string& dataFolder);

// What a load found and did, so that the caller can keep its promises and tell the user.
struct StoreLoadReport {
    bool missing = false;             // no file yet (or an empty one): a first run
    bool createdFresh = false;        // a new store was made (the profile store's default profile)
    SaveResult freshSave;             // the save of that new store
    std::string movedAsideTo;         // a store that could not be read, renamed and kept
    std::string copiedAsideTo;        // a copy of a store that was set right as it was read
    std::string readError;            // why the file could not be read
    std::size_t droppedTailBytes = 0; // bytes of a partial record at the end
    int repairedRecords = 0;          // records whose names, counts or index were set right
    bool indexReset = false;          // the current profile index lay outside the list

    // True when something of the user's was damaged, so the user should be told.
    bool Damaged() const
    {
        return !movedAsideTo.empty() || !readError.empty() || droppedTailBytes > 0 ||
            repairedRecords > 0 || indexReset;
    }
    // True when the damaged file is kept beside the store, renamed or copied, as it was.
    bool KeptAside() const { return !movedAsideTo.empty() || !copiedAsideTo.empty(); }
};

// The whole of a file. Missing: no such file. Unreadable: it exists but cannot be read (no
// permission, a folder, an I/O error, more than `maxBytes`), so it must not be replaced by a
// fresh one.
using FileBytes = FileResult<std::vector<std::byte>>;

FileBytes ReadWholeFile(const std::string& path, std::size_t maxBytes = std::size_t{1} << 30);

// A file read front to back in pieces that land where the caller wants them, so that a large
// store is never held twice; the same checks as ReadWholeFile.
class FileReader {
public:
    FileReader(const std::string& path, std::size_t maxBytes);
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    // None while reading goes well; else Missing or Unreadable, and why.
    const FileResult<>& Status() const { return status_; }
    // The size the file had when it was opened; it may have grown since.
    std::size_t SizeAtOpen() const { return sizeAtOpen_; }
    // Fills `into` from the file; fewer bytes only at its end or on a failure (then Status()
    // says why, and more than maxBytes in all is one).
    std::size_t Read(std::span<std::byte> into);
    std::size_t BytesRead() const { return bytesRead_; }
    // The whole file from its start, as ReadWholeFile gives it (for a copy kept aside).
    FileBytes ReadAllFromStart();

private:
    void Fail(FileError code, std::string why);

    int fd_ = -1;
    std::size_t maxBytes_;
    std::size_t sizeAtOpen_ = 0;
    std::size_t bytesRead_ = 0;
    FileResult<> status_ = FileResult<>::Ok();
};

// The most records a store may hold; a larger one is damage (or not ours) and is set aside
// unread, since reading it would hold up the start.
inline constexpr std::size_t kMaxStoreRecords = 10000;

// Removes the temporary files that saves of the three stores left in their folder when the
// program was killed midway (".pro.data.tmp-…" and so on); returns how many. Call at start,
// before any save can be under way.
int RemoveStaleStoreTempFiles(const std::string& dataFolder);

// The name a damaged store is kept under: `path` + ".broken-" + local time, with "-2", "-3"...
// when that is taken.
std::string BrokenName(const std::string& path, int attempt);

// Renames `path` to a free broken name and returns it; empty when that failed (traced).
std::string MoveAside(const std::string& path);

// Writes `bytes` to a free broken name beside `path` and returns it; empty on failure.
std::string CopyAside(const std::string& path, std::span<const std::byte> bytes);

} // namespace kestrin
