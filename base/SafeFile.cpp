#include "base/SafeFile.h"

#include "base/Folders.h"
#include "base/Trace.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrin {
namespace {

std::mutex callsMutex;
FileCalls installedCalls;

FileCalls CurrentCalls()
{
    FileCalls calls;
    {
        std::lock_guard lock(callsMutex);
        calls = installedCalls;
    }
    if (!calls.write)
        calls.write = [](int fd, const void* data, std::size_t size) {
            return ::write(fd, data, size);
        };
    if (!calls.fsync)
        calls.fsync = [](int fd) { return ::fsync(fd); };
    return calls;
}

std::string Errno(int error) { return std::strerror(error); }

// The mode a new file gets from open(…, 0666): the process umask applied. Read from /proc
// because umask() can only be read by changing it, which races with other threads.
mode_t NewFileMode()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0)
            return 0666 & ~static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
    }
    return 0644;
}

bool WriteAll(const FileCalls& calls, int fd, ByteRun run, std::string& error)
{
    const std::byte* data = run.data();
    std::size_t left = run.size();
    while (left > 0) {
        const ssize_t written = calls.write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            error = "write: " + Errno(errno);
            return false;
        }
        if (written == 0) {
            error = "write: no progress";
            return false;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}

bool RenameIntoPlace(const std::string& from, const std::string& to, Replace replace, int& error)
{
    if (replace == Replace::Existing) {
        if (std::rename(from.c_str(), to.c_str()) == 0)
            return true;
        error = errno;
        return false;
    }
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS) {
        error = errno;
        return false;
    }
    // File systems without RENAME_NOREPLACE: link() refuses an existing name just the same.
    if (::link(from.c_str(), to.c_str()) != 0) {
        error = errno;
        return false;
    }
    ::unlink(from.c_str());
    return true;
}

// Where a save lands: the target of a symbolic link, so that a linked store stays linked.
std::string ResolveTarget(const std::string& path)
{
    struct stat info { };
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return path;
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved)
        return path;
    std::string target(resolved);
    std::free(resolved);
    return target;
}

} // namespace

FileCalls SetFileCalls(FileCalls calls)
{
    std::lock_guard lock(callsMutex);
    std::swap(calls, installedCalls);
    return calls;
}

SaveResult WriteFileSafely(const std::string& path, std::span<const ByteRun> runs, Replace replace)
{
    std::size_t next = 0;
    return WriteFileSafely(
        path,
        [&]() -> ByteRun {
            // An empty run in the list is not its end.
            while (next < runs.size() && runs[next].empty())
                ++next;
            return next < runs.size() ? runs[next++] : ByteRun{};
        },
        replace);
}

SaveResult WriteFileSafely(
    const std::string& wantedPath, const std::function<ByteRun()>& nextRun, Replace replace)
{
    const std::string path = ResolveTarget(wantedPath);
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);

    const auto fail = [&](std::string why, FileError code = FileError::WriteFailed) {
        Trace("save of %s failed: %s\n", path.c_str(), why.c_str());
        return SaveResult::Failed(code, std::move(why));
    };

    if (!EnsureFolder(folder))
        return fail("folder " + folder + " cannot be created");

    std::string temp = folder + "." + name + ".tmp-XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return fail("cannot create a file in " + folder + ": " + Errno(errno));

    const FileCalls calls = CurrentCalls();
    std::string error;
    bool written = true;
    for (ByteRun run = nextRun(); !run.empty(); run = nextRun()) {
        if (!WriteAll(calls, fd, run, error)) {
            written = false;
            break;
        }
    }
    struct stat old { };
    const mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : NewFileMode();
    if (written && ::fchmod(fd, mode) != 0) {
        // Keeps the private mode of mkostemp; the contents still count.
        Trace("save of %s: cannot set mode %o: %s\n", path.c_str(), static_cast<unsigned>(mode),
            Errno(errno).c_str());
    }
    if (written && calls.fsync(fd) != 0) {
        written = false;
        error = "fsync: " + Errno(errno);
    }
    if (::close(fd) != 0 && written) {
        written = false;
        error = "close: " + Errno(errno);
    }
    int renameError = 0;
    if (written && !RenameIntoPlace(temp, path, replace, renameError)) {
        written = false;
        error = "rename: " + Errno(renameError);
    }
    if (!written) {
        ::unlink(temp.c_str());
        return fail(error, renameError == EEXIST ? FileError::Exists : FileError::WriteFailed);
    }

    // The rename itself reaches the disk only with the folder.
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0 || ::fsync(folderFd) != 0)
        Trace("save of %s: folder not flushed: %s\n", path.c_str(), Errno(errno).c_str());
    if (folderFd >= 0)
        ::close(folderFd);
    return SaveResult::Ok();
}

} // namespace kestrin
