#pragma once

#include <QString>

#include <functional>
#include <memory>

class QLockFile;

namespace kestrin {

// One running copy per user. The first start holds a lock file and listens on a local socket,
// both named after the instance name and the user id in the user's runtime folder (0700); a
// crashed copy's lock and socket are recognised and replaced.
//
// The socket (a Unix stream socket the user alone may use) takes one command per line, of at
// most 4096 bytes, and answers each with a line beginning "ok" once the running copy's event
// loop has taken it, "unknown", "busy" (a dialog waits for the user: try again once it is
// answered), or "error <reason>":
//   show          what a second start sends: the running copy shows itself (message 1037)
//   apply         an apply request
//   menu <item>   runs a tray-menu item by name, e.g. "menu exit" (scripts and tests)
//   apply wait, use <profile>, status   for kestrinctl (see Application.cpp)
// Only an answer counts: a copy that holds the lock but cannot answer (stuck, or on its way out)
// must not swallow a second start. The copy never waits on a client: one that leaves its
// answers unread, or idles, is dropped, and there are never more than a few dozen.
class SingleInstance final {
public:
    enum class Wake {
        Woken,         // the running copy answered and shows itself
        BecamePrimary, // the lock came free meanwhile: this process is now the running copy
        Unanswered,    // a copy holds the lock and has not answered in time
    };

    explicit SingleInstance(const QString& instanceName);
    ~SingleInstance();

    // True when this process is now the running copy.
    bool TryBecomePrimary();
    // Answers a command: one line, without its newline. May be called later than the command
    // (once an apply is over); an answer to a client that has gone is dropped.
    using Reply = std::function<void(const QByteArray& answer)>;
    // Starts listening for commands (needs the application object); `onCommand` runs on the
    // event loop and must answer each command once. False when the socket cannot be made; the
    // program still runs, only unreachable.
    bool Listen(std::function<void(const QString& command, const Reply& reply)> onCommand);
    // Stops answering, when the event loop has ended and the copy is on its way out.
    void StopListening();

    // Sends one command to the running copy; true when it answered "ok" within `timeoutMs`.
    bool SendCommand(const QString& command, int timeoutMs = 2000) const;

    // A second start: asks the running copy to show itself, and waits up to `timeoutMs` for its
    // answer or for its lock to come free (a copy that is ending).
    Wake WakeRunningCopy(int timeoutMs);

    // Ends the copy that holds the lock and has not answered: asks it to quit, kills it when it
    // has not within `graceMs`, and takes its place. False when the lock stays taken.
    bool EndUnansweringCopy(int graceMs);

    QString SocketPath() const { return socketPath_; }
    QString LockPath() const { return lockPath_; }

    // The folder for a user's runtime files: $XDG_RUNTIME_DIR, or a private folder in /tmp.
    static QString RuntimeFolder();

private:
    // Tries to take the lock until `timeoutMs` has passed.
    bool BecomePrimaryWithin(int timeoutMs);

    struct Server;

    QString socketPath_;
    QString lockPath_;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<Server> server_;
};

} // namespace kestrin
