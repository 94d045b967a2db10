#include "tools/kestrinctl/InstanceClient.h"

#include <cerrno>
#include <cstdlib>
#include <poll.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace kestrin::ctl {
namespace {

class Socket {
public:
    Socket() : fd_(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) { }
    ~Socket()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

bool Connect(const Socket& socket)
{
    const std::string path = InstanceSocketPath();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path || socket.fd() < 0)
        return false;
    path.copy(address.sun_path, path.size());
    return ::connect(socket.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

} // namespace

std::string InstanceSocketPath()
{
    std::string folder;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        folder = runtime;
    } else {
        const passwd* user = ::getpwuid(::getuid());
        folder = std::string("/tmp/runtime-") + (user ? user->pw_name : "");
    }
    return folder + "/VELTRA Kestrin-" + std::to_string(::getuid());
}

bool ProgramListening()
{
    Socket socket;
    return Connect(socket);
}

ProgramReply AskProgram(const std::string& command, std::chrono::milliseconds timeout)
{
    ProgramReply reply;
    Socket socket;
    if (!Connect(socket))
        return reply;

    reply.state = ProgramReply::State::NoAnswer;
    const std::string line = command + "\n";
    if (::send(socket.fd(), line.data(), line.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(line.size()))
        return reply;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::string received;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return reply;
        pollfd waiting{socket.fd(), POLLIN, 0};
        const int ready = ::poll(&waiting, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return reply;
        char buffer[512];
        const ssize_t got = ::recv(socket.fd(), buffer, sizeof buffer, 0);
        if (got <= 0)
            return reply;
        received.append(buffer, static_cast<std::size_t>(got));
        if (const auto end = received.find('\n'); end != std::string::npos) {
            reply.state = ProgramReply::State::Answered;
            reply.line = received.substr(0, end);
            return reply;
        }
    }
}

} // namespace kestrin::ctl
