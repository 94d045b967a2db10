#include "base/StoreFiles.h"

#include "base/Trace.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrin {
namespace {

constexpr int kAsideAttempts = 100;
// Far beyond any real store (some 25000 profiles); a larger file is not read into memory.
constexpr off_t kMaxStoreBytes = off_t{1} << 30;

} // namespace

std::string StoreFolder(const std::string& dataFolder) { return dataFolder + "ms_1/"; }
std::string ProfileStorePath(const std::string& dataFolder)
{
    return StoreFolder(dataFolder) + "pro.data";
}
std::string MacroStorePath(const std::string& dataFolder)
{
    return StoreFolder(dataFolder) + "macro.data";
}
std::string GunStorePath(const std::string& dataFolder)
{
    return StoreFolder(dataFolder) + "gun.data";
}

FileBytes ReadWholeFile(const std::string& path)
{
    const auto failed = [](FileError code, std::string why) {
        return FileBytes::Failed(code, std::move(why));
    };
    // Non-blocking so that a FIFO in the store's place cannot hang the start-up.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        const int error = errno;
        return failed(
            error == ENOENT ? FileError::Missing : FileError::Unreadable, std::strerror(error));
    }
    struct stat info { };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return failed(FileError::Unreadable, "not a regular file");
    }
    if (info.st_size > kMaxStoreBytes) {
        ::close(fd);
        return failed(FileError::Unreadable,
            "larger than any store (" + std::to_string(info.st_size) + " bytes)");
    }
    std::vector<std::byte> bytes(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    for (;;) {
        if (done == bytes.size()) {
            if (done >= static_cast<std::size_t>(kMaxStoreBytes)) {
                ::close(fd);
                return failed(FileError::Unreadable, "larger than any store");
            }
            bytes.resize(done + 65536); // the file grew since fstat
        }
        const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            const int error = errno;
            ::close(fd);
            return failed(FileError::Unreadable, std::strerror(error));
        }
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    ::close(fd);
    return FileBytes::Ok(std::move(bytes));
}

std::string BrokenName(const std::string& path, int attempt)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    std::string name = path + ".broken-" + stamp;
    if (attempt > 1)
        name += "-" + std::to_string(attempt);
    return name;
}

std::string MoveAside(const std::string& path)
{
    for (int attempt = 1; attempt <= kAsideAttempts; ++attempt) {
        const std::string aside = BrokenName(path, attempt);
        if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE) == 0) {
            Trace("damaged store %s kept as %s\n", path.c_str(), aside.c_str());
            return aside;
        }
        if (errno == EEXIST)
            continue;
        if (errno == EINVAL || errno == ENOSYS) {
            // No RENAME_NOREPLACE here: link() refuses an existing name just the same.
            if (::link(path.c_str(), aside.c_str()) == 0) {
                ::unlink(path.c_str());
                Trace("damaged store %s kept as %s\n", path.c_str(), aside.c_str());
                return aside;
            }
            if (errno == EEXIST)
                continue;
        }
        Trace("cannot move damaged store %s aside: %s\n", path.c_str(), std::strerror(errno));
        return {};
    }
    Trace("cannot move damaged store %s aside: no free name\n", path.c_str());
    return {};
}

std::string CopyAside(const std::string& path, std::span<const std::byte> bytes)
{
    const ByteRun runs[] = {bytes};
    for (int attempt = 1; attempt <= kAsideAttempts; ++attempt) {
        const std::string aside = BrokenName(path, attempt);
        struct stat info { };
        if (::lstat(aside.c_str(), &info) == 0)
            continue;
        if (WriteFileSafely(aside, runs, Replace::Never)) {
            Trace("copy of damaged store %s kept as %s\n", path.c_str(), aside.c_str());
            return aside;
        }
        if (::lstat(aside.c_str(), &info) != 0)
            return {}; // the failure was not a name taken meanwhile
    }
    return {};
}

} // namespace kestrin
