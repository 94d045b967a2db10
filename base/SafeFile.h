#pragma once

#include "base/FileResult.h"

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <sys/types.h>

namespace kestrin {

using ByteRun = std::span<const std::byte>;

// The system calls a save goes through. Tests put failing ones in their place to prove
// that a save which fails midway leaves the previous file whole.
struct FileCalls {
    std::function<ssize_t(int fd, const void* data, std::size_t size)> write;
    std::function<int(int fd)> fsync;
};

// Replaces the calls used by every later save and returns the previous ones; an empty
// member means the real call.
FileCalls SetFileCalls(FileCalls calls);

enum class Replace { Existing, Never };

// Writes `runs` one after the other into a temporary file in `path`'s folder, flushes it to
// disk and renames it over `path`, so that a crash or a full disk never leaves a half-written
// file. With Replace::Never an existing `path` is left alone and the save fails. A failure
// removes the temporary file, leaves the old file as it was and goes to the trace.
SaveResult WriteFileSafely(
    const std::string& path, std::span<const ByteRun> runs, Replace replace = Replace::Existing);

// As above, with the runs asked for one at a time until an empty one: for contents made as they
// are written rather than held whole. A run need last only until the next is asked for.
SaveResult WriteFileSafely(const std::string& path, const std::function<ByteRun()>& nextRun,
    Replace replace = Replace::Existing);

template <class T> ByteRun BytesOf(const T& value)
{
    return std::as_bytes(std::span<const T, 1>(&value, 1));
}

} // namespace kestrin
