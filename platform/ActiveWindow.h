#pragma once

#include "base/WindowProgram.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kestrin {

// A top-level window of the X server's session and the program behind it.
struct SessionWindow {
    WindowProgram program;
    std::string title;
    int pid = 0; // 0 when the window does not say, or its client runs on another machine
};

// Follows which window the window manager has given the focus, through _NET_ACTIVE_WINDOW on
// the root window of the X server in DISPLAY (an XWayland server in a Wayland session, which
// tells of X programs only). It listens to property changes on a connection of its own, so
// while the focus stays it costs nothing. Everything runs on the thread that opened it.
class ActiveWindowWatch {
public:
    using Changed = std::function<void(const SessionWindow&)>;

    // Null, with the reason in `why`, when there is no X server or its window manager does not
    // tell which window is active.
    static std::unique_ptr<ActiveWindowWatch> Open(Changed changed, std::string* why = nullptr);
    virtual ~ActiveWindowWatch() = default;

    // The window in front now; nothing when none is.
    virtual std::optional<SessionWindow> Active() = 0;
    // The windows the window manager lists (_NET_CLIENT_LIST), in its order.
    virtual std::vector<SessionWindow> Windows() = 0;
    // Lets the user click a window, as xprop does: the pointer becomes a cross until a button
    // is pressed. `picked` gets the window clicked, or nothing when another button than the
    // first or Escape ended it or the pointer could not be taken. False when a pick runs.
    virtual bool Pick(std::function<void(std::optional<SessionWindow>)> picked) = 0;
    // Ends a pick without calling back.
    virtual void CancelPick() = 0;
};

// The file name of the program process `pid` runs (/proc/<pid>/exe, else its comm); empty
// when neither can be read.
std::string ProcessExecutable(int pid);

} // namespace kestrin
