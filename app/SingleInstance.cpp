#include "app/SingleInstance.h"

#include "base/Trace.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <limits>
#include <list>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

// The socket is a plain Unix stream socket watched by the event loop: Qt's local sockets would
// bring in its network library, and with it Kerberos and half a dozen others, at every start.
namespace kestrin {
namespace {

constexpr int kPollMs = 50;
constexpr qsizetype kLongestCommand = 4096;
// A client that lets more answers than this pile up does not read them, and is dropped.
constexpr qsizetype kMostOutgoing = 2 * kLongestCommand;
// Clients at once; another one takes the place of the least recently heard idle one.
constexpr std::size_t kMostClients = 40;
// How long a client may say nothing while no answer is owed to it.
constexpr int kIdleMs = 5000;
constexpr int kAcceptPauseMs = 250;
// Descriptors no client may take: the stores' saves need a few, whatever the clients do.
constexpr int kReservedDescriptors = 64;

bool SocketAddress(const QString& path, sockaddr_un& address)
{
    const QByteArray bytes = QFile::encodeName(path);
    address = {};
    address.sun_family = AF_UNIX;
    if (bytes.isEmpty() || static_cast<std::size_t>(bytes.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return true;
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) { }
    ~FileDescriptor() { Reset(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    int Release() { return std::exchange(fd_, -1); }
    void Reset(int fd = -1)
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

// Waits until `fd` is ready for `events` or the deadline passes.
bool WaitReady(int fd, short events, const QDeadlineTimer& deadline)
{
    for (;;) {
        pollfd waiting{fd, events, 0};
        const int ready = ::poll(&waiting, 1, int(deadline.remainingTime()));
        if (ready < 0 && errno == EINTR)
            continue;
        return ready > 0;
    }
}

// Writes all of `bytes`; a peer that has gone is no signal, only a failure.
bool SendAll(int fd, const QByteArray& bytes, const QDeadlineTimer& deadline)
{
    qsizetype at = 0;
    while (at < bytes.size()) {
        const ssize_t put = ::send(fd, bytes.constData() + at,
            static_cast<std::size_t>(bytes.size() - at), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (put > 0) {
            at += put;
            continue;
        }
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) &&
            WaitReady(fd, POLLOUT, deadline))
            continue;
        return false;
    }
    return true;
}

// The lowest descriptor number a client may take: above it, the descriptors left are kept for
// the program's own saves.
int HighestClientDescriptor()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return std::numeric_limits<int>::max();
    return int(std::min<rlim_t>(limit.rlim_cur, std::numeric_limits<int>::max())) -
        kReservedDescriptors;
}

// One client of the running copy. Answers may come after the client has gone; they are then
// dropped.
struct Connection {
    explicit Connection(int descriptor)
        : fd(descriptor), readable(descriptor, QSocketNotifier::Read),
          writable(descriptor, QSocketNotifier::Write)
    {
        writable.setEnabled(false);
        idle.setSingleShot(true);
        idle.setInterval(kIdleMs);
    }
    FileDescriptor fd;
    QSocketNotifier readable;
    QSocketNotifier writable;
    QTimer idle;
    QByteArray pending;
    // Answers the client has not read yet: never more than kMostOutgoing.
    QByteArray outgoing;
    // Commands handed on and not answered yet; a client waiting for one is not idle.
    int awaiting = 0;
};

} // namespace

// Everything here runs on the window's thread, so nothing may wait for a client: answers are
// written as far as the client takes them and kept for later, and a client that does not read
// or does nothing is dropped.
struct SingleInstance::Server {
    using Handler = std::function<void(const QString& command, const Reply& reply)>;

    ~Server()
    {
        connections.clear();
        notifier.reset();
        if (listening.get() >= 0)
            ::unlink(path.constData());
        *alive = false;
    }

    void Accept()
    {
        for (;;) {
            const int fd =
                ::accept4(listening.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd < 0) {
                if (errno == EINTR || errno == ECONNABORTED)
                    continue;
                if (errno != EAGAIN && errno != EWOULDBLOCK)
                    PauseAccepting();
                return;
            }
            if (fd > HighestClientDescriptor()) {
                ::close(fd);
                errno = EMFILE;
                PauseAccepting();
                return;
            }
            if (connections.size() >= kMostClients && !DropLeastRecentIdle()) {
                ::close(fd); // every client waits for an answer: this one comes back later
                continue;
            }
            Take(std::make_shared<Connection>(fd));
        }
    }

    // While no client can be taken the listening socket stays readable; watching it would spin.
    void PauseAccepting()
    {
        if (!notifier->isEnabled())
            return;
        Trace("instance socket: no client can be taken now (%s); listening again in %d ms\n",
            std::strerror(errno), kAcceptPauseMs);
        notifier->setEnabled(false);
        QTimer::singleShot(kAcceptPauseMs, notifier.get(), [this] { notifier->setEnabled(true); });
    }

    void Take(const std::shared_ptr<Connection>& connection)
    {
        connections.push_back(connection);
        const std::weak_ptr<Connection> weak = connection;
        QObject::connect(
            &connection->readable, &QSocketNotifier::activated, notifier.get(), [this, weak] {
                if (const auto held = weak.lock())
                    Read(held);
            });
        QObject::connect(
            &connection->writable, &QSocketNotifier::activated, notifier.get(), [this, weak] {
                if (const auto held = weak.lock())
                    Flush(held);
            });
        QObject::connect(&connection->idle, &QTimer::timeout, notifier.get(), [this, weak] {
            if (const auto held = weak.lock(); held && held->awaiting == 0)
                Forget(held);
        });
        connection->idle.start();
    }

    // Connections are kept least recently heard from first.
    void Heard(const std::shared_ptr<Connection>& connection)
    {
        const auto at = std::find(connections.begin(), connections.end(), connection);
        if (at != connections.end())
            connections.splice(connections.end(), connections, at);
        connection->idle.start();
    }

    bool DropLeastRecentIdle()
    {
        for (const auto& connection : connections) {
            if (connection->awaiting == 0 && connection->fd.get() >= 0) {
                Forget(connection);
                return true;
            }
        }
        return false;
    }

    void Read(const std::shared_ptr<Connection>& connection)
    {
        char buffer[1024];
        bool ended = false;
        // A client that sends without end is read a few commands' worth at a time.
        while (connection->pending.size() <= 4 * kLongestCommand) {
            const ssize_t got = ::recv(connection->fd.get(), buffer, sizeof buffer, 0);
            if (got > 0) {
                connection->pending.append(buffer, got);
                continue;
            }
            if (got < 0 && errno == EINTR)
                continue;
            ended = got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
            break;
        }
        Heard(connection);
        const std::shared_ptr<bool> stillHere = alive;
        qsizetype end = 0;
        while ((end = connection->pending.indexOf('\n')) >= 0) {
            const QByteArray line = connection->pending.left(end).trimmed();
            connection->pending.remove(0, end + 1);
            if (line.isEmpty())
                continue;
            ++connection->awaiting;
            handler(QString::fromUtf8(line),
                [this, stillHere, weak = std::weak_ptr(connection)](const QByteArray& answer) {
                    if (const auto held = weak.lock(); held && *stillHere)
                        Answer(held, answer);
                });
            if (!*stillHere)
                return; // the handler stopped the listening
            if (connection->fd.get() < 0)
                return; // dropped for not reading its answers
        }
        if (connection->pending.size() > kLongestCommand) {
            Trace("instance socket: a command longer than %lld bytes; the client is dropped\n",
                static_cast<long long>(kLongestCommand));
            ended = true;
        }
        if (ended)
            Forget(connection);
    }

    void Answer(const std::shared_ptr<Connection>& connection, const QByteArray& answer)
    {
        connection->awaiting = std::max(0, connection->awaiting - 1);
        if (connection->fd.get() < 0)
            return;
        connection->outgoing += answer + '\n';
        Flush(connection);
    }

    // Writes what the client takes now; the rest waits for it to read.
    void Flush(const std::shared_ptr<Connection>& connection)
    {
        QByteArray& outgoing = connection->outgoing;
        while (!outgoing.isEmpty()) {
            const ssize_t put = ::send(connection->fd.get(), outgoing.constData(),
                static_cast<std::size_t>(outgoing.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
            if (put > 0) {
                outgoing.remove(0, put);
                continue;
            }
            if (put < 0 && errno == EINTR)
                continue;
            if (put < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                break;
            return Forget(connection); // the client has gone
        }
        if (outgoing.size() > kMostOutgoing) {
            Trace("instance socket: a client does not read its answers; it is dropped\n");
            return Forget(connection);
        }
        connection->writable.setEnabled(!outgoing.isEmpty());
        if (outgoing.isEmpty())
            connection->idle.start();
    }

    // The connection goes once its notifiers' signals are over.
    void Forget(const std::shared_ptr<Connection>& connection)
    {
        if (connection->fd.get() < 0)
            return;
        connection->readable.setEnabled(false);
        connection->writable.setEnabled(false);
        connection->idle.stop();
        connection->fd.Reset();
        QTimer::singleShot(0, notifier.get(), [this, gone = connection.get()] {
            connections.remove_if([gone](const auto& held) { return held.get() == gone; });
        });
    }

    QByteArray path;
    FileDescriptor listening;
    std::unique_ptr<QSocketNotifier> notifier;
    std::list<std::shared_ptr<Connection>> connections;
    Handler handler;
    // False once the server is gone: a command may end the listening while its client is read.
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);
};

QString SingleInstance::RuntimeFolder()
{
    // Qt checks that the folder is the user's own and private, and makes a /tmp one otherwise.
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder;
}

SingleInstance::SingleInstance(const QString& instanceName)
{
    const QString base = RuntimeFolder() + QLatin1Char('/') + instanceName + QLatin1Char('-') +
        QString::number(::getuid());
    socketPath_ = base;
    lockPath_ = base + QStringLiteral(".lock");
}

SingleInstance::~SingleInstance() { StopListening(); }

bool SingleInstance::TryBecomePrimary()
{
    lock_ = std::make_unique<QLockFile>(lockPath_);
    // Held for the whole run: never stale while its owner lives, stale once it has died.
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(0))
        return true;
    lock_.reset();
    return false;
}

bool SingleInstance::BecomePrimaryWithin(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        if (TryBecomePrimary())
            return true;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(kPollMs);
    }
}

bool SingleInstance::Listen(
    std::function<void(const QString& command, const Reply& reply)> onCommand)
{
    auto server = std::make_unique<Server>();
    const auto fail = [this](const char* what) {
        Trace("instance socket %s: %s: %s\n", socketPath_.toUtf8().constData(), what,
            std::strerror(errno));
        return false;
    };
    sockaddr_un address;
    if (!SocketAddress(socketPath_, address)) {
        errno = ENAMETOOLONG;
        return fail("no such socket name");
    }
    server->path = QFile::encodeName(socketPath_);
    FileDescriptor fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (fd.get() < 0)
        return fail("socket");
    // We hold the lock, so a socket file left here is a crashed copy's.
    ::unlink(server->path.constData());
    if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return fail("bind");
    // The runtime folder is the user's own already; the socket is too.
    if (::chmod(server->path.constData(), S_IRUSR | S_IWUSR) != 0 || ::listen(fd.get(), 16) != 0) {
        const int error = errno;
        ::unlink(server->path.constData());
        errno = error;
        return fail("listen");
    }
    server->listening.Reset(fd.Release());
    server->handler = std::move(onCommand);
    server->notifier =
        std::make_unique<QSocketNotifier>(server->listening.get(), QSocketNotifier::Read);
    QObject::connect(server->notifier.get(), &QSocketNotifier::activated, server->notifier.get(),
        [listener = server.get()] { listener->Accept(); });
    server_ = std::move(server);
    return true;
}

void SingleInstance::StopListening() { server_.reset(); }

bool SingleInstance::SendCommand(const QString& command, int timeoutMs) const
{
    const QDeadlineTimer deadline(timeoutMs);
    sockaddr_un address;
    const FileDescriptor socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!SocketAddress(socketPath_, address) || socket.get() < 0 ||
        ::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return false;
    if (!SendAll(socket.get(), command.toUtf8() + '\n', deadline))
        return false;
    QByteArray received;
    while (!received.contains('\n') && received.size() <= kLongestCommand) {
        if (!WaitReady(socket.get(), POLLIN, deadline))
            return false;
        char buffer[512];
        const ssize_t got = ::recv(socket.get(), buffer, sizeof buffer, MSG_DONTWAIT);
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (got <= 0)
            return false;
        received.append(buffer, got);
    }
    const qsizetype end = received.indexOf('\n');
    if (end < 0)
        return false;
    const QByteArray answer = received.left(end).trimmed();
    return answer == "ok" || answer.startsWith("ok ");
}

SingleInstance::Wake SingleInstance::WakeRunningCopy(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        if (TryBecomePrimary())
            return Wake::BecamePrimary;
        if (deadline.hasExpired())
            return Wake::Unanswered;
        if (SendCommand(QStringLiteral("show"), int(deadline.remainingTime())))
            return Wake::Woken;
        // Not listening yet (starting) or any more (ending): the lock tells which.
        QThread::msleep(kPollMs);
    }
}

bool SingleInstance::EndUnansweringCopy(int graceMs)
{
    qint64 pid = 0;
    QString host;
    QString application;
    QLockFile probe(lockPath_);
    if (!probe.getLockInfo(&pid, &host, &application) || pid <= 0)
        return BecomePrimaryWithin(graceMs);
    Trace("the running copy (process %lld) does not answer; ending it\n", pid);
    // Asked first, so a copy that is only slow still saves what it holds.
    if (::kill(pid_t(pid), SIGTERM) != 0 && errno != ESRCH)
        return false;
    if (BecomePrimaryWithin(graceMs))
        return true;
    ::kill(pid_t(pid), SIGKILL);
    return BecomePrimaryWithin(graceMs);
}

} // namespace kestrin
