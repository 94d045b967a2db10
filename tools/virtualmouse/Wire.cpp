#include "tools/virtualmouse/Wire.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace kestrin::vmouse {
namespace {

sockaddr_un Address(const std::string& name, socklen_t& length)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    // Abstract namespace: a leading zero byte, then the name without a terminator.
    const std::size_t size = std::min(name.size(), sizeof address.sun_path - 1);
    std::memcpy(address.sun_path + 1, name.data(), size);
    length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + size);
    return address;
}

} // namespace

std::string SocketName(const std::string& programFolder)
{
    char resolved[4096];
    const std::string folder =
        ::realpath(programFolder.c_str(), resolved) ? std::string(resolved) : programFolder;
    uint64_t hash = 0xcbf29ce484222325ull; // FNV-1a
    for (const unsigned char c : folder) {
        hash ^= c;
        hash *= 0x100000001b3ull;
    }
    char name[64];
    std::snprintf(
        name, sizeof name, "kestrin-virtual-mouse-%016llx", static_cast<unsigned long long>(hash));
    return name;
}

int ConnectTo(const std::string& socketName)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    socklen_t length;
    const sockaddr_un address = Address(socketName, length);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int ListenOn(const std::string& socketName)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    socklen_t length;
    const sockaddr_un address = Address(socketName, length);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0 ||
        ::listen(fd, 16) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

bool LineReader::HasLine() const { return buffer_.find('\n') != std::string::npos; }

bool LineReader::FillOnce()
{
    char chunk[4096];
    for (;;) {
        const ssize_t got = ::recv(fd_, chunk, sizeof chunk, MSG_DONTWAIT);
        if (got > 0) {
            buffer_.append(chunk, static_cast<std::size_t>(got));
            return true;
        }
        if (got < 0 && errno == EINTR)
            continue;
        return got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

std::optional<std::string> LineReader::Next()
{
    for (;;) {
        const std::size_t end = buffer_.find('\n');
        if (end != std::string::npos) {
            std::string line = buffer_.substr(0, end);
            buffer_.erase(0, end + 1);
            return line;
        }
        char chunk[4096];
        const ssize_t got = ::recv(fd_, chunk, sizeof chunk, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return std::nullopt;
        buffer_.append(chunk, static_cast<std::size_t>(got));
    }
}

bool SendLine(int fd, std::string_view line)
{
    std::string text(line);
    text.push_back('\n');
    std::size_t sent = 0;
    while (sent < text.size()) {
        const ssize_t n = ::send(fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

bool Exchange(int fd, LineReader& reader, std::string_view request, std::vector<std::string>& data,
    std::string* error)
{
    data.clear();
    if (!SendLine(fd, request)) {
        if (error)
            *error = "the virtual mouse went away";
        return false;
    }
    while (auto line = reader.Next()) {
        if (*line == "ok")
            return true;
        if (line->rfind("error", 0) == 0) {
            if (error)
                *error = line->size() > 6 ? line->substr(6) : "refused";
            return false;
        }
        data.push_back(std::move(*line));
    }
    if (error)
        *error = "the virtual mouse went away";
    return false;
}

std::optional<std::vector<uint8_t>> ParseHex(std::string_view text)
{
    if (text.size() % 2 != 0)
        return std::nullopt;
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    std::vector<uint8_t> bytes;
    bytes.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = nibble(text[i]);
        const int low = nibble(text[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes.push_back(static_cast<uint8_t>(high << 4 | low));
    }
    return bytes;
}

std::vector<std::string> SplitWords(std::string_view line)
{
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r'))
            ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
            ++i;
        if (i > start)
            words.emplace_back(line.substr(start, i - start));
    }
    return words;
}

} // namespace kestrin::vmouse
