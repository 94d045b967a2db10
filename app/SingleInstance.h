#pragma once

#include <QString>

#include <functional>
#include <memory>

class QLocalServer;
class QLockFile;

namespace kestrin {

// One running copy per user. The first start holds a lock file and listens on a local socket,
// both named after the instance name and the user id in the user's runtime folder (0700); a
// crashed copy's lock and socket are recognised and replaced.
//
// The socket takes one command per line:
//   show          what a second start sends: the running copy shows itself (message 1037)
//   menu <item>   runs a tray-menu item by name, e.g. "menu exit" (scripts and tests)
class SingleInstance final {
public:
    explicit SingleInstance(const QString& instanceName);
    ~SingleInstance();

    // True when this process is now the running copy.
    bool TryBecomePrimary();
    // Starts listening for commands (needs the application object). False when the socket
    // cannot be made; the program still runs, only unreachable.
    bool Listen(std::function<void(const QString& command)> onCommand);

    // Sends one command to the running copy; false when none answers within `timeoutMs`.
    bool SendCommand(const QString& command, int timeoutMs = 2000) const;

    QString SocketPath() const { return socketPath_; }
    QString LockPath() const { return lockPath_; }

    // The folder for a user's runtime files: $XDG_RUNTIME_DIR, or a private folder in /tmp.
    static QString RuntimeFolder();

private:
    QString socketPath_;
    QString lockPath_;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<QLocalServer> server_;
};

} // namespace kestrin
