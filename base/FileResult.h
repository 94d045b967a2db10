#pragma once

#include <string>
#include <utility>

namespace kestrin {

// Why reading or saving a file did not work.
enum class FileError {
    None,        // it worked
    NotDone,     // nothing was tried yet
    Missing,     // no such file
    Unreadable,  // it exists but cannot be read: no permission, a folder, an I/O error, too large
    WrongSize,   // read, but not the size its kind of file has
    OutOfRange,  // read whole, but holding values the program itself never stores
    WriteFailed, // a save that did not reach the disk whole; an earlier file is as it was
    Exists,      // a save that may not replace a file found one there
};

// What became of reading or saving a file: what was read when it worked, else why not, with a
// message for the trace and the user. Every store, import and export answers with one. A
// result made by default has done nothing, so it is never taken for a success.
template <class T = void> struct FileResult {
    T value{};
    FileError code = FileError::NotDone;
    std::string error;

    static FileResult Ok(T read) { return {std::move(read), FileError::None, {}}; }
    static FileResult Failed(FileError why, std::string message)
    {
        return {T{}, why, std::move(message)};
    }

    bool ok() const { return code == FileError::None; }
    explicit operator bool() const { return ok(); }
};

template <> struct FileResult<void> {
    FileError code = FileError::NotDone;
    std::string error;

    static FileResult Ok() { return {FileError::None, {}}; }
    static FileResult Failed(FileError why, std::string message)
    {
        return {why, std::move(message)};
    }

    bool ok() const { return code == FileError::None; }
    explicit operator bool() const { return ok(); }
};

// What became of a save.
using SaveResult = FileResult<>;

} // namespace kestrin
