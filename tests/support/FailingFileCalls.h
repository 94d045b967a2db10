#pragma once

#include "base/SafeFile.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <unistd.h>

namespace kestrin::test {

// While alive, saves write at most `budget` bytes in all and then fail with `error`
// (ENOSPC by default: a disk that fills up midway).
class FailingWrites {
public:
    explicit FailingWrites(std::size_t budget, int error = ENOSPC)
        : previous_(SetFileCalls({.write = [this](int fd, const void* data,
                                               std::size_t size) { return Write(fd, data, size); },
              .fsync = {}})),
          budget_(budget), error_(error)
    {
    }
    ~FailingWrites() { SetFileCalls(previous_); }
    FailingWrites(const FailingWrites&) = delete;
    FailingWrites& operator=(const FailingWrites&) = delete;

    std::size_t Written() const { return written_; }

private:
    ssize_t Write(int fd, const void* data, std::size_t size)
    {
        const std::size_t left = budget_ - written_;
        if (left == 0) {
            errno = error_;
            return -1;
        }
        // A short write first, as the kernel gives when the disk fills.
        const ssize_t done = ::write(fd, data, std::min(size, left));
        if (done > 0)
            written_ += static_cast<std::size_t>(done);
        return done;
    }

    FileCalls previous_;
    std::size_t budget_;
    int error_;
    std::size_t written_ = 0;
};

// While alive, flushing a file to disk fails with `error`.
class FailingFsync {
public:
    explicit FailingFsync(int error = EIO)
        : previous_(SetFileCalls({.write = {}, .fsync = [error](int) {
                                      errno = error;
                                      return -1;
                                  }}))
    {
    }
    ~FailingFsync() { SetFileCalls(previous_); }
    FailingFsync(const FailingFsync&) = delete;
    FailingFsync& operator=(const FailingFsync&) = delete;

private:
    FileCalls previous_;
};

} // namespace kestrin::test
