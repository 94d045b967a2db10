#include "app/SingleInstance.h"

#include "base/Trace.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

#include <unistd.h>

namespace kestrin {

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

SingleInstance::~SingleInstance()
{
    if (server_)
        server_->close();
}

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

bool SingleInstance::Listen(std::function<void(const QString& command)> onCommand)
{
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // We hold the lock, so a socket file left here is a crashed copy's.
    QLocalServer::removeServer(socketPath_);
    if (!server_->listen(socketPath_)) {
        Trace("instance socket %s: %s\n", socketPath_.toUtf8().constData(),
            server_->errorString().toUtf8().constData());
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
                        if (!line.isEmpty())
                            onCommand(line);
                    }
                });
            }
        });
    return true;
}

bool SingleInstance::SendCommand(const QString& command, int timeoutMs) const
{
    QLocalSocket socket;
    socket.connectToServer(socketPath_);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(command.toUtf8() + '\n');
    const bool sent = socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(timeoutMs);
    return sent;
}

} // namespace kestrin
