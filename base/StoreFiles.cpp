#include "base/StoreFiles.h"

#include "base/Trace.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <initializer_list>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrin {
namespace {

constexpr int kAsideAttempts = 100;

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

std::string StorePath(StoreKind store, const std::string& dataFolder)
{
    switch (store) {
    case StoreKind::Profiles:
        return ProfileStorePath(dataFolder);
    case StoreKind::Macros:
        return MacroStorePath(dataFolder);
    case StoreKind::Patterns:
        return GunStorePath(dataFolder);
    }
    return {};
}

FileReader::FileReader(const std::string& path, std::size_t maxBytes) : maxBytes_(maxBytes)
{
    // Non-blocking so that a FIFO in the store's place cannot hang the start-up.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) {
        const int error = errno;
        Fail(error == ENOENT ? FileError::Missing : FileError::Unreadable, std::strerror(error));
        return;
    }
    struct stat info { };
    if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
        Fail(FileError::Unreadable, "not a regular file");
        return;
    }
    if (static_cast<std::uintmax_t>(info.st_size) > maxBytes) {
        Fail(FileError::Unreadable,
            std::to_string(info.st_size) + " bytes, more than " + std::to_string(maxBytes));
        return;
    }
    sizeAtOpen_ = static_cast<std::size_t>(info.st_size);
}

FileReader::~FileReader()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void FileReader::Fail(FileError code, std::string why)
{
    status_ = FileResult<>::Failed(code, std::move(why));
}

std::size_t FileReader::Read(std::span<std::byte> into)
{
    std::size_t done = 0;
    while (status_.ok() && done < into.size()) {
        const ssize_t got = ::read(fd_, into.data() + done, into.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            Fail(FileError::Unreadable, std::strerror(errno));
            break;
        }
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
        bytesRead_ += static_cast<std::size_t>(got);
        // The file grew since it was opened.
        if (bytesRead_ > maxBytes_)
            Fail(FileError::Unreadable, "more than " + std::to_string(maxBytes_) + " bytes");
    }
    return done;
}

FileBytes FileReader::ReadAllFromStart()
{
    if (status_.ok() && ::lseek(fd_, 0, SEEK_SET) != 0)
        Fail(FileError::Unreadable, std::strerror(errno));
    bytesRead_ = 0;
    std::vector<std::byte> bytes(sizeAtOpen_);
    std::size_t done = Read(bytes);
    while (status_.ok() && done == bytes.size()) {
        bytes.resize(done + 65536);
        done += Read(std::span(bytes).subspan(done));
    }
    if (!status_.ok())
        return FileBytes::Failed(status_.code, status_.error);
    bytes.resize(done);
    return FileBytes::Ok(std::move(bytes));
}

FileBytes ReadWholeFile(const std::string& path, std::size_t maxBytes)
{
    FileReader reader(path, maxBytes);
    return reader.ReadAllFromStart();
}

int RemoveStaleStoreTempFiles(const std::string& dataFolder)
{
    std::error_code error;
    int removed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(StoreFolder(dataFolder), error)) {
        const std::string name = entry.path().filename().string();
        // The names WriteFileSafely gives its temporary files, for our stores only.
        const bool ours =
            std::ranges::any_of(std::initializer_list<std::string_view>{".pro.data.tmp-",
                                    ".macro.data.tmp-", ".gun.data.tmp-"},
                [&](std::string_view prefix) { return name.starts_with(prefix); });
        std::error_code removeError;
        if (ours && entry.is_regular_file(removeError) &&
            std::filesystem::remove(entry.path(), removeError))
            ++removed;
    }
    if (removed > 0)
        Trace("removed %d temporary files of interrupted saves\n", removed);
    return removed;
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
