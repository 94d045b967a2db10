#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

namespace kestrin::hook {

// One translated input event, before the hook decides whether to post it.
struct InputEvent {
    enum class Source { Key, Button, Wheel };
    Source source = Source::Key;
    uint32_t wParam = 0;
    intptr_t lParam = 0;
};

// Listens to raw key and button events of the whole X11 display on a connection and a thread of
// its own, and hands each translated event to the sink on that thread. Raw events come before
// any grab or focus, so the keys reach us whichever window has the focus (under XWayland, only
// while an X11 window has it). Buttons are the physical ones, before a left-handed swap.
class X11Listener final {
public:
    using Sink = std::function<void(const InputEvent&)>;

    // Connects and starts the thread; nullptr when there is no display or no XInput 2.2.
    static std::unique_ptr<X11Listener> Start(Sink sink);

    // Stops and joins the thread, then closes the connection.
    ~X11Listener();
    X11Listener(const X11Listener&) = delete;
    X11Listener& operator=(const X11Listener&) = delete;

    // False once the connection has failed (the X server went away) and the thread has ended.
    bool Running() const { return running_.load(); }

private:
    struct Connection;
    X11Listener(std::unique_ptr<Connection> connection, int wakeFd, Sink sink);
    void Run();

    std::unique_ptr<Connection> connection_;
    int wakeFd_ = -1;
    Sink sink_;
    std::atomic<bool> running_{true};
    std::thread thread_;
};

} // namespace kestrin::hook
