#include "app/SingleInstance.h"

#include "base/Trace.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QStandardPaths>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace kestrin {
namespace {
constexpr int kPollMs = 50;
}

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
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // We hold the lock, so a socket file left here is a crashed copy's.
    QLocalServer::removeServer(socketPath_);
    if (!server_->listen(socketPath_)) {
        Trace("instance socket %s: %s\n", socketPath_.toUtf8().constData(),
            server_->errorString().toUtf8().constData());
        server_.reset();
        return false;
    }
    QObject::connect(server_.get(), &QLocalServer::newConnection, server_.get(),
        [this, onCommand = std::move(onCommand)] {
            while (QLocalSocket* client = server_->nextPendingConnection()) {
                QObject::connect(
                    client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
                QObject::connect(client, &QLocalSocket::readyRead, client, [client, onCommand] {
                    while (client->canReadLine()) {
                        const QString line = QString::fromUtf8(client->readLine(4096)).trimmed();
                        if (line.isEmpty())
                            continue;
                        onCommand(line,
                            [client = QPointer<QLocalSocket>(client)](const QByteArray& answer) {
                                if (!client)
                                    return;
                                client->write(answer + '\n');
                                // The command may end the program before the loop would send it.
                                client->flush();
                            });
                    }
                });
            }
        });
    return true;
}

void SingleInstance::StopListening()
{
    if (server_)
        server_->close();
    server_.reset();
}

bool SingleInstance::SendCommand(const QString& command, int timeoutMs) const
{
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(socketPath_);
    if (!socket.waitForConnected(int(deadline.remainingTime())))
        return false;
    socket.write(command.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
        return false;
    while (!socket.canReadLine()) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(int(deadline.remainingTime())))
            return false;
    }
    const QByteArray answer = socket.readLine(4096).trimmed();
    const bool answered = answer == "ok" || answer.startsWith("ok ");
    socket.disconnectFromServer();
    return answered;
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
