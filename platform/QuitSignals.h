#pragma once

#include <functional>
#include <memory>

namespace kestrin {

// Turns SIGTERM, SIGINT and SIGHUP (a logout, Ctrl+C in a terminal, a second start ending a
// copy that hangs) into a call on the event loop, so that the program leaves as through the
// tray's "Exit" and keeps what it holds. While the object lives; the signals' earlier handling
// comes back after it. One at a time.
class QuitSignals final {
public:
    explicit QuitSignals(std::function<void()> onQuit);
    ~QuitSignals();
    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

private:
    struct Private;
    std::unique_ptr<Private> d_;
};

} // namespace kestrin
